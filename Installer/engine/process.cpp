#include "process.h"

#include "clock.h"
#include "errorbox.h"
#include "folders.h"
#include "owners.h"

namespace instalio {

namespace {

// The exit code of a process, STILL_ACTIVE while it runs. A process that really ended with the
// code 259 (the value of STILL_ACTIVE) reads as 0, so that waiting for it ends; a code that
// cannot be read reads as 0 as well.
DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code)) {
        return 0;
    }
    if (code == STILL_ACTIVE && WaitForSingleObject(process, 0) == WAIT_OBJECT_0) {
        return 0;
    }
    return code;
}

} // namespace

bool ShellWait(const std::string& CommandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    std::string commandLine = CommandLine; // the platform may write into it
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started)) {
        ShowSystemError("Error in ShellWait() invoke: " + CommandLine,
                        LastErrorOr(ERROR_FILE_NOT_FOUND));
        return false;
    }
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    // Each pass reads the exit code and runs the window's events. While the process runs, the
    // pass then waits for its end, at most 100 ms and waking early for new events: the end is
    // noticed the moment it comes, and the window is never left more than 100 ms unserved.
    for (;;) {
        const bool running = ExitCodeOf(process.get()) == STILL_ACTIVE;
        EngineClock().DoEvents();
        if (!running) {
            return true;
        }
        EngineClock().WaitFor(process.get(), 100);
    }
}

std::string SystemProgram(const std::string& FileName) {
    std::string folder = SystemDirectory();
    return folder.empty() ? std::string() : "\"" + folder + FileName + "\"";
}

} // namespace instalio
