#pragma once
// The single-instance guard, reached through SDP::singleton_auto_pointer; NamePolicy gives
// the instance name (GetMutexName). The name is a named mutex, whose prior existence tells a
// later copy that another one runs, and a registered window message that the later copy
// broadcasts so that the first one brings its windows to the front.
#include <windows.h>
#include <string>

namespace STools {

class CAlreadyLaunchedBase {
public:
    CAlreadyLaunchedBase(const CAlreadyLaunchedBase&) = delete;
    CAlreadyLaunchedBase& operator=(const CAlreadyLaunchedBase&) = delete;

    // The one-time test; later calls do nothing.
    void Check();
    bool IsAlreadyLaunched() {
        Check();
        return alreadyLaunched;
    }
    // The hidden window that answers later copies; false when none exists.
    bool CreateNotifyWindow();
    const std::string& GetName() const { return name; }
    HWND GetNotifyWindow() const { return window; }

    // Restores and raises the thread's visible top-level windows, tool windows excepted.
    static void BringThreadWindowsToFront(DWORD threadId);
    // Whether the user belongs to the built-in administrators group; testDone (may be null)
    // tells whether the test ran to its end. False on systems without access tokens.
    static bool IsUserAdmin(bool* testDone = nullptr);

protected:
    explicit CAlreadyLaunchedBase(const std::string& name);
    ~CAlreadyLaunchedBase();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    void OnMessage(UINT message);

    const std::string name;
    const UINT message;
    HWND window = nullptr;
    HANDLE mutex = nullptr;
    bool alreadyLaunched = false;
    bool testDone = false;
};

template <class NamePolicy> class CAlreadyLaunched : public CAlreadyLaunchedBase {
public:
    CAlreadyLaunched() : CAlreadyLaunchedBase(NamePolicy::GetMutexName()) {}
};

} // namespace STools
