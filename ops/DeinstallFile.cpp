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
    earlierWork.CancelFor(context, path);
    if (!os.FileExists(path.c_str())) {
        // Nothing to delete, unless the file could not even be looked for; what the restart
        // would have brought back is taken out all the same.
        if (!SSETUPOS::FoundNothing(GetLastError())) {
            earlierWork.Restore();
            Notify(context, ResultFailed);
            return false;
        }
        performed = !earlierWork.IsEmpty();
        return performed;
    }
    backupPath = os.BackupToTempFolder(path.c_str(), false);
    bool result = false;
    if (!backupPath.empty() && os.RemoveFile(path.c_str())) {
        Notify(context, ResultDeleted);
        result = true;
    } else {
        // In use, or without a copy to bring back: the file stays until the restart, and the
        // rollback of a deletion scheduled then is a cancel, not a restore.
        if (!backupPath.empty()) {
            os.RemoveFile(backupPath.c_str());
            backupPath.clear();
        }
        result = DeleteAtReboot(context);
    }
    if (!result) {
        earlierWork.Restore();
    }
    performed = result;
    return result;
}

bool CDeinstallFile::DeleteAtReboot(IContext& context) {
    deleteScheduled = true;
    const bool scheduled = Os().MoveFileAtReboot(path.c_str(), nullptr);
    Notify(context, scheduled ? ResultAtReboot : ResultFailed);
    // Only a deletion that was written down needs the restart.
    if (scheduled) {
        context.SetRebootNeeded(true);
    }
    return scheduled;
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
    } else {
        result = true;
    }
    result = earlierWork.Restore() && result;
    performed = false;
    return result;
}

void CDeinstallFile::Notify(IContext& context, int result) const {
    const CNotifyRecord record = {result, this};
    SendNotify<IDeinstallFileNotify>(context, record);
}

} // namespace SSETUP
