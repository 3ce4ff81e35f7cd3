// What a process holds, seen from inside: threads, loaded modules, open handles.
#pragma once

#include <string>

namespace probe {

int ThreadCount();
// Whether the thread count comes to `count` within a few seconds of real time: a thread leaves
// the process a moment after it ended, even after a join has returned.
bool ThreadCountBecomes(int count);
// Whether the library of that file name (as passed to TERMPRO_INIT) is loaded.
bool IsLoaded(const std::string& fileName);
// Open handles of the process on Windows; -1 elsewhere.
int HandleCount();

} // namespace probe
