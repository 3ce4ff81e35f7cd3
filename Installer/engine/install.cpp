#include "install.h"

#include "config.h"
#include "display.h"
#include "errorbox.h"
#include "files.h"
#include "filesystem.h"
#include "folders.h"
#include "language.h"
#include "libraries.h"
#include "process.h"
#include "registry.h"
#include "resources.h"
#include "services.h"
#include "sibling.h"
#include "text.h"

#include <algorithm>
#include <cstdio>

namespace instalio {

namespace {

struct Folders {
    std::string work;     // the cabinets
    std::string scratch;  // cabinets 101 and 102 unpacked
    std::string system;   // their libraries, drivers and other files; the extraction tool
    std::string target;   // the application
    std::string settings; // UserSettings.ini
};

const FileNameRule& RuleFor(const std::string& fileName) {
    const std::string extension = GetExtension(fileName);
    for (const FileNameRule& rule : FileNameRules()) {
        if (rule.extensions.empty() || std::find(rule.extensions.begin(), rule.extensions.end(),
                                                 extension) != rule.extensions.end()) {
            return rule;
        }
    }
    return FileNameRules().back();
}

// Cabinet 101 or 102: unpacked into the scratch folder, distributed into the system folder by
// the file-name rules, then its libraries registered.
void InstallLibraryCabinet(display::Surface& form, const Folders& folders,
                           const std::string& cabName, int cabinet) {
    MoveFileReplace(folders.work + cabName, folders.scratch + cabName);
    ExtractCab(folders.scratch, cabName);
    RemoveFile(folders.scratch + cabName, true);
    std::vector<std::string> registration;
    // The names are taken first: the moves change the folder being listed.
    for (const std::string& name : FilesIn(folders.scratch)) {
        form.lblInstallInfo().SetCaption(GetText("install_library_copy") + ": " + name);
        PlaceCabinetFile(folders.scratch, name, cabinet, folders.system, registration);
    }
    for (const std::string& name : registration) {
        form.lblInstallInfo().SetCaption(GetText("install_library_register") + ": " + name);
        RegisterLibrary(folders.system + name);
    }
}

// Copies a file from beside the setup program into the target folder, when it is there.
void CopySideFile(const std::string& name, const std::string& target) {
    const std::string source = SetupFolder() + name;
    if (!fso::FileExists(source)) {
        return;
    }
    DWORD error = fso::CopyFile(source, target + name, true);
    if (error != ERROR_SUCCESS) {
        throw RunTimeFailure{static_cast<std::int32_t>(error),
                             "Could not copy " + source + " to " + target + name};
    }
}

// Writes a settings file anew: its section line, then the language line.
void WriteSettingsFile(const std::string& path, const std::string& section,
                       const std::string& code) {
    RemoveFile(path, true);
    DWORD error = WriteWholeFile(path, section + "\r\nLanguage=" + code + "\r\n");
    if (error != ERROR_SUCCESS) {
        throw RunTimeFailure{static_cast<std::int32_t>(error), "Could not write " + path};
    }
}

void WriteUninstallEntry(display::Surface& form, const Folders& folders) {
    std::string folder = folders.target;
    if (EndsWith(folder, "\\")) {
        folder.pop_back();
    }
    const std::string key = kUninstallKey + SetupConfig.Name;
    RegWriteString(key, "DisplayName", SetupConfig.Name);
    RegWriteString(key, "DisplayIcon", SetupConfig.Executable);
    RegWriteString(key, "Publisher", "Ostrevant");
    RegWriteString(key, "DisplayVersion", SetupConfig.Version);
    SYSTEMTIME today;
    GetLocalTime(&today);
    RegWriteString(key, "InstallDate", InstallDateText(today));
    RegWriteString(key, "UninstallString",
                   folders.system + "OstrevantUninstall.exe '" + SetupConfig.Name + "' '" + folder +
                       "'");
    RegWriteString(key, "Language", form.cmbLanguages().SelectedIndex());
}

} // namespace

const std::vector<FileNameRule>& FileNameRules() {
    // clang-format off
    static const std::vector<FileNameRule> rules = {
        // extensions                     placement                    101              102              registered
        {{"ocx", "dll"},                  Placement::SystemFolder,      Mover::Replace, Mover::Library, true},
        {{"ocx_", "dll_", "tlb_", "olb_"}, Placement::WithoutUnderscore, Mover::Replace, Mover::Library, false},
        {{"sys"},                         Placement::Drivers,           Mover::Replace, Mover::Replace, false},
        {{},                              Placement::SystemFolder,      Mover::Replace, Mover::Replace, false},
    };
    // clang-format on
    return rules;
}

void PlaceCabinetFile(const std::string& Scratch, const std::string& FileName, int Cabinet,
                      const std::string& SystemFolder, std::vector<std::string>& Registration) {
    const FileNameRule& rule = RuleFor(FileName);
    std::string destination;
    switch (rule.placement) {
    case Placement::SystemFolder:
        destination = SystemFolder + FileName;
        break;
    case Placement::WithoutUnderscore:
        destination = SystemFolder + FileName.substr(0, FileName.size() - 1);
        break;
    case Placement::Drivers:
        destination = SystemFolder + "drivers\\" + FileName;
        break;
    }
    if (rule.registered) {
        Registration.push_back(FileName);
    }
    const Mover mover = Cabinet == 102 ? rule.cabinet102 : rule.cabinet101;
    if (mover == Mover::Library) {
        MoveLibrary(Scratch + FileName, destination);
    } else {
        MoveFileReplace(Scratch + FileName, destination);
    }
}

std::string SettingsLanguageCode(const std::string& SelectedIndex) {
    static const char* const codes[] = {"en", "es", "pt", "it", "fr", "es-mx", "ca", "nl", "hr"};
    for (int index = 0; index < 9; ++index) {
        if (SelectedIndex == std::to_string(index)) {
            return codes[index];
        }
    }
    return {};
}

std::string InstallDateText(const SYSTEMTIME& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%04u%02u%02u", date.wYear, date.wMonth, date.wDay);
    return text;
}

void ExtractCab(const std::string& Folder, const std::string& CabName) {
    std::string folder = Folder;
    if (EndsWith(folder, "\\")) {
        folder.pop_back();
    }
    const std::string tool = SystemProgram("extract32.exe");
    if (tool.empty()) {
        ShowSystemError("Extract file :" + Folder + "\\" + CabName, ERROR_FILE_NOT_FOUND);
        return;
    }
    ShellWait(tool + " /Y \"" + Folder + CabName + "\" /L \"" + folder + "\" *.*");
}

void InstallProduct() {
    if (frmMain == nullptr) {
        return;
    }
    display::Surface& form = *frmMain;
    InstallingFlag = true;
    form.barInstall().Start(true);
    form.lblTooltip().SetCaption(GetText("tooltip_wait"));

    Folders folders;
    folders.work = TempFolder() + "Ostrevant\\";
    folders.scratch = folders.work + "extract\\";
    folders.system = SystemDirectory();
    folders.target = form.txtPath().Text();
    folders.settings = AppDataFolder() + SetupConfig.Name + "\\";
    // The work and scratch folders lie in the user's temporary folder, where another process of
    // the user may have put links: a link left there (its removal failed) is not used, and the
    // cabinets that would go through it stay where they are.
    const bool workFolder = CreateRealDirectory(folders.work);
    const bool scratchFolder = workFolder && CreateRealDirectory(folders.scratch);
    CreateDirectory(folders.target);
    CreateDirectory(folders.settings);

    SaveResource("EXTRACT", "DLLS", folders.system + "extract32.exe");

    if (scratchFolder) {
        InstallLibraryCabinet(form, folders, "101.cab", 101);
        RemoveDirectory(folders.scratch, true);
        if (CreateRealDirectory(folders.scratch)) {
            InstallLibraryCabinet(form, folders, "102.cab", 102);
            RemoveDirectory(folders.scratch, true);
        }
    }

    form.lblInstallInfo().SetCaption(GetText("install_extract"));
    if (workFolder) {
        MoveFileReplace(folders.work + "103.cab", folders.target + "103.cab");
        ExtractCab(folders.target, "103.cab");
        RemoveFile(folders.target + "103.cab", true);
    }

    CopySideFile("data.ini", folders.target);
    CopySideFile("fondo.jpg", folders.target);

    const ConfigList<ServiceEntry>& services = SetupConfig.Services;
    for (int i = 1; i <= services.UBound(); ++i) {
        CreateAndStartService(services[i].ServiceName, folders.target + services[i].ServiceFile);
    }

    const std::string code = SettingsLanguageCode(form.cmbLanguages().SelectedIndex());
    WriteSettingsFile(folders.settings + "UserSettings.ini", "[CurrentSettings]", code);
    WriteSettingsFile(folders.target + "DefaultSettings.ini", "[Language]", code);

    if (IsSiblingInstalled()) {
        MigrateSibling();
    }

    WriteUninstallEntry(form, folders);
    form.barInstall().Start(false);
    form.DibujarSeccion(Section::Finished);
    InstallingFlag = false;
}

} // namespace instalio
