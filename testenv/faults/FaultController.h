#pragma once
// The fault build's controller: it runs the NT-family flows as well, which the shipped
// program's gate keeps closed, so that the procedures of both families are swept; and it
// waits for another copy only as long as MORVISK_LOCK_WAIT_MS says, when set.
#include "app/MainInstall.h"
#include <cstdlib>

class CFaultController : public SINSTALL::CMainInstall {
protected:
    bool IsWindows9xFamily() const override { return true; }
    DWORD GetMachineLockLimit() const override {
        char text[16] = "";
        return GetEnvironmentVariableA("MORVISK_LOCK_WAIT_MS", text, sizeof text) > 0
                   ? std::strtoul(text, nullptr, 10)
                   : CMainInstall::GetMachineLockLimit();
    }
};
