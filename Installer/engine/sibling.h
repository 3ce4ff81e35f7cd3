// The takeover of a sibling product of the same maker: its data files are copied into the target
// folder, then the sibling is removed (its folder, its shortcuts and its uninstall entry).
#pragma once

#include <string>

namespace instalio {

// The sibling of the configured product: "Plandor .Net" for the Name "Tavrin Pro EU" (exactly),
// "Vessmark .Net" for every other Name. It names the sibling's uninstall key, its Programs-menu
// folder and its shortcut files.
std::string SiblingProduct();

// True when the sibling's uninstall key opens.
bool IsSiblingInstalled();

// Takes the sibling over. Its folder is the last single-quoted argument of its uninstall
// entry's UninstallString. When that folder is a full path and exists: its *.mdb, *.ini and *.cop
// files are copied into the target folder (the text of txtPath), overwriting; the folder is
// deleted, unless IsProtectedFolder refuses it (a root, a folder of the system or of the users,
// one that holds the target folder or the setup program); the sibling's Programs-menu
// folder and desktop shortcut are deleted, read-only or not; its Quick Launch shortcut is deleted
// unless read-only. Last, the uninstall key is deleted. Reports nothing: the first failure ends the
// takeover at that step. Nothing without a wizard window.
void MigrateSibling();

} // namespace instalio
