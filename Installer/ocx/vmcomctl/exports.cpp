// The exports of VMCOMCTL.OCX: its interface table and its class registration. Each entry
// checks its handles and keeps every C++ exception inside.
#include "imagelist.h"
#include "listview.h"
#include "treeview.h"
#include "vmcomctl.h"

#include "module.h"
#include "registration.h"

#include <algorithm>
#include <cstring>
#include <string>

// The handles of the interface are the library's own objects.
struct VmImageList : instalio::vmcomctl::ImageList {
    using ImageList::ImageList;
};
struct VmListView : instalio::vmcomctl::ListView {
    using ListView::ListView;
};
struct VmTreeView : instalio::vmcomctl::TreeView {
    using TreeView::TreeView;
};

namespace instalio::vmcomctl {

namespace {

const ocx::ClassRegistration kRegistration = {VMCOMCTL_CLSID, VMCOMCTL_PROGID,
                                              "List view, tree view and image list"};

template <typename Body> VmStatus Guard(Body&& body) noexcept {
    return ocx::NoThrow<VmStatus>(VMCOMCTL_E_OUT_OF_MEMORY, body);
}

// A control whose window is gone (destroyed with its parent) takes no more calls.
template <typename Control, typename Body> VmStatus Call(Control* control, Body&& body) noexcept {
    if (control == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (!control->alive()) {
        return ERROR_INVALID_WINDOW_HANDLE;
    }
    return Guard(body);
}

VmStatus CopyOut(const std::string& text, char* buffer, int32_t size, int32_t* length) {
    if (length == nullptr || size < 0 || (buffer == nullptr && size > 0)) {
        return ERROR_INVALID_PARAMETER;
    }
    *length = static_cast<int32_t>(text.size());
    if (size > 0) {
        std::size_t copied = std::min(text.size(), static_cast<std::size_t>(size - 1));
        std::memcpy(buffer, text.data(), copied);
        buffer[copied] = '\0';
    }
    return VMCOMCTL_OK;
}

template <typename Out> VmStatus Put(Out* out, VmStatus status, const Out& value) {
    if (out == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    if (status == VMCOMCTL_OK) {
        *out = value;
    }
    return status;
}

// Runs `get(value)` on the control and hands the value out when it succeeds.
template <typename Control, typename Value, typename Get>
VmStatus GetValue(Control* control, Value* out, Get&& get) noexcept {
    return Call(control, [&] {
        Value value{};
        VmStatus status = get(value);
        return Put(out, status, value);
    });
}

// Runs `get(text)` on the control and copies the text out when it succeeds.
template <typename Control, typename Get>
VmStatus GetText(Control* control, char* buffer, int32_t size, int32_t* length,
                 Get&& get) noexcept {
    return Call(control, [&] {
        std::string text;
        VmStatus status = get(text);
        return status != VMCOMCTL_OK ? status : CopyOut(text, buffer, size, length);
    });
}

// Image list.

VmStatus VMCALL ImageListCreate(COLORREF maskColour, VmImageList** list) {
    if (list == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *list = nullptr;
    return Guard([&] {
        auto* created = new VmImageList(maskColour);
        if (!created->valid()) {
            delete created;
            return VMCOMCTL_E_OUT_OF_MEMORY;
        }
        *list = created;
        return VMCOMCTL_OK;
    });
}

void VMCALL ImageListDestroy(VmImageList* list) {
    Guard([&] {
        delete list;
        return VMCOMCTL_OK;
    });
}

VmStatus VMCALL ImageListCount(VmImageList* list, int32_t* count) {
    if (list == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Put(count, VMCOMCTL_OK, list->Count());
}

VmStatus VMCALL ImageListClear(VmImageList* list) {
    return list == nullptr ? ERROR_INVALID_PARAMETER : Guard([&] { return list->Clear(); });
}

VmStatus VMCALL ImageListAdd(VmImageList* list, HBITMAP picture) {
    return list == nullptr ? ERROR_INVALID_PARAMETER : Guard([&] { return list->Add(picture); });
}

VmStatus VMCALL ImageListPicture(VmImageList* list, int32_t index, HBITMAP* picture) {
    if (list == nullptr || picture == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *picture = nullptr;
    return Guard([&] { return list->Picture(index, *picture); });
}

VmStatus VMCALL ImageListIcon(VmImageList* list, int32_t index, HICON* icon) {
    if (list == nullptr || icon == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *icon = nullptr;
    return Guard([&] { return list->Icon(index, *icon); });
}

// What list view and tree view share.

template <typename Control, typename Events>
VmStatus Create(HWND parent, const RECT* rect, const Events* events, Control** control) {
    if (control == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    *control = nullptr;
    if (rect == nullptr || events == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Guard([&] {
        auto* created = new Control(*events);
        VmStatus status = created->Create(parent, *rect);
        if (status != VMCOMCTL_OK) {
            delete created;
            return status;
        }
        *control = created;
        return VMCOMCTL_OK;
    });
}

template <typename Control> void Destroy(Control* control) {
    Guard([&] {
        delete control;
        return VMCOMCTL_OK;
    });
}

template <typename Control> HWND Window(Control* control) {
    return control != nullptr ? control->native() : nullptr;
}

template <typename Control> VmStatus Move(Control* control, const RECT* rect) {
    if (rect == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    return Call(control, [&] { return control->Move(*rect); });
}

template <typename Control> VmStatus Show(Control* control, int32_t visible) {
    return Call(control, [&] { return control->Show(visible != 0); });
}

template <typename Control> VmStatus Focus(Control* control) {
    return Call(control, [&] { return control->Focus(); });
}

template <typename Control> VmStatus SetImages(Control* control, VmImageList* images) {
    return Call(control, [&] { return control->SetImageList(images); });
}

// List view.

VmStatus VMCALL ListViewSetColours(VmListView* view, COLORREF back, COLORREF text) {
    return Call(view, [&] { return view->SetColours(back, text); });
}

VmStatus VMCALL ListViewSetCursor(VmListView* view, HCURSOR cursor) {
    return Call(view, [&] { return view->SetCursor(cursor); });
}

VmStatus VMCALL ListViewAdd(VmListView* view, int32_t index, const char* text, int32_t icon) {
    return Call(view, [&] { return view->Add(index, text, icon); });
}

VmStatus VMCALL ListViewRemove(VmListView* view, int32_t index) {
    return Call(view, [&] { return view->Remove(index); });
}

VmStatus VMCALL ListViewCount(VmListView* view, int32_t* count) {
    return Call(view, [&] { return Put(count, VMCOMCTL_OK, view->Count()); });
}

VmStatus VMCALL ListViewItemText(VmListView* view, int32_t index, char* buffer, int32_t size,
                                 int32_t* length) {
    return GetText(view, buffer, size, length,
                   [&](std::string& text) { return view->ItemText(index, text); });
}

VmStatus VMCALL ListViewItemIcon(VmListView* view, int32_t index, int32_t* icon) {
    return GetValue(view, icon, [&](int32_t& value) { return view->ItemIcon(index, value); });
}

// Tree view.

VmStatus VMCALL TreeViewClear(VmTreeView* view) {
    return Call(view, [&] { return view->Clear(); });
}

VmStatus VMCALL TreeViewAdd(VmTreeView* view, const char* relativeKey, const char* key,
                            const char* text, int32_t picture, int32_t expandedPicture,
                            VmNode* node) {
    return Call(view, [&] {
        VmNode added = 0;
        VmStatus status = view->Add(relativeKey, key != nullptr ? key : "",
                                    text != nullptr ? text : "", picture, expandedPicture, added);
        if (node != nullptr) {
            *node = added;
        }
        return status;
    });
}

VmStatus VMCALL TreeViewCount(VmTreeView* view, int32_t* count) {
    return Call(view, [&] { return Put(count, VMCOMCTL_OK, view->Count()); });
}

VmStatus VMCALL TreeViewNodeByKey(VmTreeView* view, const char* key, VmNode* node) {
    return GetValue(view, node, [&](VmNode& found) {
        return view->NodeByKey(key != nullptr ? key : "", found);
    });
}

VmStatus VMCALL TreeViewNodeByIndex(VmTreeView* view, int32_t index, VmNode* node) {
    return GetValue(view, node, [&](VmNode& found) { return view->NodeByIndex(index, found); });
}

VmStatus VMCALL TreeViewRemove(VmTreeView* view, int32_t index) {
    return Call(view, [&] { return view->Remove(index); });
}

VmStatus VMCALL NodeKey(VmTreeView* view, VmNode node, char* buffer, int32_t size,
                        int32_t* length) {
    return GetText(view, buffer, size, length,
                   [&](std::string& key) { return view->Key(node, key); });
}

VmStatus VMCALL NodeText(VmTreeView* view, VmNode node, char* buffer, int32_t size,
                         int32_t* length) {
    return GetText(view, buffer, size, length,
                   [&](std::string& text) { return view->Text(node, text); });
}

VmStatus VMCALL NodeIndex(VmTreeView* view, VmNode node, int32_t* index) {
    return GetValue(view, index, [&](int32_t& value) { return view->Index(node, value); });
}

VmStatus VMCALL NodeChild(VmTreeView* view, VmNode node, VmNode* child) {
    return GetValue(view, child, [&](VmNode& value) { return view->Child(node, value); });
}

VmStatus VMCALL NodeChildren(VmTreeView* view, VmNode node, int32_t* count) {
    return GetValue(view, count, [&](int32_t& value) { return view->Children(node, value); });
}

VmStatus VMCALL NodeSetExpanded(VmTreeView* view, VmNode node, int32_t expanded) {
    return Call(view, [&] { return view->SetExpanded(node, expanded != 0); });
}

VmStatus VMCALL NodeSelect(VmTreeView* view, VmNode node) {
    return Call(view, [&] { return view->Select(node); });
}

VmStatus VMCALL NodeEnsureVisible(VmTreeView* view, VmNode node) {
    return Call(view, [&] { return view->EnsureVisible(node); });
}

const VmComCtl kInterface = {
    VMCOMCTL_VERSION,
    ImageListCreate,
    ImageListDestroy,
    ImageListCount,
    ImageListClear,
    ImageListAdd,
    ImageListPicture,
    ImageListIcon,
    Create<VmListView, VmListViewEvents>,
    Destroy<VmListView>,
    Window<VmListView>,
    Move<VmListView>,
    Show<VmListView>,
    Focus<VmListView>,
    SetImages<VmListView>,
    ListViewSetColours,
    ListViewSetCursor,
    ListViewAdd,
    ListViewRemove,
    ListViewCount,
    ListViewItemText,
    ListViewItemIcon,
    Create<VmTreeView, VmTreeViewEvents>,
    Destroy<VmTreeView>,
    Window<VmTreeView>,
    Move<VmTreeView>,
    Show<VmTreeView>,
    Focus<VmTreeView>,
    SetImages<VmTreeView>,
    TreeViewClear,
    TreeViewAdd,
    TreeViewCount,
    TreeViewNodeByKey,
    TreeViewNodeByIndex,
    TreeViewRemove,
    NodeKey,
    NodeText,
    NodeIndex,
    NodeChild,
    NodeChildren,
    NodeSetExpanded,
    NodeSelect,
    NodeEnsureVisible,
};

} // namespace

} // namespace instalio::vmcomctl

extern "C" const VmComCtl* VMCALL VmComCtlInterface(uint32_t version) {
    return version == VMCOMCTL_VERSION ? &instalio::vmcomctl::kInterface : nullptr;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    return instalio::ocx::RegisterServer(instalio::vmcomctl::kRegistration);
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    return instalio::ocx::UnregisterServer(instalio::vmcomctl::kRegistration);
}
