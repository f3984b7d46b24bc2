#include "os/OSManager.h"
#include "os/9xFamilyOperations.h"
#include "os/NtBasedOSOperations.h"

namespace SSETUPOS {

COSManager::COSManager() {
    ZeroMemory(&version, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
}

// The operations object goes first: its destructor removes the setup temp folders.
COSManager::~COSManager() {
    operations.reset();
}

IOsDependOperations* COSManager::GetOperations() {
    if (!operations) {
        if (IsNTPlatform()) {
            operations = std::make_unique<CNtBasedOSOperations>();
        } else {
            operations = std::make_unique<C9xFamilyOperations>();
        }
    }
    return operations.get();
}

} // namespace SSETUPOS
