#include "ops/DeinstallFile.h"
#include "os/FindFile.h"

namespace SSETUP {

CDeinstallFile::CDeinstallFile(const char* path, bool isCritical)
    : CSetupOperationsDefault(true), path(path ? path : ""), isCritical(isCritical) {}

bool CDeinstallFile::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    CQueryRecord query = {true, this};
    if (!AskNeeded<IDeinstallFileNeededQuery>(context, query)) {
        return true;
    }
    SSETUPOS::IOsDependOperations& os = Os();
    if (!os.FileExists(path.c_str())) {
        // Nothing to delete, unless the file could not even be looked for.
        if (!SSETUPOS::FoundNothing(GetLastError())) {
            Notify(context, ResultFailed);
        }
        return false;
    }
    backupPath = os.BackupToTempFolder(path.c_str(), false);
    if (backupPath.empty()) {
        // A file that cannot be backed up is never deleted.
        Notify(context, ResultFailed);
        return false;
    }
    bool result = false;
    if (os.RemoveFile(path.c_str())) {
        Notify(context, ResultDeleted);
        result = true;
    } else {
        // In use: the deletion waits for the restart, and its rollback is a cancel, not a
        // restore, so the backup is of no further use.
        os.RemoveFile(backupPath.c_str());
        backupPath.clear();
        deleteScheduled = true;
        result = os.MoveFileAtReboot(path.c_str(), nullptr);
        Notify(context, result ? ResultAtReboot : ResultFailed);
        // Only a deletion that was written down needs the restart.
        if (result) {
            context.SetRebootNeeded(true);
        }
    }
    performed = result;
    return result;
}

bool CDeinstallFile::Rollback(IContext&) {
    if (!IsPerformed()) {
        return false;
    }
    bool result = false;
    SSETUPOS::IOsDependOperations& os = Os();
    if (!backupPath.empty()) {
        result = os.MoveFileTo(backupPath.c_str(), path.c_str(), false);
        if (result) {
            backupPath.clear();
        }
    } else if (deleteScheduled) {
        result = os.CancelMoveFileAtReboot(path.c_str(), nullptr);
        if (result) {
            deleteScheduled = false;
        }
    }
    performed = false;
    return result;
}

void CDeinstallFile::Notify(IContext& context, int result) const {
    const CNotifyRecord record = {result, this};
    SendNotify<IDeinstallFileNotify>(context, record);
}

} // namespace SSETUP
