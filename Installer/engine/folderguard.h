// The guard of a folder deletion that an untrusted path steers (the sibling takeover takes its
// folder from a registry value): roots, the system's own folders and the users' profiles are
// never deleted, named directly or through links.
#pragma once

#include <string>
#include <vector>

namespace instalio {

// True when Folder names a root: of a drive ("X:\", "X:", "\"), of a network share
// ("\\host\share\", "\\?\UNC\host\share\", "\\.\UNC\host\share\"), of a volume ("\\?\X:\",
// "\\?\Volume{…}\"), or any path of the object namespace ("\\?\GLOBALROOT\…"). "\\?\" and "\\.\"
// count alike. A path that cannot be worked out counts as a root.
bool IsDriveRoot(const std::string& Folder);

// True when the existing folder Folder must not be deleted. Folder is compared as written and as
// it resolves through every link (opened, then asked for its final path): refused are a root, a
// folder that is or holds the Windows folder, a system folder, a Program Files folder, the
// ProgramData folder, the users' root folder, the current user's profile folder or one of Keep,
// and a user's profile folder (any folder directly in the users' root). Refused too is a folder
// that cannot be opened and resolved.
bool IsProtectedFolder(const std::string& Folder, const std::vector<std::string>& Keep);

} // namespace instalio
