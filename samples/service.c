// The package's service executable, a self-registering service program:
//   zvService.exe /Service       registers itself as the own-process, demand-start service
//                                "Zentavo Service" (an existing registration gets this
//                                path); exit code 0, or the system error code
//   zvService.exe /UnRegServer   stops the service if it runs and deletes it; exit code 0
//                                also when there was no such service, else the error code
//   started by the service control manager: runs until told to stop.
// Switches may begin with "/" or "-", any letter case, anywhere on the command line (the
// installer passes the switch alone, without the program path).
//
// Test switches: a REG_DWORD "ServiceExitCode" or "UnRegServerExitCode" under
//   HKLM\SOFTWARE\Morvisk\TestSwitches\zvService
// makes that command do nothing and exit with the given code; a REG_DWORD "StartPendingMs"
// there makes the started service report "start pending" for that many milliseconds first.
#include <windows.h>

#define SERVICE_NAME "Zentavo Service"
#define SWITCHES_KEY "SOFTWARE\\Morvisk\\TestSwitches\\zvService"

static SERVICE_STATUS_HANDLE g_statusHandle;
static HANDLE g_stopEvent;

static BOOL ReadSwitch(const char* name, DWORD* value) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SWITCHES_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return FALSE;
    DWORD type = 0;
    DWORD size = sizeof(*value);
    const LONG read = RegQueryValueExA(key, name, NULL, &type, (BYTE*)value, &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(*value);
}

// TRUE when the command line holds "/word" or "-word" as a token of its own.
static BOOL HasSwitch(const char* commandLine, const char* word) {
    const char* p = commandLine;
    char token[64];
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        const BOOL quoted = *p == '"';
        if (quoted)
            ++p;
        int length = 0;
        while (*p && (quoted ? *p != '"' : (*p != ' ' && *p != '\t'))) {
            if (length < (int)sizeof(token) - 1)
                token[length++] = *p;
            ++p;
        }
        if (quoted && *p == '"')
            ++p;
        token[length] = '\0';
        if ((token[0] == '/' || token[0] == '-') && lstrcmpiA(token + 1, word) == 0)
            return TRUE;
    }
    return FALSE;
}

static DWORD RegisterService(void) {
    char path[MAX_PATH + 2];
    path[0] = '"';
    const DWORD length = GetModuleFileNameA(NULL, path + 1, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return ERROR_BAD_PATHNAME;
    lstrcatA(path, "\"");

    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE);
    if (!manager)
        return GetLastError();
    DWORD result = ERROR_SUCCESS;
    SC_HANDLE service = CreateServiceA(manager, SERVICE_NAME, SERVICE_NAME, SERVICE_ALL_ACCESS,
                                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                       SERVICE_ERROR_NORMAL, path, NULL, NULL, NULL, NULL, NULL);
    if (!service && GetLastError() == ERROR_SERVICE_EXISTS) {
        service = OpenServiceA(manager, SERVICE_NAME, SERVICE_CHANGE_CONFIG);
        if (service &&
            !ChangeServiceConfigA(service, SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                  SERVICE_ERROR_NORMAL, path, NULL, NULL, NULL, NULL, NULL, NULL))
            result = GetLastError();
    }
    if (!service)
        result = GetLastError();
    else
        CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

static DWORD UnregisterService(void) {
    SC_HANDLE manager = OpenSCManagerA(NULL, NULL, SC_MANAGER_CONNECT);
    if (!manager)
        return GetLastError();
    SC_HANDLE service =
        OpenServiceA(manager, SERVICE_NAME, SERVICE_STOP | SERVICE_QUERY_STATUS | DELETE);
    DWORD result = ERROR_SUCCESS;
    if (!service) {
        result = GetLastError();
        CloseServiceHandle(manager);
        return result == ERROR_SERVICE_DOES_NOT_EXIST ? ERROR_SUCCESS : result;
    }
    SERVICE_STATUS status;
    if (ControlService(service, SERVICE_CONTROL_STOP, &status)) {
        for (int poll = 0; poll < 50 && status.dwCurrentState != SERVICE_STOPPED; ++poll) {
            Sleep(100);
            if (!QueryServiceStatus(service, &status))
                break;
        }
    }
    if (!DeleteService(service))
        result = GetLastError();
    CloseServiceHandle(service);
    CloseServiceHandle(manager);
    return result;
}

static void ReportState(DWORD state) {
    SERVICE_STATUS status;
    ZeroMemory(&status, sizeof(status));
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWaitHint = state == SERVICE_STOP_PENDING ? 2000 : 0;
    SetServiceStatus(g_statusHandle, &status);
}

static void WINAPI ControlHandler(DWORD control) {
    if (control == SERVICE_CONTROL_STOP || control == SERVICE_CONTROL_SHUTDOWN) {
        ReportState(SERVICE_STOP_PENDING);
        SetEvent(g_stopEvent);
    }
}

static void WINAPI ServiceMain(DWORD argc, LPSTR* argv) {
    (void)argc;
    (void)argv;
    g_statusHandle = RegisterServiceCtrlHandlerA(SERVICE_NAME, ControlHandler);
    if (!g_statusHandle)
        return;
    g_stopEvent = CreateEventA(NULL, TRUE, FALSE, NULL);
    if (!g_stopEvent) {
        ReportState(SERVICE_STOPPED);
        return;
    }
    DWORD pending = 0;
    if (ReadSwitch("StartPendingMs", &pending)) {
        ReportState(SERVICE_START_PENDING);
        Sleep(pending);
    }
    ReportState(SERVICE_RUNNING);
    WaitForSingleObject(g_stopEvent, INFINITE);
    CloseHandle(g_stopEvent);
    ReportState(SERVICE_STOPPED);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    const char* const fullCommandLine = GetCommandLineA();
    DWORD forcedExit = 0;
    if (HasSwitch(fullCommandLine, "Service"))
        return (int)(ReadSwitch("ServiceExitCode", &forcedExit) ? forcedExit : RegisterService());
    if (HasSwitch(fullCommandLine, "UnRegServer"))
        return (int)(ReadSwitch("UnRegServerExitCode", &forcedExit) ? forcedExit
                                                                    : UnregisterService());
    SERVICE_TABLE_ENTRYA table[] = {{(LPSTR)SERVICE_NAME, ServiceMain}, {NULL, NULL}};
    if (!StartServiceCtrlDispatcherA(table))
        return (int)GetLastError();
    return 0;
}
