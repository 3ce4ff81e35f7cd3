#include "shortcuts.h"

#include "config.h"
#include "display.h"
#include "errorbox.h"
#include "folders.h"
#include "owners.h"
#include "wide.h"

#include <shellapi.h>
#include <shlobj.h>

namespace instalio {

namespace {

// Creates one shortcut for each entry of `list` in `folder`. Stops at the first failure.
DWORD CreateShortcutSet(const ConfigList<ShortcutEntry>& list, const std::string& folder,
                        const std::string& targetFolder) {
    for (int i = 1; i <= list.UBound(); ++i) {
        DWORD error = CreateShortcut(targetFolder + list[i].Target, folder, list[i].LinkCaption);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    return ERROR_SUCCESS;
}

// `text` without the blanks at its start and end.
std::string Trim(const std::string& text) {
    std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

DWORD SaveShellLink(const std::string& linkPath, const std::string& target,
                    const std::string& workingFolder) {
    ScopedCoInitialize com;
    ComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                      IID_IShellLinkA, link.out());
    if (FAILED(result)) {
        return ErrorCodeOf(result);
    }
    ComPtr<IPersistFile> file;
    result = link->SetPath(target.c_str());
    if (SUCCEEDED(result)) {
        result = link->SetWorkingDirectory(workingFolder.c_str());
    }
    if (SUCCEEDED(result)) {
        result = link->QueryInterface(IID_IPersistFile, file.out());
    }
    if (SUCCEEDED(result)) {
        result = file->Save(Wide(linkPath).c_str(), TRUE);
    }
    return SUCCEEDED(result) ? ERROR_SUCCESS : ErrorCodeOf(result);
}

// Appends `line` and CR LF to the file `path`, creating it when missing.
DWORD AppendLine(const std::string& path, const std::string& line) {
    ScopedHandle file(CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) {
        return LastErrorOr(ERROR_OPEN_FAILED);
    }
    const std::string bytes = line + "\r\n";
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
        return LastErrorOr(ERROR_WRITE_FAULT);
    }
    return written == bytes.size() ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

} // namespace

DWORD CreateShortcuts() {
    display::Surface& form = *frmMain;
    const std::string inst = form.txtPath().Text();
    DWORD error = ERROR_SUCCESS;
    if (form.Check1().Checked()) {
        const std::string folder = SpecialFolder(Csidl::CommonPrograms) + SetupConfig.Name + "\\";
        CreateDirectory(folder);
        error = CreateShortcutSet(SetupConfig.ShortcutPrograms, folder, inst);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    if (form.Check2().Checked()) {
        error = CreateShortcutSet(SetupConfig.ShortcutDesktop,
                                  SpecialFolder(Csidl::DesktopDirectory), inst);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    if (form.Check3().Checked()) {
        const std::string folder =
            SpecialFolder(Csidl::AppData) + "Microsoft\\Internet Explorer\\Quick Launch\\";
        error = CreateShortcutSet(SetupConfig.ShortcutQuickLaunch, folder, inst);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    if (form.Check4().Checked()) {
        // The application runs on its own; whether it started is not looked at.
        ShellExecuteA(nullptr, nullptr, (inst + SetupConfig.Executable).c_str(), nullptr,
                      inst.c_str(), SW_SHOWNORMAL);
    }
    return ERROR_SUCCESS;
}

DWORD CreateShortcut(const std::string& Target, const std::string& Folder,
                     const std::string& Caption) {
    const std::string linkPath = Folder + Caption + ".lnk";
    const std::size_t slash = Target.rfind('\\');
    const std::string workingFolder =
        slash == std::string::npos ? std::string() : Target.substr(0, slash + 1);
    DWORD error = SaveShellLink(linkPath, Target, workingFolder);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    return AppendLine(frmMain->txtPath().Text() + "Uninstall.log", Trim(linkPath));
}

} // namespace instalio
