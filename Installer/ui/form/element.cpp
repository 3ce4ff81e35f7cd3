#include "element.h"

#include "host.h"
#include "picture.h"

#include <algorithm>

namespace instalio::ui {

Element::Element(HostContainer& owner, std::string name)
    : owner_(&owner), parent_(&owner), name_(std::move(name)) {
    owner.Register(*this);
    owner.children_.push_back(this);
}

Element::Element(std::string name) : name_(std::move(name)) {}

Element::~Element() {
    if (parent_ != nullptr) {
        std::erase(parent_->children_, this);
    }
    if (owner_ != nullptr) {
        owner_->Unregister(*this);
    }
}

void Element::Move(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_) {
        return;
    }
    bool sizeChanged = width != width_ || height != height_;
    Invalidate();
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    GeometryChanged(sizeChanged);
}

void Element::SetVisible(bool visible) {
    if (visible == visible_) {
        return;
    }
    visible_ = visible;
    // Shown or hidden, the area changes: a hidden element leaves what lies beneath it.
    if (owner_ != nullptr) {
        RECT rect = HostRect();
        owner_->InvalidateArea(rect);
    }
    ShownChanged();
}

void Element::SetElementEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    Invalidate();
    if (HWND window = Window()) {
        EnableWindow(window, enabled);
    }
    EnabledChanged();
}

void Element::SetParent(Container& parent) {
    if (parent_ != nullptr) {
        std::erase(parent_->children_, this);
    }
    parent_ = &parent;
    parent.children_.push_back(this);
    Invalidate();
    ShownChanged();
    GeometryChanged(false);
}

RECT Element::HostRect() const {
    int left = left_;
    int top = top_;
    for (const Container* c = parent_; c != nullptr && c != owner_; c = c->parent_) {
        left += c->left_;
        top += c->top_;
    }
    return RECT{Px(left), Px(top), Px(left + width_), Px(top + height_)};
}

bool Element::ShownInHost() const {
    if (!visible_) {
        return false;
    }
    for (const Container* c = parent_; c != nullptr && c != owner_; c = c->parent_) {
        if (!c->visible_) {
            return false;
        }
    }
    return true;
}

bool Element::ElementEnabledInHost() const {
    if (!enabled_) {
        return false;
    }
    for (const Container* c = parent_; c != nullptr && c != owner_; c = c->parent_) {
        if (!c->enabled_) {
            return false;
        }
    }
    return true;
}

void Element::ApplyDesign(const Design& design) {
    if (design.Visible) {
        SetVisible(*design.Visible);
    }
    // A row's Enabled is the element's own (for a user control: its window's); a control's own
    // Enabled property comes from its property bag.
    if (design.Enabled) {
        SetElementEnabled(*design.Enabled);
    }
    if (design.MousePointer) {
        SetElementCursor(LoadCursorResource(*design.MousePointer));
    }
    if (design.TabIndex) {
        SetTabIndex(design.TabIndex);
    }
}

void Element::GeometryChanged(bool /*sizeChanged*/) {
    PlaceWindow();
}

void Element::ShownChanged() {
    PlaceWindow();
}

void Element::Invalidate() const {
    if (owner_ != nullptr && Windowless() && ShownInHost()) {
        owner_->InvalidateArea(HostRect());
    }
}

void Element::PlaceWindow() const {
    HWND window = Window();
    if (window == nullptr) {
        return;
    }
    RECT rect = HostRect();
    SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
    bool shown = ShownInHost();
    bool showing = (GetWindowLongPtrA(window, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown != showing) {
        ShowWindow(window, shown ? SW_SHOWNA : SW_HIDE);
    }
}

Container::~Container() {
    for (Element* child : children_) {
        child->parent_ = nullptr;
    }
}

void Container::GeometryChanged(bool sizeChanged) {
    Element::GeometryChanged(sizeChanged);
    for (Element* child : children_) {
        if (child->Host() == Host()) { // not the constituents of a user control
            child->GeometryChanged(false);
        }
    }
}

void Container::ShownChanged() {
    Element::ShownChanged();
    for (Element* child : children_) {
        if (child->Host() == Host()) {
            child->ShownChanged();
        }
    }
}

} // namespace instalio::ui
