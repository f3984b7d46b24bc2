#include "app/MachineLock.h"
#include <string>

namespace SINSTALL {

namespace {

const char kName[] = "Zentavo drivers setup is changing the system "
                     "{3F6A2C91-7B4E-4D58-9E07-C1B82D5A64F3}";

// Machine-wide on every system: the NT family from Windows 2000 on keeps a name per session
// unless it says Global; earlier systems have one name space, and a backslash in the name
// makes the call fail there.
HANDLE OpenLock() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    const bool sessions = GetVersionExA(&version) &&
                          version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                          version.dwMajorVersion >= 5;
    const std::string name = std::string(sessions ? "Global\\" : "") + kName;
    return CreateMutexA(nullptr, FALSE, name.c_str());
}

void DispatchPendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

} // namespace

CMachineLock::CMachineLock() : mutex(OpenLock()) {}

CMachineLock::~CMachineLock() {
    Release();
    if (mutex != nullptr) {
        CloseHandle(mutex);
    }
}

bool CMachineLock::Acquire(DWORD limitMs, const std::function<void()>& onWait) {
    if (mutex == nullptr || held) {
        return true;
    }
    DWORD result = WaitForSingleObject(mutex, 0);
    if (result == WAIT_TIMEOUT) {
        onWait();
        const DWORD start = GetTickCount();
        for (;;) {
            const DWORD waited = GetTickCount() - start;
            if (waited >= limitMs) {
                return false;
            }
            result = MsgWaitForMultipleObjects(1, &mutex, FALSE, limitMs - waited, QS_ALLINPUT);
            if (result != WAIT_OBJECT_0 + 1) {
                break;
            }
            DispatchPendingMessages();
        }
    }
    // A copy that ended without letting go leaves the lock abandoned: it is taken all the same,
    // and the machine is read as that copy left it.
    held = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return held || result != WAIT_TIMEOUT;
}

void CMachineLock::Release() {
    if (held) {
        ReleaseMutex(mutex);
        held = false;
    }
}

} // namespace SINSTALL
