#pragma once
// Removes one installed file, keeping a backup for the rollback; a file in use, or one that
// cannot be backed up, is deleted at the next restart instead. Restart work an earlier run
// left for the file is taken out first.
#include "ops/EarlierWork.h"
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <string>

namespace SSETUP {

// The view of a file deinstall that notification handlers get.
class IDeinstallFileOperation {
public:
    virtual std::string GetPath() const = 0;

protected:
    ~IDeinstallFileOperation() = default;
};

class CDeinstallFile : public CSetupOperationsDefault, public IDeinstallFileOperation {
public:
    // Values of CNotifyRecord::result.
    enum : int {
        ResultDeleted = 1,  // the file was deleted
        ResultFailed = 2,   // the deletion failed
        ResultAtReboot = 3, // the file is deleted at the next restart
    };

    struct CQueryRecord {
        bool needed;
        const IDeinstallFileOperation* operation;
    };
    struct CNotifyRecord {
        int result;
        const IDeinstallFileOperation* operation;
    };

    class IDeinstallFileNeededQuery : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IDeinstallFileNeededQuery";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Query(CQueryRecord& record) = 0;

    protected:
        ~IDeinstallFileNeededQuery() = default;
    };

    class IDeinstallFileNotify : public IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IDeinstallFileNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IDeinstallFileNotify() = default;
    };

    CDeinstallFile(const char* path, bool isCritical);

    bool Perform(IContext& context) override;
    bool Rollback(IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    void Accept(SSetupVisitor::IVisitor&) override {}

    std::string GetPath() const override { return path; }

private:
    void Notify(IContext& context, int result) const;
    // Schedules the deletion at the restart; false when it cannot be.
    bool DeleteAtReboot(IContext& context);

    const std::string path;
    const bool isCritical;
    std::string backupPath;
    bool deleteScheduled = false;
    CEarlierWork earlierWork;
};

} // namespace SSETUP
