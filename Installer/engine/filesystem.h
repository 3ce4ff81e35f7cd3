// The file and folder operations of the engine, with the semantics of the platform's scripting
// file-system object: a delete without force fails on a read-only file, a move fails onto an
// existing file, a folder is created only below an existing parent. Each returns 0 or the
// system error code of its failure.
#pragma once

#include <string>

#include "win.h"

namespace instalio::fso {

bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);

// Deletes a file; with `force` a read-only file too (ERROR_ACCESS_DENIED without).
DWORD DeleteFile(const std::string& path, bool force);

// True when `path` is a folder that is a link to another folder (a junction or a symbolic link,
// or any other reparse point).
bool IsFolderLink(const std::string& path);

// Deletes a folder with everything in it; with `force` read-only files and folders too. A
// link to another folder (a junction or symbolic link), the folder itself or one inside it, is
// removed as a link: what it points at is left alone.
DWORD DeleteFolder(const std::string& path, bool force);

// Moves a file; fails with ERROR_ALREADY_EXISTS when `destination` exists.
DWORD MoveFile(const std::string& source, const std::string& destination);

// Creates one folder; fails when the path is empty, the folder exists or its parent is missing.
DWORD CreateFolder(const std::string& path);

// Copies a file; with `overwrite` over an existing file, which must not be read-only
// (ERROR_ACCESS_DENIED), without it ERROR_FILE_EXISTS when `destination` exists.
DWORD CopyFile(const std::string& source, const std::string& destination, bool overwrite);

} // namespace instalio::fso
