// A window that owns elements: a form or a user control. It paints its background and its
// windowless elements in z-order, hit-tests them for the mouse (topmost first), shows their
// mouse pointers, runs their timers and passes its child windows' notifications to them.
#pragma once

#include "element.h"

#include <stdexcept>
#include <string>
#include <vector>

namespace instalio::ui {

class HostContainer : public Container {
public:
    ~HostContainer() override;

    HWND Hwnd() const { return hwnd_; }

    // The host that owns `window`; null for a window that is no host's.
    static HostContainer* FromWindow(HWND window);

    // Every element of this host (not the constituents of its user controls), in registration
    // order.
    const std::vector<Element*>& Elements() const { return elements_; }
    // The element registered under `name`; null when there is none.
    Element* Find(const std::string& name) const;
    template <typename Kind> Kind& Get(const std::string& name) const {
        auto* element = dynamic_cast<Kind*>(Find(name));
        if (element == nullptr) {
            throw std::logic_error("no element " + name + " of that kind");
        }
        return *element;
    }

    // Applies a saved description: each row's element is placed into its parent (on top of the
    // children placed before it), moved and given its design settings.
    void ApplyDescription(const Description& description);

    // Paints the background and the windowless elements that meet `clip` (host pixels).
    void PaintContent(HDC dc, const RECT& clip) const;
    // The topmost shown windowless element under `point` (host pixels) that takes the mouse;
    // null for the background. Disabled elements are found too: they block the click.
    Element* HitTest(POINT point) const;
    // Marks `rect` (host pixels) for repainting.
    void InvalidateArea(const RECT& rect) const;
    // Paints what is marked for repainting now, child windows included.
    void Refresh() const;
    // A child window of this host gained the focus, or lost it to `other`.
    virtual void FocusMoved(bool /*gained*/, HWND /*other*/) {}

protected:
    // A user control: a child window of its owner's window.
    HostContainer(HostContainer& owner, std::string name);
    // A form: a top-level window.
    explicit HostContainer(std::string name);

    void CreateHostWindow(DWORD style, DWORD exStyle, HWND parent, const RECT& rect,
                          const std::string& caption);
    void DestroyHostWindow();
    // Realizes every element registered with this host (creates the windowed ones).
    void RealizeElements();

    virtual void PaintHostBackground(HDC dc, const RECT& clip) const = 0;
    // A press on no element (X and Y in twips).
    virtual void BackgroundMouseDown(int /*button*/, int /*shift*/, int /*x*/, int /*y*/) {}
    // Before a press is handled (a user control takes the focus here).
    virtual void BeforeMouseDown() {}
    // The cursor over the background, and whether it overrides the elements' pointers.
    virtual HCURSOR BackgroundCursor() const;
    virtual bool CursorOverridesElements() const { return false; }
    // Messages the host does not handle itself; the default is DefWindowProc.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // The window is being destroyed.
    virtual void WindowDestroyed() {}

private:
    friend class Element;
    void Register(Element& element);
    void Unregister(Element& element);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);
    void PaintWindow();
    // secondPress: the second press of a double click (left button only).
    void ButtonDown(int button, LPARAM position, bool secondPress = false);
    void ButtonUp(int button, LPARAM position);
    bool SetCursorAt(POINT point) const;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<Element*> elements_; // every element of this host, in registration order
    HWND hwnd_ = nullptr;
    Element* pressed_ = nullptr; // the element the left button went down on
    bool secondPress_ = false;   // that press was the second of a double click
};

} // namespace instalio::ui
