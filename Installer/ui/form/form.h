// The base of the program's windows: a borderless popup window drawn from its Picture, with its
// elements on top. A form is loaded once (its window made, its saved description applied, then
// Form_Load), shown modeless or modal, hidden and shown again, and unloaded; when the last
// loaded form unloads, the program's message loop ends.
#pragma once

#include "host.h"
#include "picture.h"

#include <string>

namespace instalio::ui {

// Values of MousePointer.
constexpr int kDefaultPointer = 0;
constexpr int kHourglassPointer = 11;

// Values of WindowState.
constexpr int kNormalState = 0;
constexpr int kMinimizedState = 1;
constexpr int kMaximizedState = 2;

class Form : public HostContainer {
public:
    explicit Form(std::string name);
    ~Form() override;

    // Makes the window (hidden), applies the description, then runs Form_Load. Once.
    void Load();
    bool Loaded() const { return Hwnd() != nullptr; }
    // Shows the form modeless; the first show centres it on the screen. Loads it first.
    void Show();
    // Shows the form centred on `owner`, which takes no input meanwhile, and returns when the
    // form is hidden or unloaded. Loads it first.
    void ShowModal(Form& owner);
    void Hide();
    // Destroys the window; the form can be loaded again.
    void Unload();

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    const PicturePtr& Picture() const { return picture_; }
    void SetPicture(PicturePtr picture);
    OleColor BackColor() const { return backColor_; }
    void SetBackColor(OleColor color);
    int MousePointer() const { return mousePointer_; }
    void SetMousePointer(int pointer);
    int WindowState() const;

    // The number of loaded forms of the program.
    static int LoadedForms();

protected:
    // The form's saved description: its elements' rows.
    virtual Description Layout() const { return {}; }
    virtual void Form_Load() {}
    // The form has just been shown and activated.
    virtual void Form_Activate() {}
    // A press of a mouse button on the background (X and Y in twips).
    virtual void Form_MouseDown(int /*Button*/, int /*Shift*/, int /*X*/, int /*Y*/) {}
    // A close request of the system (Alt+F4, the taskbar, WM_CLOSE); unloads by default.
    virtual void Form_QueryClose() { Unload(); }

    void GeometryChanged(bool sizeChanged) override;
    void PaintHostBackground(HDC dc, const RECT& clip) const override;
    void BackgroundMouseDown(int button, int shift, int x, int y) override;
    HCURSOR BackgroundCursor() const override;
    bool CursorOverridesElements() const override { return mousePointer_ != kDefaultPointer; }
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void WindowDestroyed() override;

private:
    void CentreOn(const RECT& area);

    std::string caption_;
    PicturePtr picture_;
    OleColor backColor_ = kSystemColorFlag | COLOR_BTNFACE;
    int mousePointer_ = kDefaultPointer;
    bool shownBefore_ = false;
    HWND modalOwner_ = nullptr;
};

} // namespace instalio::ui
