// List view of VMCOMCTL.OCX: one column of small icons with their texts in a child window of
// the caller's, single selection. Items are numbered from 1.
//
// Events: Click for a mouse click on the list, then ItemClick of the item under the mouse (also
// when it was selected already); KeyDown for a key (arguments by reference: a KeyCode set to 0
// keeps the key from the list), then ItemClick of the item the key selects. The second click of
// a double click raises neither Click nor ItemClick. Every event runs guarded: a failure that
// escapes a handler is reported and ends the program.
#pragma once

#include "vmcomctl.h"

#include <cstdint>
#include <functional>
#include <string>

namespace instalio::ocx {

class ImageList;

struct ListItem {
    std::int32_t Index = 0;
    std::string Text;
    std::int32_t Icon = 0; // the small icon's image number, 0 = none
};

class ListView {
public:
    // Creates the list in `parent` at `rect` (pixels of the parent's client area).
    ListView(HWND parent, const RECT& rect);
    ~ListView();
    ListView(const ListView&) = delete;
    ListView& operator=(const ListView&) = delete;

    std::function<void()> Click;
    std::function<void(std::int16_t& KeyCode, std::int16_t& Shift)> KeyDown;
    std::function<void(const ListItem& Item)> ItemClick;

    // The small icons; the image list must outlive its use here or be set to null first (it
    // is detached by itself when it goes first).
    void SetImageList(const ImageList* images);
    void SetColours(COLORREF back, COLORREF text);
    // The mouse pointer over the list (not owned); null for the arrow.
    void SetCursor(HCURSOR cursor);

    // Adds an item at position `index` (1 to Count() + 1).
    void Add(std::int32_t index, const std::string& text, std::int32_t icon);
    void Remove(std::int32_t index);
    std::int32_t Count() const;
    ListItem Item(std::int32_t index) const;

    void Move(const RECT& rect);
    void Show(bool visible);
    void SetFocus();
    // The native list view window.
    HWND Hwnd() const;

private:
    static void VMCALL OnClick(void* context);
    static void VMCALL OnKeyDown(void* context, std::int16_t* keyCode, std::int16_t* shift);
    static void VMCALL OnItemClick(void* context, std::int32_t index);

    const VmComCtl& library_;
    VmListView* view_ = nullptr;
};

} // namespace instalio::ocx
