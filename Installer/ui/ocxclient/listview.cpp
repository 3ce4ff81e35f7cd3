#include "listview.h"

#include "guard.h"
#include "imagelist.h"
#include "status.h"

namespace instalio::ocx {

ListView::ListView(HWND parent, const RECT& rect) : library_(ComCtl()) {
    const VmListViewEvents events = {this, OnClick, OnKeyDown, OnItemClick};
    ThrowIfFailed(library_.ListViewCreate(parent, &rect, &events, &view_));
}

ListView::~ListView() {
    library_.ListViewDestroy(view_);
}

void ListView::SetImageList(const ImageList* images) {
    ThrowIfFailed(
        library_.ListViewSetImageList(view_, images != nullptr ? images->handle() : nullptr));
}

void ListView::SetColours(COLORREF back, COLORREF text) {
    ThrowIfFailed(library_.ListViewSetColours(view_, back, text));
}

void ListView::SetCursor(HCURSOR cursor) {
    ThrowIfFailed(library_.ListViewSetCursor(view_, cursor));
}

void ListView::Add(std::int32_t index, const std::string& text, std::int32_t icon) {
    ThrowIfFailed(library_.ListViewAdd(view_, index, text.c_str(), icon));
}

void ListView::Remove(std::int32_t index) {
    ThrowIfFailed(library_.ListViewRemove(view_, index));
}

std::int32_t ListView::Count() const {
    std::int32_t count = 0;
    ThrowIfFailed(library_.ListViewCount(view_, &count));
    return count;
}

ListItem ListView::Item(std::int32_t index) const {
    ListItem item;
    item.Index = index;
    item.Text = ReadText([&](char* buffer, std::int32_t size, std::int32_t* length) {
        return library_.ListViewItemText(view_, index, buffer, size, length);
    });
    ThrowIfFailed(library_.ListViewItemIcon(view_, index, &item.Icon));
    return item;
}

void ListView::Move(const RECT& rect) {
    ThrowIfFailed(library_.ListViewMove(view_, &rect));
}

void ListView::Show(bool visible) {
    ThrowIfFailed(library_.ListViewShow(view_, visible ? 1 : 0));
}

void ListView::SetFocus() {
    ThrowIfFailed(library_.ListViewSetFocus(view_));
}

HWND ListView::Hwnd() const {
    return library_.ListViewWindow(view_);
}

void VMCALL ListView::OnClick(void* context) {
    auto& self = *static_cast<ListView*>(context);
    Guarded([&] {
        if (self.Click) {
            self.Click();
        }
    });
}

void VMCALL ListView::OnKeyDown(void* context, std::int16_t* keyCode, std::int16_t* shift) {
    auto& self = *static_cast<ListView*>(context);
    Guarded([&] {
        if (self.KeyDown) {
            self.KeyDown(*keyCode, *shift);
        }
    });
}

void VMCALL ListView::OnItemClick(void* context, std::int32_t index) {
    auto& self = *static_cast<ListView*>(context);
    Guarded([&] {
        if (self.ItemClick) {
            self.ItemClick(self.Item(index));
        }
    });
}

} // namespace instalio::ocx
