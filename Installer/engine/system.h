// The few system queries that the engine's checks depend on, kept in one replaceable record so
// that a test can stand in for a system that Wine cannot be (a 32-bit process under WOW64, an
// old Windows, a user without rights). Every other platform call is made directly.
#pragma once

#include "win.h"

namespace instalio {

struct SystemQueries {
    // An entry of a module already loaded in the process (GetModuleHandleA, GetProcAddress);
    // null when the module or the entry is missing.
    FARPROC (*ModuleEntry)(const char* module, const char* entry);
    // GetVersionExA.
    BOOL(WINAPI* GetVersionExA)(LPOSVERSIONINFOA info);
    // Opens a raw disk such as "\\.\PHYSICALDRIVE0" for reading and writing, shared for both
    // (CreateFileA, OPEN_EXISTING); INVALID_HANDLE_VALUE when it cannot be opened.
    HANDLE (*OpenRawDisk)(const char* path);
};

// The queries in use: the platform's own unless a test has replaced a member.
extern SystemQueries System;

// The platform's own queries.
SystemQueries PlatformQueries();

// True unless the process runs under WOW64 (a 32-bit process on 64-bit Windows). A system
// without IsWow64Process, or a call of it that fails, counts as not WOW64.
bool Is32BitWindows();

} // namespace instalio
