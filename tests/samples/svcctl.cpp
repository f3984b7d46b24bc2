// Drives one service through the service control manager and prints what it sees:
//   samples_svcctl <service name> <step>...
// steps: "query" (state, type, start type and binary path), "start", "stop". Start and stop
// wait until the service leaves its pending state (bounded), then print the state reached.
//   samples_svcctl --spawn <program> <command line>
// starts the program with exactly that command line, the way the installer runs the service
// executable (the switch alone, without the program path), and prints "exit <code>".
#include <windows.h>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ServiceHandle() {
        if (handle_)
            CloseServiceHandle(handle_);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE Get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

DWORD WaitWhile(SC_HANDLE service, DWORD pendingState) {
    SERVICE_STATUS status = {};
    for (int poll = 0; poll < 100; ++poll) {
        if (!QueryServiceStatus(service, &status))
            return 0;
        if (status.dwCurrentState != pendingState)
            break;
        Sleep(100);
    }
    return status.dwCurrentState;
}

void Query(SC_HANDLE service) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(service, &status)) {
        std::printf("query error %lu\n", GetLastError());
        return;
    }
    DWORD needed = 0;
    QueryServiceConfigA(service, nullptr, 0, &needed);
    std::vector<char> buffer(needed ? needed : 1);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    if (!QueryServiceConfigA(service, config, needed, &needed)) {
        std::printf("query config error %lu\n", GetLastError());
        return;
    }
    std::printf("state=%lu type=0x%lx start=%lu path=%s\n", status.dwCurrentState,
                config->dwServiceType, config->dwStartType, config->lpBinaryPathName);
}

int Spawn(const char* program, const char* commandLine) {
    std::vector<char> line(commandLine, commandLine + std::strlen(commandLine) + 1);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(program, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("spawn error %lu\n", GetLastError());
        return 1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("exit %lu\n", exitCode);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--spawn") == 0)
        return Spawn(argv[2], argv[3]);
    if (argc < 3) {
        std::printf("usage: samples_svcctl NAME STEP...\n");
        return 2;
    }
    ServiceHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager.Get()) {
        std::printf("manager error %lu\n", GetLastError());
        return 1;
    }
    ServiceHandle service(
        OpenServiceA(manager.Get(), argv[1],
                     SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG | SERVICE_START | SERVICE_STOP));
    if (!service.Get()) {
        std::printf("open error %lu\n", GetLastError());
        return 1;
    }
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "query") == 0) {
            Query(service.Get());
        } else if (std::strcmp(argv[i], "start") == 0) {
            if (StartServiceA(service.Get(), 0, nullptr))
                std::printf("start ok state=%lu\n",
                            WaitWhile(service.Get(), SERVICE_START_PENDING));
            else
                std::printf("start error %lu\n", GetLastError());
        } else if (std::strcmp(argv[i], "stop") == 0) {
            SERVICE_STATUS status = {};
            if (ControlService(service.Get(), SERVICE_CONTROL_STOP, &status))
                std::printf("stop ok state=%lu\n", WaitWhile(service.Get(), SERVICE_STOP_PENDING));
            else
                std::printf("stop error %lu\n", GetLastError());
        } else {
            std::printf("unknown step %s\n", argv[i]);
            return 2;
        }
    }
    return 0;
}
