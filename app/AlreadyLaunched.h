#pragma once
// The single-instance guard, reached through SDP::singleton_auto_pointer; NamePolicy gives
// the instance name (GetMutexName).
//
// Stand-in: it claims nothing and reports that no other copy runs; the named mutex and the
// window handshake take its place behind this same interface.
#include <string>

namespace STools {

template <class NamePolicy> class CAlreadyLaunched {
public:
    CAlreadyLaunched() : name(NamePolicy::GetMutexName()) {}
    CAlreadyLaunched(const CAlreadyLaunched&) = delete;
    CAlreadyLaunched& operator=(const CAlreadyLaunched&) = delete;

    bool IsAlreadyLaunched() const { return false; }
    // Whether the user belongs to the administrators group; testDone tells whether the
    // test ran to its end.
    static bool IsUserAdmin(bool* testDone = nullptr) {
        if (testDone != nullptr) {
            *testDone = false;
        }
        return false;
    }
    const std::string& GetName() const { return name; }

private:
    const std::string name;
};

} // namespace STools
