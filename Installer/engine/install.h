// The installation sequence: the extraction tool, the libraries of cabinets 101 and 102 in the
// system folder, the application of cabinet 103 in the target folder, the side files, the
// services, the settings files, the sibling takeover and the uninstall entry.
#pragma once

#include <string>
#include <vector>

#include "failure.h"
#include "win.h"

namespace instalio {

// Runs the whole installation for the target folder of txtPath and the language chosen in
// cmbLanguages, showing its progress in section 6, and ends by showing section 7. The
// cabinets "101.cab", "102.cab" and "103.cab" are expected in the work folder. The work and
// scratch folders are made real folders before use (CreateRealDirectory); a cabinet that would
// pass through a link left in their place is not installed. Failures of the
// helpers it calls are silent and the sequence goes on. A failure of its own operations (copying
// a side file, writing a settings file) throws RunTimeFailure: it ends the sequence at that step,
// leaves InstallingFlag set and passes back through DibujarSeccion(6) to CheckForUpdates, which
// shows section 6 once more. Nothing without a wizard window.
void InstallProduct();

// Runs the extraction tool of the system folder on the cabinet Folder & CabName (Folder ends in
// "\") into Folder, and waits for it.
void ExtractCab(const std::string& Folder, const std::string& CabName);

// How a file of cabinet 101 or 102 reaches the system folder.
enum class Placement {
    SystemFolder,      // under its own name
    WithoutUnderscore, // under its name less the last character (the "_" of "dll_")
    Drivers,           // into "drivers\" under its own name
};
enum class Mover {
    Replace, // MoveFileReplace
    Library, // MoveLibrary, version-aware
};

// One row of the file-name rules. The first row whose extensions hold the file's extension
// (GetExtension: lower-cased) applies; a row without extensions takes every file.
struct FileNameRule {
    std::vector<std::string> extensions;
    Placement placement;
    Mover cabinet101;
    Mover cabinet102;
    bool registered;
};

const std::vector<FileNameRule>& FileNameRules();

// Moves FileName from the Scratch folder into SystemFolder by the file-name rules of cabinet
// 101 or 102 (`Cabinet`), and appends it to Registration when it is to be registered (before
// the move).
void PlaceCabinetFile(const std::string& Scratch, const std::string& FileName, int Cabinet,
                      const std::string& SystemFolder, std::vector<std::string>& Registration);

// The language code of the settings files for the text of cmbLanguages' SelectedIndex: "0" to
// "8" give "en", "es", "pt", "it", "fr", "es-mx", "ca", "nl", "hr"; any other text gives "".
std::string SettingsLanguageCode(const std::string& SelectedIndex);

// The uninstall entry's InstallDate: the year, then the month and the day as two digits each.
std::string InstallDateText(const SYSTEMTIME& date);

} // namespace instalio
