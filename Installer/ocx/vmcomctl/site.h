// The site window of a control: a child window of the caller's parent that holds the native
// common control, receives its notifications and sees its input first (the native control is
// subclassed), so that the control can raise its events in the order callers rely on.
#pragma once

#include "vmcomctl.h"

#include <commctrl.h>

namespace instalio::vmcomctl {

class ImageList;

class Site {
public:
    Site() = default;
    virtual ~Site();
    Site(const Site&) = delete;
    Site& operator=(const Site&) = delete;

    // The native window; null once the site has been destroyed (by the caller, or with its
    // parent).
    HWND native() const { return native_; }
    bool alive() const { return native_ != nullptr; }

    VmStatus Move(const RECT& rect);
    VmStatus Show(bool visible);
    VmStatus Focus();

    // The control's image list; null detaches it. The site does not own it.
    VmStatus SetImageList(ImageList* images);
    // The image list is going away: the control shows no images from now on.
    void ForgetImageList();

protected:
    // Makes the site window in `parent` at `rect` and the native control of `nativeClass`
    // filling it.
    VmStatus Create(HWND parent, const RECT& rect, const char* nativeClass, DWORD style);

    // A notification of the native control.
    virtual LRESULT Notify(NMHDR& header) = 0;
    // A message for the native control, before the control sees it. Returns true when it has
    // been dealt with (its result in `result`); false lets the control have it.
    virtual bool Intercept(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;
    // Gives the native control the image list (null: none).
    virtual void ApplyImageList(HIMAGELIST images) = 0;
    // The native control has a new size.
    virtual void Resized() {}

    // Lets the native control process a message now.
    LRESULT CallNative(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK SiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK NativeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                       UINT_PTR id, DWORD_PTR data);
    LRESULT SiteMessage(UINT message, WPARAM wParam, LPARAM lParam);

    HWND site_ = nullptr;
    HWND native_ = nullptr;
    ImageList* images_ = nullptr;
};

} // namespace instalio::vmcomctl
