#include "ops/InstallFile.h"
#include "os/FindFile.h"
#include "setup/Visitor.h"

namespace SSETUP {

namespace {

// The folder of a path: its text before the last backslash.
std::string FolderOf(const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A file copied from a read-only medium is read-only itself (Windows copies the attribute
// along); it could be neither deleted nor overwritten by a rollback.
void MakeWritable(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    }
}

} // namespace

CInstallFile::CInstallFile(const char* sourcePath, const char* targetPath, bool isCritical)
    : CSetupOperationsDefault(true), sourcePath(sourcePath ? sourcePath : ""),
      targetPath(targetPath ? targetPath : ""), isCritical(isCritical) {}

bool CInstallFile::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    CQueryRecord query = {true, this};
    if (!AskNeeded<IInstallFileNeededQuery>(context, query)) {
        return true;
    }
    SSETUPOS::IOsDependOperations& os = Os();
    if (os.FileExists(sourcePath.c_str())) {
        earlierWork.CancelFor(context, targetPath);
        const bool targetExists = os.FileExists(targetPath.c_str());
        if (!targetExists && !SSETUPOS::FoundNothing(GetLastError())) {
            // Not known to be new: overwritten without a copy, or deleted by the rollback.
            earlierWork.Restore();
            Notify(context, ResultFailed, std::string());
            return false;
        }
        if (targetExists) {
            backupPath = os.BackupToTempFolder(targetPath.c_str(), false);
        }
        // Overwritten without a copy, the previous file could never be put back: it is
        // replaced at the restart instead, which leaves it as it is until then.
        if ((!targetExists || !backupPath.empty()) &&
            os.CopyFileTo(sourcePath.c_str(), targetPath.c_str(), true)) {
            createdTarget = !targetExists;
            Notify(context, ResultCopied, std::string());
            performed = true;
            return true;
        }
        if (ReplaceAtReboot(context)) {
            return true;
        }
        earlierWork.Restore();
    }
    Notify(context, ResultFailed, std::string());
    return false;
}

bool CInstallFile::ReplaceAtReboot(IContext& context) {
    SSETUPOS::IOsDependOperations& os = Os();
    pendingTempPath = os.CopyToUniqueName(sourcePath.c_str(), FolderOf(targetPath).c_str());
    if (!pendingTempPath.empty() &&
        os.MoveFileAtReboot(pendingTempPath.c_str(), targetPath.c_str())) {
        // The target stays as it is until the restart: the rollback only cancels the
        // rename and has nothing to copy back over a file in use.
        backupPath.clear();
        context.SetRebootNeeded(true);
        Notify(context, ResultAtReboot, pendingTempPath);
        performed = true;
        return true;
    }
    if (!pendingTempPath.empty()) {
        // Nothing will ever use the copy: the restart would not rename it.
        if (!os.RemoveFile(pendingTempPath.c_str())) {
            Notify(context, ResultUndoFailed, pendingTempPath);
        }
        pendingTempPath.clear();
    }
    return false;
}

bool CInstallFile::Rollback(IContext& context) {
    if (!IsPerformed()) {
        return false;
    }
    SSETUPOS::IOsDependOperations& os = Os();
    bool result = false;
    if (!backupPath.empty()) {
        result = RestoreBackup();
        if (!result) {
            Notify(context, ResultRestoreFailed, backupPath);
        }
        backupPath.clear();
    }
    if (!pendingTempPath.empty()) {
        // The copy goes even when the rename stays: a rename without its source does nothing.
        const bool cancelled =
            os.CancelMoveFileAtReboot(pendingTempPath.c_str(), targetPath.c_str());
        result = os.RemoveFile(pendingTempPath.c_str()) && cancelled;
        if (!result) {
            Notify(context, ResultUndoFailed, pendingTempPath);
        }
        pendingTempPath.clear();
    }
    if (createdTarget) {
        MakeWritable(targetPath);
        result = os.RemoveFile(targetPath.c_str());
        if (!result) {
            Notify(context, ResultUndoFailed, std::string());
        }
        createdTarget = false;
    }
    if (!earlierWork.IsEmpty()) {
        result = earlierWork.Restore() && result;
    }
    performed = false;
    return result;
}

bool CInstallFile::RestoreBackup() {
    SSETUPOS::IOsDependOperations& os = Os();
    MakeWritable(targetPath);
    // Copying over first: the target is removed only when it cannot be overwritten, and the
    // backup itself is moved only when it cannot be copied, so that a failure loses nothing
    // that a later step could still use.
    if (os.CopyFileTo(backupPath.c_str(), targetPath.c_str(), true)) {
        return true;
    }
    os.RemoveFile(targetPath.c_str());
    if (os.CopyFileTo(backupPath.c_str(), targetPath.c_str(), true)) {
        return true;
    }
    return os.MoveFileTo(backupPath.c_str(), targetPath.c_str(), true);
}

void CInstallFile::Accept(SSetupVisitor::IVisitor& visitor) {
    visitor.Visit(static_cast<const IInstallFileOperation*>(this));
}

void CInstallFile::Notify(IContext& context, int result, const std::string& tempPath) const {
    const CNotifyRecord record = {this, tempPath, result};
    SendNotify<IInstallFileNotify>(context, record);
}

} // namespace SSETUP
