#pragma once
// Copies one file of the distributive to its place, keeping a backup of the file it replaces;
// a target in use, or one that cannot be backed up, is replaced at the next restart through a
// temporary copy beside it. Restart work an earlier run left for the target is taken out
// first.
#include "ops/EarlierWork.h"
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <string>

namespace SSETUP {

// The view of a file install that visitors and notification handlers get.
class IInstallFileOperation {
public:
    virtual std::string GetTargetPath() const = 0;
    virtual std::string GetSourcePath() const = 0;

protected:
    ~IInstallFileOperation() = default;
};

class CInstallFile : public CSetupOperationsDefault, public IInstallFileOperation {
public:
    // Values of CNotifyRecord::result.
    enum : int {
        ResultCopied = 0,   // the source was copied over the target
        ResultFailed = 1,   // the install failed
        ResultAtReboot = 2, // target in use: tempPath replaces it at the next restart
        // From Rollback: the previous file could not be put back; tempPath names the backup
        // that still holds it.
        ResultRestoreFailed = 3,
        // From Rollback: the copy the install made stays (tempPath empty), or so does its
        // replacement at the next restart (tempPath names the waiting copy).
        ResultUndoFailed = 4,
    };

    struct CQueryRecord {
        bool needed;
        const IInstallFileOperation* operation;
    };
    struct CNotifyRecord {
        const IInstallFileOperation* operation;
        std::string tempPath;
        int result;
    };

    class IInstallFileNeededQuery : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IInstallFileNeededQuery";
        const char* GetInterfaceName() const override { return InterfaceName; }
        // May set record.needed to false; may act on the target (clear read-only).
        virtual void Query(CQueryRecord& record) = 0;

    protected:
        ~IInstallFileNeededQuery() = default;
    };

    class IInstallFileNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IInstallFileNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IInstallFileNotify() = default;
    };

    // Full paths.
    CInstallFile(const char* sourcePath, const char* targetPath, bool isCritical);

    bool Perform(IContext& context) override;
    bool Rollback(IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    // True while a temporary copy waits to replace the target at the next restart.
    bool IsRebootPending() const override { return !pendingTempPath.empty(); }
    void Accept(SSetupVisitor::IVisitor& visitor) override;

    std::string GetTargetPath() const override { return targetPath; }
    std::string GetSourcePath() const override { return sourcePath; }

private:
    // Puts the backup over the target; true when the previous file is back in place.
    bool RestoreBackup();
    void Notify(IContext& context, int result, const std::string& tempPath) const;

    // Schedules the replacement at the restart; false when it cannot be.
    bool ReplaceAtReboot(IContext& context);

    std::string backupPath;
    std::string pendingTempPath;
    CEarlierWork earlierWork;
    // The copy made the target: the rollback removes it, there being nothing to put back.
    bool createdTarget = false;
    const std::string sourcePath;
    const std::string targetPath;
    const bool isCritical;
};

} // namespace SSETUP
