#pragma once
// Windows 2000, XP and Server 2003: the system keeps the boot-time renames itself.
#include "os/OsDependDefault.h"

namespace SSETUPOS {

class CNtBasedOSOperations : public CIOsDependDefault {
public:
    CNtBasedOSOperations() = default;
    ~CNtBasedOSOperations() override = default;

    bool MoveFileAtReboot(const char* source, const char* target) override;
    // Removes only this request from the system's pending list; other requests stay.
    bool CancelMoveFileAtReboot(const char* source, const char* target) override;
    bool ShutdownSystem(UINT flags) override;
    bool MoveFileTo(const char* source, const char* target, bool replace) override;

protected:
    std::vector<CPendingWork> TakeOutPendingWork(const CFileNames& names) override;
    bool PutBackPendingWork(const CPendingWork& work) override;
};

} // namespace SSETUPOS
