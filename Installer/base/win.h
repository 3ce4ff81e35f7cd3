// The platform's declarations for every unit of the program and its libraries.
//
// Several engine procedures share their names with the platform's ANSI/Unicode switch macros
// (CreateDirectory, RemoveDirectory, MoveFile, DeleteFile, CopyFile). The program calls the
// platform's ...A and ...W entries by their full names, so the macros are dropped here to keep
// them from renaming the engine's own procedures.
#pragma once

#include <windows.h>

#undef CreateDirectory
#undef RemoveDirectory
#undef MoveFile
#undef DeleteFile
#undef CopyFile

namespace instalio {

// The registry view of this module's bitness: a 32-bit module reads and writes the 32-bit view,
// a 64-bit one the 64-bit view. The carried control libraries register in it, and the program
// finds them there.
constexpr REGSAM kOwnRegistryView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;

} // namespace instalio
