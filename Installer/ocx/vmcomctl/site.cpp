#include "site.h"

#include "errors.h"
#include "imagelist.h"
#include "module.h"

#include <commctrl.h>

namespace instalio::vmcomctl {

namespace {

constexpr const char* kSiteClass = "VmComCtlSite";
constexpr UINT_PTR kSubclassId = 1;

bool RegisterSiteClass(WNDPROC procedure) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = ocx::ThisModule();
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)); // IDC_ARROW
    windowClass.lpszClassName = kSiteClass;
    return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

Site::~Site() {
    if (images_ != nullptr) {
        images_->Forget(this);
    }
    if (site_ != nullptr) {
        // The windows go without telling this half-destroyed object anything more.
        RemoveWindowSubclass(native_, NativeProc, kSubclassId);
        SetWindowLongPtrA(site_, GWLP_USERDATA, 0);
        DestroyWindow(site_);
    }
}

VmStatus Site::Create(HWND parent, const RECT& rect, const char* nativeClass, DWORD style) {
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
    InitCommonControlsEx(&classes);
    if (!RegisterSiteClass(SiteProc)) {
        return static_cast<VmStatus>(LastErrorOr(ERROR_CANNOT_FIND_WND_CLASS));
    }
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    site_ = CreateWindowExA(WS_EX_CONTROLPARENT, kSiteClass, "",
                            WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, rect.left,
                            rect.top, width, height, parent, nullptr, ocx::ThisModule(), this);
    if (site_ == nullptr) {
        return static_cast<VmStatus>(LastErrorOr(ERROR_INVALID_WINDOW_HANDLE));
    }
    native_ = CreateWindowExA(0, nativeClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, 0, 0,
                              width, height, site_, nullptr, ocx::ThisModule(), nullptr);
    if (native_ == nullptr ||
        !SetWindowSubclass(native_, NativeProc, kSubclassId, reinterpret_cast<DWORD_PTR>(this))) {
        VmStatus status = static_cast<VmStatus>(LastErrorOr(ERROR_INVALID_WINDOW_HANDLE));
        DestroyWindow(site_);
        return status;
    }
    return VMCOMCTL_OK;
}

VmStatus Site::Move(const RECT& rect) {
    MoveWindow(site_, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    return VMCOMCTL_OK;
}

VmStatus Site::Show(bool visible) {
    ShowWindow(site_, visible ? SW_SHOWNA : SW_HIDE);
    return VMCOMCTL_OK;
}

VmStatus Site::Focus() {
    SetFocus(native_);
    return VMCOMCTL_OK;
}

VmStatus Site::SetImageList(ImageList* images) {
    if (images_ != nullptr) {
        images_->Forget(this);
    }
    images_ = images;
    if (images_ != nullptr) {
        images_->Remember(this);
    }
    ApplyImageList(images_ != nullptr ? images_->handle() : nullptr);
    InvalidateRect(native_, nullptr, TRUE);
    return VMCOMCTL_OK;
}

void Site::ForgetImageList() {
    images_ = nullptr;
    if (native_ != nullptr) {
        ApplyImageList(nullptr);
    }
}

LRESULT Site::CallNative(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(native_, message, wParam, lParam);
}

LRESULT CALLBACK Site::SiteProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create =
            reinterpret_cast<CREATESTRUCTA*>(lParam); // NOLINT(performance-no-int-to-ptr)
        auto* created = static_cast<Site*>(create->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
        created->site_ = window;
    }
    // NOLINTNEXTLINE(performance-no-int-to-ptr): the site is kept in the window's user data
    auto* site = reinterpret_cast<Site*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (site == nullptr) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        site->site_ = nullptr;
        site->native_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    try {
        return site->SiteMessage(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

LRESULT Site::SiteMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam); // NOLINT(performance-no-int-to-ptr)
        if (header != nullptr && header->hwndFrom == native_ && native_ != nullptr) {
            return Notify(*header);
        }
        break;
    }
    case WM_SIZE:
        if (native_ != nullptr) {
            MoveWindow(native_, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            Resized();
        }
        return 0;
    case WM_SETFOCUS:
        if (native_ != nullptr) {
            SetFocus(native_);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1; // the native control covers the site
    default:
        break;
    }
    return DefWindowProcA(site_, message, wParam, lParam);
}

LRESULT CALLBACK Site::NativeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR data) {
    auto* site = reinterpret_cast<Site*>(data); // NOLINT(performance-no-int-to-ptr)
    if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(window, NativeProc, kSubclassId);
        return DefSubclassProc(window, message, wParam, lParam);
    }
    try {
        LRESULT result = 0;
        if (site->native_ == window && site->Intercept(message, wParam, lParam, result)) {
            return result;
        }
    } catch (...) {
        // The message goes to the control as if nobody had looked at it.
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

} // namespace instalio::vmcomctl
