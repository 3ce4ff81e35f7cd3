// The platform's declarations for every engine unit.
//
// Several engine procedures share their names with the platform's ANSI/Unicode switch macros
// (CreateDirectory, RemoveDirectory, MoveFile, DeleteFile, CopyFile). The engine calls the
// platform's ...A entries by their full names, so the macros are dropped here to keep them
// from renaming the engine's own procedures.
#pragma once

#include <windows.h>

#undef CreateDirectory
#undef RemoveDirectory
#undef MoveFile
#undef DeleteFile
#undef CopyFile
