#pragma once
// Child processes the installer runs and waits for: RegSvr32.exe and the service executable.
#include <windows.h>

namespace SSETUPCOMDLL {

struct CProcessOutcome {
    bool started;
    // The exit code when the process started, else the error of the failed start.
    DWORD code;
};

// CreateProcessA(applicationName, commandLine) without inherited handles, in the current
// environment and directory; waits without time-out for the process to end.
// applicationName may be null (then the command line names the program).
CProcessOutcome RunAndWait(const char* applicationName, const char* commandLine);

} // namespace SSETUPCOMDLL
