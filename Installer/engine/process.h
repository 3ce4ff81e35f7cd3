// Child processes of the engine: starting a program hidden and waiting for its end while the
// window stays alive.
#pragma once

#include <string>

namespace instalio {

// Starts CommandLine as a new process with its window hidden, then waits until it has ended:
// reads its exit code and runs the event pump, and while the process runs waits for its end
// (at most 100 ms, waking early for the window's events) and again. True once it has ended
// (its exit code is not passed on). When it cannot be started, shows
// "Error in ShellWait() invoke: " CommandLine and returns false.
bool ShellWait(const std::string& CommandLine);

// The start of a command line that runs the program FileName of the system folder: its full
// path in double quotes. Taken by full path, because process creation would search the setup
// program's own folder and the current folder first. Empty when the system folder cannot be
// found (SystemDirectory has shown its error box).
std::string SystemProgram(const std::string& FileName);

} // namespace instalio
