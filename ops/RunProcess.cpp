#include "ops/RunProcess.h"
#include <string>
#include <vector>

namespace SSETUPCOMDLL {

namespace {

// Closes the process and thread handles of a started child.
class CProcessHandles {
public:
    explicit CProcessHandles(const PROCESS_INFORMATION& info) : info(info) {}
    ~CProcessHandles() {
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
    CProcessHandles(const CProcessHandles&) = delete;
    CProcessHandles& operator=(const CProcessHandles&) = delete;

    HANDLE Process() const { return info.hProcess; }

private:
    const PROCESS_INFORMATION info;
};

} // namespace

CProcessOutcome RunAndWait(const char* applicationName, const char* commandLine) {
    // CreateProcessA may write into the command line.
    const std::string text = commandLine ? commandLine : "";
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(applicationName, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
        return {false, GetLastError()};
    }
    const CProcessHandles handles(info);
    WaitForSingleObject(handles.Process(), INFINITE);
    DWORD exitCode = 0;
    if (!GetExitCodeProcess(handles.Process(), &exitCode)) {
        // An unknown end is no success.
        const DWORD error = GetLastError();
        return {true, error != 0 ? error : static_cast<DWORD>(ERROR_GEN_FAILURE)};
    }
    return {true, exitCode};
}

} // namespace SSETUPCOMDLL
