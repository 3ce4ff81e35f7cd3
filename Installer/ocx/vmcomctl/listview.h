// List view: one column of small icons with their texts, single selection, no header, whole
// rows selected. Items are numbered from 1.
//
// Events, in the order the original control raises them: a mouse click raises Click, then
// ItemClick of the item under the mouse (also when it was selected already); a key raises
// KeyDown, then ItemClick of the item the key selects. The native control selects on the
// button's way down, so ItemClick of a mouse selection waits for the click.
#pragma once

#include "site.h"

#include <string>

namespace instalio::vmcomctl {

class ListView : public Site {
public:
    explicit ListView(const VmListViewEvents& events) : events_(events) {}
    ~ListView() override = default;

    VmStatus Create(HWND parent, const RECT& rect);

    VmStatus SetColours(COLORREF back, COLORREF text);
    VmStatus SetCursor(HCURSOR cursor);
    VmStatus Add(int32_t index, const char* text, int32_t icon);
    VmStatus Remove(int32_t index);
    int32_t Count() const;
    VmStatus ItemText(int32_t index, std::string& text) const;
    VmStatus ItemIcon(int32_t index, int32_t& icon) const;

private:
    LRESULT Notify(NMHDR& header) override;
    bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void ApplyImageList(HIMAGELIST images) override;
    void Resized() override;

    bool Exists(int32_t index) const { return index >= 1 && index <= Count(); }
    bool KeyDown(WPARAM& key);

    VmListViewEvents events_;
    HCURSOR cursor_ = nullptr;
    bool mouseDown_ = false; // from the left button's way down to the click
    bool quiet_ = false;     // inside a change the caller made
};

} // namespace instalio::vmcomctl
