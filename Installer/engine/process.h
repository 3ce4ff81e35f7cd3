// Child processes of the engine: starting a program hidden and waiting for its end while the
// window stays alive.
#pragma once

#include "clock.h"

#include <string>

namespace instalio {

// The standard handles of a child process: the program's own, or none (nothing the child writes
// goes anywhere).
enum class ChildOutput { Inherited, None };

// How RunHidden ended: the process could not be started, it ended, or it ran past the limit and
// was ended.
enum class ChildEnd { NotStarted, Ended, Stopped };

// Starts `commandLine` as a new process with its window hidden, then waits until it has ended
// through `clock`: each pass reads whether it still runs and runs the thread's events, and while
// it runs waits for its end (at most 100 ms, waking early for the window's events) and goes
// round again. A process that still runs `limitMs` after it started is ended (INFINITE: no
// limit). `code` receives the error of a start that failed, or the exit code of a process that
// ended (1 when it cannot be read).
ChildEnd RunHidden(const std::string& commandLine, ChildOutput output, DWORD limitMs, Clock& clock,
                   DWORD& code);

// Starts CommandLine as a new process with its window hidden and the program's standard handles,
// then waits until it has ended (RunHidden, with no limit, on the engine's clock). True once it
// has ended (its exit code is not passed on). When it cannot be started, shows
// "Error in ShellWait() invoke: " CommandLine and returns false.
bool ShellWait(const std::string& CommandLine);

// The start of a command line that runs the program FileName of the system folder: its full
// path in double quotes. Taken by full path, because process creation would search the setup
// program's own folder and the current folder first. Empty when the system folder cannot be
// found (SystemDirectory has shown its error box).
std::string SystemProgram(const std::string& FileName);

} // namespace instalio
