#pragma once
// The lock that a copy of the installer holds from the moment it reads the machine to plan
// its changes until it has made them (or rolled them back): a machine-wide named mutex. A
// second copy waits for it and then plans from the machine as the first one left it.
#include <windows.h>
#include <functional>

namespace SINSTALL {

class CMachineLock {
public:
    // Long enough for another copy to finish whatever its registrations and services take.
    static constexpr DWORD DefaultLimitMs = 10 * 60 * 1000;

    CMachineLock();
    ~CMachineLock();
    CMachineLock(const CMachineLock&) = delete;
    CMachineLock& operator=(const CMachineLock&) = delete;

    // Takes the lock, waiting up to limitMs for another copy to let it go; onWait runs once
    // when it must wait. Meanwhile the thread's messages are dispatched, so that its windows
    // stay drawn. False when the time is up. A lock the system cannot make is no reason to
    // stop: then there is nothing to wait for.
    bool Acquire(DWORD limitMs, const std::function<void()>& onWait);
    void Release();

private:
    HANDLE mutex;
    bool held = false;
};

} // namespace SINSTALL
