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

ChildEnd RunHidden(const std::string& commandLine, ChildOutput output, DWORD limitMs, Clock& clock,
                   DWORD& code) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    if (output == ChildOutput::None) {
        startup.dwFlags |= STARTF_USESTDHANDLES; // and no handles given
    }
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started = {};
    std::string line = commandLine; // the platform may write into it
    // A console program gets no console of its own: nothing shows it, and the platform need not
    // start a console host for every child.
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &started)) {
        code = LastErrorOr(ERROR_FILE_NOT_FOUND);
        return ChildEnd::NotStarted;
    }
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    const ULONGLONG until = GetTickCount64() + limitMs;
    // Each pass reads the exit code and runs the window's events. While the process runs, the
    // pass then waits for its end, at most 100 ms and waking early for new events: the end is
    // noticed the moment it comes, and the window is never left more than 100 ms unserved.
    for (;;) {
        const bool running = ExitCodeOf(process.get()) == STILL_ACTIVE;
        clock.DoEvents();
        if (!running) {
            break;
        }
        if (limitMs != INFINITE && GetTickCount64() >= until) {
            TerminateProcess(process.get(), 1);
            WaitForSingleObject(process.get(), 5000);
            return ChildEnd::Stopped;
        }
        clock.WaitFor(process.get(), 100);
    }
    if (!GetExitCodeProcess(process.get(), &code)) {
        code = 1;
    }
    return ChildEnd::Ended;
}

bool ShellWait(const std::string& CommandLine) {
    DWORD code = 0;
    if (RunHidden(CommandLine, ChildOutput::Inherited, INFINITE, EngineClock(), code) ==
        ChildEnd::NotStarted) {
        ShowSystemError("Error in ShellWait() invoke: " + CommandLine, code);
        return false;
    }
    return true;
}

std::string SystemProgram(const std::string& FileName) {
    std::string folder = SystemDirectory();
    return folder.empty() ? std::string() : "\"" + folder + FileName + "\"";
}

} // namespace instalio
