#pragma once
// The process-wide OS manager: reads the OS version once and picks the family's operations.
// Reach it through SDP::singleton_auto_pointer<SSETUPOS::COSManager>.
#include "os/OsDependOperations.h"
#include <memory>

namespace SSETUPOS {

class COSManager {
public:
    COSManager();
    ~COSManager();
    COSManager(const COSManager&) = delete;
    COSManager& operator=(const COSManager&) = delete;

    // Created on first use: the NT family's operations when the platform id is 2, else 9x.
    IOsDependOperations* GetOperations();
    const OSVERSIONINFOA& GetVersionInfo() const { return version; }
    bool IsNTPlatform() const { return version.dwPlatformId == VER_PLATFORM_WIN32_NT; }

private:
    std::unique_ptr<IOsDependOperations> operations;
    OSVERSIONINFOA version;
};

} // namespace SSETUPOS
