// Folder helpers of the engine: creating and removing folder trees, and the platform folders
// the installation writes to. Every folder path these procedures return ends in "\".
#pragma once

#include <string>

#include "win.h"

namespace instalio {

// Shell folder numbers in use.
namespace Csidl {
constexpr int DesktopDirectory = 16; // CSIDL_DESKTOPDIRECTORY
constexpr int CommonPrograms = 23;   // CSIDL_COMMON_PROGRAMS
constexpr int AppData = 26;          // CSIDL_APPDATA
constexpr int ProgramFiles = 38;     // CSIDL_PROGRAM_FILES
} // namespace Csidl

// Creates the folder Path with every missing parent. True when it exists afterwards, also when
// it existed before. On failure shows "Error in CreateDirectory():" Path and returns false;
// folders created before the failure stay.
bool CreateDirectory(const std::string& Path);

// Makes Path a real folder for the setup's own files: a folder that exists there as a link (a
// junction or a symbolic link) is removed, as a link, before the folder is created, so that
// nothing meant for Path lands in the folder the link points at. False only when a link is
// left at Path (its removal failed, and was reported as RemoveDirectory reports it): the caller
// then puts nothing there. A folder that cannot be created is reported as CreateDirectory
// reports it, and gives true.
bool CreateRealDirectory(const std::string& Path);

// Creates each missing folder along Path from the root down, skipping a drive ("X:"). Stops at
// the first failing creation and returns its system error code (0 when all went well).
DWORD CreateDirectoryTree(const std::string& Path);

// Deletes the folder Path (one final "\" dropped) with everything in it, read-only files too; a
// folder that is a link is removed as a link. True also when there was nothing to delete. On
// failure shows "Could not remove directory: " and the shortened Path when ShowMessage is set, and
// returns false.
bool RemoveDirectory(const std::string& Path, bool ShowMessage);

// The system folder, or the WOW64 system folder for a 32-bit process on 64-bit Windows. On
// failure shows "Error in SystemDirectory() invoke:" and returns an empty text.
std::string SystemDirectory();

// True when Path is a full path: a drive and "\", or a network path ("\\host\..."). Any other
// path is found from the current folder, or the current drive, at each use.
bool IsFullPath(const std::string& Path);

// The full path that Path leads to from the current folder (the platform's full-path
// resolution: ".." and "." resolved, "/" read as "\", a final "\" kept); Path itself when the
// platform cannot resolve it.
std::string FullPathOf(const std::string& Path);

// The platform's temporary folder (it ends in "\"); empty when the platform cannot give it.
std::string TempFolder();

// The folder of the running setup program, ending in "\"; empty when the platform cannot give
// it.
std::string SetupFolder();

// The shell folder number Csidl, not created when missing; "\" alone when the shell does not
// know the folder.
std::string SpecialFolder(int Csidl);
std::string ProgramFilesFolder();
std::string AppDataFolder();

} // namespace instalio
