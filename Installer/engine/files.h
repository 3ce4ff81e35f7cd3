// Single-file helpers of the engine. The procedures with a message report a failure in the
// error box (silent while the installation runs) and return their failure value.
#pragma once

#include <string>
#include <vector>

namespace instalio {

// Replaces Destination by Source: deletes an existing Destination (without force, so a
// read-only one stops it), then moves Source there. On failure shows "Could not move file: "
// Destination; a Destination already deleted stays deleted.
void MoveFileReplace(const std::string& Source, const std::string& Destination);

// Deletes a file, read-only or not. True also when there was nothing to delete. On failure
// shows "Could not remove file: " Path when ShowMessage is set, and returns false.
bool RemoveFile(const std::string& Path, bool ShowMessage);

// The text after the last "." of FileName, lower-cased; the whole name lower-cased when it has
// no ".". The search does not stop at a "\".
std::string GetExtension(const std::string& FileName);

// The names of the files directly in Folder (which ends in "\"), in the platform's listing
// order: normal, read-only, hidden, system and archive files, no folders. Empty when the folder
// cannot be listed.
std::vector<std::string> FilesIn(const std::string& Folder);

} // namespace instalio
