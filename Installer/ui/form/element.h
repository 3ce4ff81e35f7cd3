// Elements of a window: geometry in twips relative to their parent container, z-order (the
// order among the parent's children, bottom first), Visible, Enabled, a mouse pointer, and the
// mouse events. Windowless elements are painted and hit-tested by the window that owns them
// (their host: a form or a user control); windowed ones are child windows of that host.
#pragma once

#include "description.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace instalio::ui {

class Container;
class HostContainer;

// Mouse buttons and shift state as the form events give them.
enum MouseButton { kLeftButton = 1, kRightButton = 2, kMiddleButton = 4 };

class Element {
public:
    // Registers the element with the window that owns it; it starts as the topmost child of
    // that window, until the window's description places it.
    Element(HostContainer& owner, std::string name);
    virtual ~Element();
    Element(const Element&) = delete;
    Element& operator=(const Element&) = delete;

    const std::string& Name() const { return name_; }

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Move(int left, int top, int width, int height);
    void SetLeft(int left) { Move(left, top_, width_, height_); }
    void SetTop(int top) { Move(left_, top, width_, height_); }
    void SetWidth(int width) { Move(left_, top_, width, height_); }
    void SetHeight(int height) { Move(left_, top_, width_, height); }

    bool Visible() const { return visible_; }
    void SetVisible(bool visible);
    // The element's own Enabled: a disabled element takes no mouse input, and its window (a
    // windowed element's) is disabled. A user control's own Enabled property, where it has one,
    // is another state, with the control's name for it.
    bool ElementEnabled() const { return enabled_; }
    void SetElementEnabled(bool enabled);
    // The cursor shown over the element; null: the default arrow.
    HCURSOR ElementCursor() const { return cursor_; }
    void SetElementCursor(HCURSOR cursor) { cursor_ = cursor; }
    // The element's place in its window's tab order; none: after those that have one.
    std::optional<int> TabIndex() const { return tabIndex_; }
    void SetTabIndex(std::optional<int> index) { tabIndex_ = index; }

    Container* Parent() const { return parent_; }
    // Moves the element into `parent` (of the same window), on top of its children.
    void SetParent(Container& parent);

    // The window that paints or holds this element; null for a form.
    HostContainer* Host() const { return owner_; }
    // The element's rectangle in pixels, in its host window's client coordinates.
    RECT HostRect() const;
    // Visible, and every container between it and its host visible.
    bool ShownInHost() const;
    // Enabled itself, and every container between it and its host enabled.
    bool ElementEnabledInHost() const;

    // Mouse events of windowless elements (X and Y in twips, relative to the element). A click
    // is a press and a release of the left button on the same element. The second press of a
    // double click raises DblClick instead of MouseDown, and its release MouseUp but no click.
    // A user control's own Click, where it has one, is its own event.
    std::function<void()> ElementClick;
    std::function<void()> DblClick;
    std::function<void(int Button, int Shift, int X, int Y)> MouseDown;
    std::function<void(int Button, int Shift, int X, int Y)> MouseUp;
    // Focus events of windowed elements, as their host sees them.
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;

    // Applies the design settings of the element's row; each kind takes what it has.
    virtual void ApplyDesign(const Design& design);
    // Windowless elements draw themselves into `rect` (their HostRect) of the host's context.
    virtual void Paint(HDC /*dc*/, const RECT& /*rect*/) const {}
    virtual bool Windowless() const { return true; }
    // Whether the element receives the mouse: shapes and timers let it through.
    virtual bool TakesMouse() const { return true; }
    // Whether Tab can give the element the focus: windowed elements that take it.
    virtual bool TakesFocus() const { return false; }
    virtual Container* AsContainer() { return nullptr; }
    // Called once the host window exists (windowed elements create their window here).
    virtual void Realize() {}
    // The element's child window, for windowed elements.
    virtual HWND Window() const { return nullptr; }
    // A message that the element's child window sent to its host (WM_COMMAND, WM_NOTIFY,
    // WM_CTLCOLOR...): true, with `result`, when the element handled it.
    virtual bool HandleHostMessage(UINT /*message*/, WPARAM /*wParam*/, LPARAM /*lParam*/,
                                   LRESULT& /*result*/) {
        return false;
    }
    // A window timer of the host fired: true when it was this element's.
    virtual bool HandleTimer(UINT_PTR /*id*/) { return false; }

protected:
    // Called after a change of the rectangle (sizeChanged: width or height changed too).
    virtual void GeometryChanged(bool sizeChanged);
    // Called when ShownInHost may have changed.
    virtual void ShownChanged();
    // Called after a change of ElementEnabled.
    virtual void EnabledChanged() {}
    // Repaints the element's area in its host.
    void Invalidate() const;
    // Places the element's window at its HostRect and shows it as ShownInHost says.
    void PlaceWindow() const;
    // For a form: an element without an owner.
    explicit Element(std::string name);

private:
    friend class Container;
    HostContainer* owner_ = nullptr;
    Container* parent_ = nullptr;
    std::string name_;
    int left_ = 0;
    int top_ = 0;
    int width_ = 0;
    int height_ = 0;
    bool visible_ = true;
    bool enabled_ = true;
    HCURSOR cursor_ = nullptr;
    std::optional<int> tabIndex_;
};

// An element that holds others: a frame, a user control or a form.
class Container : public Element {
public:
    using Element::Element;
    ~Container() override;
    Container* AsContainer() override { return this; }
    // The children in z-order, bottom first.
    const std::vector<Element*>& Children() const { return children_; }
    // Fills the container's own background (frames: their BackColor).
    virtual void PaintBackground(HDC /*dc*/, const RECT& /*rect*/) const {}

protected:
    void GeometryChanged(bool sizeChanged) override;
    void ShownChanged() override;

private:
    friend class Element;
    std::vector<Element*> children_;
};

} // namespace instalio::ui
