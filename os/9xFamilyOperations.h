#pragma once
// Windows 95, 98 and ME: boot-time renames are lines of the Rename section of WININIT.INI,
// and there is no replacing move.
#include "os/IniFile.h"
#include "os/OsDependDefault.h"

namespace SSETUPOS {

class C9xFamilyOperations : public CIOsDependDefault {
public:
    using CIOsDependDefault::CIOsDependDefault;
    ~C9xFamilyOperations() override = default;

    bool MoveFileAtReboot(const char* source, const char* target) override;
    bool CancelMoveFileAtReboot(const char* source, const char* target) override;
    bool ShutdownSystem(UINT flags) override;
    // Replacing: the old target is first put aside under the target's name with a digit
    // appended, and brought back when the move fails.
    bool MoveFileTo(const char* source, const char* target, bool replace) override;

    // The WININIT.INI that the system reads at the next start.
    std::string GetWininitPath();
    using RenameEdit = void (SWININIT::CIniFile::*)(const char*, const char*, const char*);
    bool EditRenameSection(const char* source, const char* target, RenameEdit edit);

protected:
    std::vector<CPendingWork> TakeOutPendingWork(const CFileNames& names) override;
    bool PutBackPendingWork(const CPendingWork& work) override;

private:
    // WININIT.INI was not there before this process scheduled a rename.
    bool createdWininit = false;
};

} // namespace SSETUPOS
