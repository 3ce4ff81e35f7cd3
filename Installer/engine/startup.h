// Start-up of the setup program: the common controls, the system's language, the machine
// checks, the two control files in the system folder, the configuration, then the wizard.
#pragma once

namespace instalio {

// What start-up needs of the wizard window.
class MainWindow {
public:
    virtual ~MainWindow() = default;
    // Loads the window, which runs its initialisation; false when it could not be made (what
    // failed has been reported in the error box).
    virtual bool Load() = 0;
    // 11: the hourglass; 0: the default pointer.
    virtual void SetMousePointer(int pointer) = 0;
    // Shows the window modeless, with no owner.
    virtual void Show() = 0;
};

// The program's entry: each step runs only when every step before it passed; the first that
// fails ends start-up, before a window exists.
void Main(MainWindow& window);

// InitCommonControlsEx for the user-extended classes; a failure is ignored.
void InitControls();
// Opens the first physical disk for reading and writing; without rights, the information box
// of "error_privileges".
bool CheckAdministrator();
// Windows 95/98/Me (platform 1) gets the information box of "error_old_windows".
bool CheckWindowsVersion();
// The .NET Framework key; missing, the information box of "error_framework".
bool CheckFramework();
// The two control files: the common controls' file, then (only when that one succeeded) the
// Internet transfer file. The last result.
bool InstallControls();
// Loads the wizard window, shows it modeless (the hourglass meanwhile).
void ShowMain(MainWindow& window);

// The file names of the two control files the program carries as DLLS resources.
constexpr const char* kCommonControlsFile = "VMCOMCTL.OCX";
constexpr const char* kInternetTransferFile = "MSINETVM.OCX";

} // namespace instalio
