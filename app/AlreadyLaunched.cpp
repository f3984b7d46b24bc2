#include "app/AlreadyLaunched.h"
#include "os/Handles.h"
#include "os/ExplicitCall.h"
#include <memory>
#include <vector>

namespace STools {

namespace {

const char windowClassName[] = "AllreadyLuanchedClassName";
const UINT bringToFrontMessage = WM_USER + 1;
// Gives the later copy's broadcast time to finish before the first copy takes the front.
const DWORD answerDelayMs = 200;
// Not declared for Windows 95 targets; Windows 98 and ME know them.
const UINT getForegroundLockTimeout = 0x2000;
const UINT setForegroundLockTimeout = 0x2001;

HINSTANCE GetModule() {
    return GetModuleHandleA(nullptr);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM windows) {
    reinterpret_cast<std::vector<HWND>*>(windows)->push_back(window);
    return TRUE;
}

bool IsNtFamily() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// On 9x the foreground lock would keep SetForegroundWindow from working for a copy that is
// not in front; it is lifted for the moment only, never written to the user's profile.
class CForegroundLockLifted {
public:
    CForegroundLockLifted() : active(!IsNtFamily()) {
        if (active) {
            SystemParametersInfoA(getForegroundLockTimeout, 0, &previous, 0);
            SystemParametersInfoA(setForegroundLockTimeout, 0, nullptr, 0);
        }
    }
    ~CForegroundLockLifted() {
        if (active) {
            SystemParametersInfoA(setForegroundLockTimeout, 0,
                                  reinterpret_cast<void*>(static_cast<UINT_PTR>(previous)), 0);
        }
    }
    CForegroundLockLifted(const CForegroundLockLifted&) = delete;
    CForegroundLockLifted& operator=(const CForegroundLockLifted&) = delete;

private:
    const bool active;
    DWORD previous = 0;
};

// Lets the first copy take the foreground although this copy started last; only systems
// from Windows 2000 and ME have the call.
void AllowAnyForegroundWindow() {
    try {
        SEXPL_CALL::CLibrary user32("user32.dll");
        user32.GetProcAs<BOOL(WINAPI*)(DWORD)>("AllowSetForegroundWindow")(static_cast<DWORD>(-1));
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
    }
}

using OpenThreadTokenCall = BOOL(WINAPI*)(HANDLE, DWORD, BOOL, PHANDLE);
using OpenProcessTokenCall = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
using GetTokenInformationCall = BOOL(WINAPI*)(HANDLE, TOKEN_INFORMATION_CLASS, LPVOID, DWORD,
                                              PDWORD);
using AllocateAndInitializeSidCall = BOOL(WINAPI*)(PSID_IDENTIFIER_AUTHORITY, BYTE, DWORD, DWORD,
                                                   DWORD, DWORD, DWORD, DWORD, DWORD, DWORD, PSID*);
using EqualSidCall = BOOL(WINAPI*)(PSID, PSID);
using FreeSidCall = PVOID(WINAPI*)(PSID);

bool OpenToken(SEXPL_CALL::CLibrary& advapi, SSETUPOS::CHandle& token) {
    if (advapi.GetProcAs<OpenThreadTokenCall>("OpenThreadToken")(GetCurrentThread(), TOKEN_QUERY,
                                                                 TRUE, token.Receive())) {
        return true;
    }
    if (GetLastError() != ERROR_NO_TOKEN) {
        return false;
    }
    return advapi.GetProcAs<OpenProcessTokenCall>("OpenProcessToken")(
               GetCurrentProcess(), TOKEN_QUERY, token.Receive()) != FALSE;
}

bool ReadGroups(SEXPL_CALL::CLibrary& advapi, HANDLE token, std::unique_ptr<BYTE[]>& buffer) {
    const auto getInformation = advapi.GetProcAs<GetTokenInformationCall>("GetTokenInformation");
    DWORD size = 0;
    if (getInformation(token, TokenGroups, nullptr, 0, &size) ||
        GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        return false;
    }
    buffer.reset(new BYTE[size]);
    return getInformation(token, TokenGroups, buffer.get(), size, &size) != FALSE;
}

bool IsAdministratorInGroups(SEXPL_CALL::CLibrary& advapi, const TOKEN_GROUPS& groups) {
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    PSID administrators = nullptr;
    if (!advapi.GetProcAs<AllocateAndInitializeSidCall>("AllocateAndInitializeSid")(
            &ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
            &administrators)) {
        return false;
    }
    bool found = false;
    try {
        const auto equalSid = advapi.GetProcAs<EqualSidCall>("EqualSid");
        for (DWORD i = 0; i < groups.GroupCount && !found; ++i) {
            found = equalSid(administrators, groups.Groups[i].Sid) != FALSE;
        }
    } catch (...) {
        advapi.GetProcAs<FreeSidCall>("FreeSid")(administrators);
        throw;
    }
    advapi.GetProcAs<FreeSidCall>("FreeSid")(administrators);
    return found;
}

} // namespace

CAlreadyLaunchedBase::CAlreadyLaunchedBase(const std::string& name)
    : name(name), message(RegisterWindowMessageA(name.c_str())) {
    Check();
    if (window == nullptr) {
        CreateNotifyWindow();
    }
}

CAlreadyLaunchedBase::~CAlreadyLaunchedBase() {
    if (window != nullptr && IsWindow(window)) {
        DestroyWindow(window);
    }
    window = nullptr;
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
}

void CAlreadyLaunchedBase::Check() {
    if (testDone) {
        return;
    }
    testDone = true;
    mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    const DWORD error = GetLastError();
    if (mutex != nullptr) {
        WaitForSingleObject(mutex, INFINITE);
    }
    alreadyLaunched = mutex != nullptr && error == ERROR_ALREADY_EXISTS;
    if (alreadyLaunched) {
        AllowAnyForegroundWindow();
    }
    if (mutex != nullptr) {
        ReleaseMutex(mutex);
    }
    PostMessageA(HWND_BROADCAST, message, 0, 0);
}

bool CAlreadyLaunchedBase::CreateNotifyWindow() {
    WNDCLASSA existing = {};
    if (!GetClassInfoA(GetModule(), windowClassName, &existing)) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModule();
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(16));
        windowClass.lpszClassName = windowClassName;
        RegisterClassA(&windowClass);
    }
    window = CreateWindowExA(0, windowClassName, "None", 0, CW_USEDEFAULT, CW_USEDEFAULT, 10, 10,
                             nullptr, nullptr, GetModule(), nullptr);
    if (window != nullptr) {
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    return window != nullptr;
}

void CAlreadyLaunchedBase::OnMessage(UINT received) {
    if (message != 0 && received == message) {
        if (!alreadyLaunched) {
            Sleep(answerDelayMs);
            PostMessageA(window, bringToFrontMessage, 0, 0);
        }
    } else if (received == bringToFrontMessage) {
        BringThreadWindowsToFront(GetCurrentThreadId());
    }
}

LRESULT CALLBACK CAlreadyLaunchedBase::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                                  LPARAM lParam) {
    try {
        if (auto* const guard =
                reinterpret_cast<CAlreadyLaunchedBase*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA))) {
            guard->OnMessage(message);
        }
    } catch (...) {
        // Best effort: the message still gets its default processing.
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

void CAlreadyLaunchedBase::BringThreadWindowsToFront(DWORD threadId) {
    std::vector<HWND> windows;
    EnumThreadWindows(threadId, CollectWindow, reinterpret_cast<LPARAM>(&windows));
    const CForegroundLockLifted lockLifted;
    for (auto it = windows.rbegin(); it != windows.rend(); ++it) {
        if ((GetWindowLongA(*it, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0) {
            continue;
        }
        if (IsIconic(*it)) {
            ShowWindow(*it, SW_RESTORE);
        }
        if (IsWindowVisible(*it)) {
            SetForegroundWindow(*it);
        }
    }
}

bool CAlreadyLaunchedBase::IsUserAdmin(bool* testDone) {
    if (testDone != nullptr) {
        *testDone = false;
    }
    try {
        SEXPL_CALL::CLibrary advapi("advapi32.dll");
        SSETUPOS::CHandle token;
        if (!OpenToken(advapi, token)) {
            return false;
        }
        std::unique_ptr<BYTE[]> groups;
        if (!ReadGroups(advapi, token.Get(), groups)) {
            return false;
        }
        const bool admin =
            IsAdministratorInGroups(advapi, *reinterpret_cast<const TOKEN_GROUPS*>(groups.get()));
        if (testDone != nullptr) {
            *testDone = true;
        }
        return admin;
    } catch (...) {
        return false;
    }
}

} // namespace STools
