// The base of the custom controls: a child window of its host that owns constituent elements.
// It reads its public properties from the property bag of its host's saved description when it
// is created, writes them back on request, and tells its host which property changed. Like the
// controls of the original form system it takes the focus when clicked, so that the control
// that had the focus sees it leave before this control's click runs.
#pragma once

#include "host.h"
#include "propertybag.h"

#include <functional>
#include <string>

namespace instalio::ui {

class UserControl : public HostContainer {
public:
    UserControl(HostContainer& owner, std::string name);

    // What the host saves for this control: the control's WriteProperties.
    PropertyBag SaveProperties() const;
    // The host's side of PropertyChanged: which persisted property changed.
    std::function<void(const std::string& key)> PropertyChangedNotify;

    bool Windowless() const override { return false; }
    bool TakesFocus() const override { return canGetFocus_ && Hwnd() != nullptr; }
    HWND Window() const override { return Hwnd(); }
    void ApplyDesign(const Design& design) override;
    void Realize() override;
    void FocusMoved(bool gained, HWND other) override;
    // Whether the focus is on the control or one of its constituent windows.
    bool HasFocus() const { return focusInside_; }

protected:
    // Tells the host that the persisted property `key` changed; changes nothing visible.
    void PropertyChanged(const std::string& key) const;

    // The control's own background: filled with its colour, or transparent, showing what lies
    // beneath it in its host. (A control's BackColor property may be another colour's.)
    void SetControlBackColor(OleColor color);
    void SetTransparent(bool transparent);
    // The cursor over the control where no constituent has its own.
    void SetControlPointer(HCURSOR cursor) { controlPointer_ = cursor; }
    // Whether a click or Tab gives the control the focus.
    void SetCanGetFocus(bool canGetFocus) { canGetFocus_ = canGetFocus; }
    // Follows the focus of a constituent window that the control did not make itself (the
    // windows of a control library), so that the control knows when the focus leaves it.
    void WatchFocus(HWND window);

    // The control's events, in the order the form system raises them: Initialize (the
    // constituent windows exist), ReadProperties, then Resize on every change of size.
    virtual void UserControl_Initialize() {}
    virtual void UserControl_ReadProperties(const PropertyBag& /*bag*/) {}
    virtual void UserControl_WriteProperties(PropertyBag& /*bag*/) const {}
    virtual void UserControl_Resize() {}
    // The control itself received the focus.
    virtual void UserControl_GotFocus() {}
    // The focus left the control and all its constituents.
    virtual void UserControl_ExitFocus() {}

    void GeometryChanged(bool sizeChanged) override;
    void PaintHostBackground(HDC dc, const RECT& clip) const override;
    void BeforeMouseDown() override;
    HCURSOR BackgroundCursor() const override;
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool Inside(HWND window) const;
    static LRESULT CALLBACK WatchProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);

    PropertyBag bag_;
    OleColor backColor_ = kSystemColorFlag | COLOR_BTNFACE;
    bool transparent_ = false;
    HCURSOR controlPointer_ = nullptr;
    bool canGetFocus_ = true;
    bool realized_ = false;
    bool focusInside_ = false;
};

} // namespace instalio::ui
