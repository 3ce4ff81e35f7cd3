// The directory listing behind the folder tree, as the window system's drive and folder list
// boxes give it: the drives, a drive's type, and a folder's sub-folders. One replaceable record,
// so that a test can present what Wine cannot (a drive without a medium, a folder that cannot
// be listed).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace instalio::ui {

struct FolderListing {
    // One entry per drive, in drive order, as a drive list box shows it: the lower-case letter
    // and a colon, then a blank and the volume label in brackets where a fixed drive has one.
    std::vector<std::string> (*Drives)();
    // GetDriveTypeA of the text given, exactly.
    UINT (*DriveType)(const std::string& entry);
    // The immediate sub-folders of `folder` (which ends in "\") as full paths without a final
    // "\", sorted by name; hidden and system folders are left out. A RunTimeFailure when the
    // folder cannot be listed: 68 (device unavailable) for a drive without a medium.
    std::vector<std::string> (*SubFolders)(const std::string& folder);
};

// The listing in use: the platform's unless a test has replaced a member.
extern FolderListing Listing;

// The platform's own listing.
FolderListing PlatformListing();

} // namespace instalio::ui
