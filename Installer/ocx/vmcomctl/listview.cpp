#include "listview.h"

#include "flag.h"
#include "keyboard.h"

#include <commctrl.h>

#include <vector>

namespace instalio::vmcomctl {

VmStatus ListView::Create(HWND parent, const RECT& rect) {
    VmStatus status = Site::Create(parent, rect, WC_LISTVIEWA,
                                   LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL |
                                       LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS);
    if (status != VMCOMCTL_OK) {
        return status;
    }
    SendMessageA(native(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                 LVS_EX_FULLROWSELECT);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = rect.right - rect.left;
    SendMessageA(native(), LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    Resized();
    return VMCOMCTL_OK;
}

void ListView::Resized() {
    // The one column takes the whole width of the client area, which narrows once the list
    // needs its vertical scroll bar: no horizontal one ever shows.
    RECT client{};
    GetClientRect(native(), &client);
    SendMessageA(native(), LVM_SETCOLUMNWIDTH, 0, client.right - client.left);
}

void ListView::ApplyImageList(HIMAGELIST images) {
    SendMessageA(native(), LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

VmStatus ListView::SetColours(COLORREF back, COLORREF text) {
    SendMessageA(native(), LVM_SETBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageA(native(), LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(back));
    SendMessageA(native(), LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
    InvalidateRect(native(), nullptr, TRUE);
    return VMCOMCTL_OK;
}

VmStatus ListView::SetCursor(HCURSOR cursor) {
    cursor_ = cursor;
    return VMCOMCTL_OK;
}

VmStatus ListView::Add(int32_t index, const char* text, int32_t icon) {
    if (index < 1 || index > Count() + 1) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    std::string caption = text != nullptr ? text : "";
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = index - 1;
    item.pszText = caption.data();
    item.iImage = icon >= 1 ? icon - 1 : I_IMAGENONE;
    item.lParam = icon; // as given, also where the image list has no such image
    ScopedFlag quiet(quiet_);
    if (SendMessageA(native(), LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)) < 0) {
        return VMCOMCTL_E_OUT_OF_MEMORY;
    }
    Resized();
    return VMCOMCTL_OK;
}

VmStatus ListView::Remove(int32_t index) {
    if (!Exists(index)) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    ScopedFlag quiet(quiet_);
    SendMessageA(native(), LVM_DELETEITEM, static_cast<WPARAM>(index - 1), 0);
    Resized();
    return VMCOMCTL_OK;
}

int32_t ListView::Count() const {
    return static_cast<int32_t>(SendMessageA(native(), LVM_GETITEMCOUNT, 0, 0));
}

VmStatus ListView::ItemText(int32_t index, std::string& text) const {
    if (!Exists(index)) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    // The control copies what fits; a text that filled the buffer may be longer.
    std::vector<char> buffer(256);
    for (;;) {
        LVITEMA item = {};
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        auto length = static_cast<std::size_t>(SendMessageA(native(), LVM_GETITEMTEXTA,
                                                            static_cast<WPARAM>(index - 1),
                                                            reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size()) {
            text.assign(buffer.data(), length);
            return VMCOMCTL_OK;
        }
        buffer.resize(buffer.size() * 2);
    }
}

VmStatus ListView::ItemIcon(int32_t index, int32_t& icon) const {
    if (!Exists(index)) {
        return VMCOMCTL_E_INDEX_OUT_OF_BOUNDS;
    }
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = index - 1;
    SendMessageA(native(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    icon = static_cast<int32_t>(item.lParam);
    return VMCOMCTL_OK;
}

bool ListView::KeyDown(WPARAM& key) {
    auto keyCode = static_cast<int16_t>(key);
    int16_t shift = ShiftState();
    if (events_.KeyDown != nullptr) {
        events_.KeyDown(events_.context, &keyCode, &shift);
    }
    key = static_cast<WPARAM>(static_cast<uint16_t>(keyCode));
    return keyCode != 0;
}

bool ListView::Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        mouseDown_ = true;
        result = CallNative(message, wParam, lParam);
        return true;
    case WM_LBUTTONUP:
        result = CallNative(message, wParam, lParam);
        mouseDown_ = false;
        return true;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        mouseDown_ = false; // a click that never came (the mouse left with the button down)
        // A handler that sets the key code to 0 keeps the key from the list.
        result = KeyDown(wParam) ? CallNative(message, wParam, lParam) : 0;
        return true;
    case WM_KILLFOCUS:
        mouseDown_ = false;
        return false;
    case WM_SETCURSOR:
        if (cursor_ != nullptr && LOWORD(lParam) == HTCLIENT) {
            ::SetCursor(cursor_);
            result = TRUE;
            return true;
        }
        return false;
    default:
        return false;
    }
}

LRESULT ListView::Notify(NMHDR& header) {
    switch (header.code) {
    case NM_CLICK: {
        mouseDown_ = false;
        const auto& click = reinterpret_cast<const NMITEMACTIVATE&>(header);
        const int item = click.iItem;
        if (events_.Click != nullptr) {
            events_.Click(events_.context);
        }
        if (item >= 0 && events_.ItemClick != nullptr &&
            (SendMessageA(native(), LVM_GETITEMSTATE, static_cast<WPARAM>(item), LVIS_SELECTED) &
             LVIS_SELECTED) != 0) {
            events_.ItemClick(events_.context, item + 1);
        }
        return 0;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        const bool selected = (change.uChanged & LVIF_STATE) != 0 &&
                              (change.uNewState & LVIS_SELECTED) != 0 &&
                              (change.uOldState & LVIS_SELECTED) == 0;
        // A selection by the mouse is raised with its click.
        if (selected && !quiet_ && !mouseDown_ && change.iItem >= 0 &&
            events_.ItemClick != nullptr) {
            events_.ItemClick(events_.context, change.iItem + 1);
        }
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace instalio::vmcomctl
