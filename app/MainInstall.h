#pragma once
// The controller of one program run: command line, gate, distributive check, the install,
// uninstall and reader-count flows, messages, log and restart. It is also the client of every
// notification and needed-query of the operations.
#include "app/AlreadyLaunched.h"
#include "app/MachineLock.h"
#include "app/SingletonAutoPointer.h"
#include "install/CheckZentavoKey.h"
#include "install/InstallFactory.h"
#include "log/Log.h"
#include "ops/ComModule.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "ops/PnpDriver.h"
#include "ops/RegistryOperations.h"
#include "ops/ServiceRegistration.h"
#include "ops/CardType.h"
#include "os/OSManager.h"
#include "setup/Context.h"
#include "setup/DistributiveVisitors.h"
#include <windows.h>
#include <list>
#include <string>

namespace SINSTALL {

// Result codes of Run, which become the process exit code.
enum RunResult {
    RESULT_DONE = 0,
    RESULT_REBOOT_NEEDED = 1,
    RESULT_NOT_9X = 3,
    RESULT_FAILED = 5,
    RESULT_UNINSTALL_REFUSED = 7,
    RESULT_USAGE_SHOWN = -1,
};

// Answers of the newer-installed-files question.
enum OverwriteMode {
    OVERWRITE_NOTHING = 0,
    OVERWRITE_ALL = 1,
    OVERWRITE_ONLY_FRESHER = 2,
};

class CMainInstall : public SLITEDRV::CCheckZentavoKey::INotifyZentavoKey,
                     public SSETUP::CInstallFile::IInstallFileNotify,
                     public SSETUP::CInstallFile::IInstallFileNeededQuery,
                     public SSETUPREG::CInstallRegKey::IRegKeyInstallNotify,
                     public SINSTPNP::CUnRegisterPNPDriver::IUnregisterPNPDriverNotify,
                     public SINSTPNP::CRegisterPNPDriver::IRegisterPNPDriverNotify,
                     public SSETUP::CDeinstallFile::IDeinstallFileNotify,
                     public SSETUP::CDeinstallFile::IDeinstallFileNeededQuery,
                     public SSETUPREG::CDeleteRegKeyOperation::IDeleteRegKeyNotify,
                     public SSETUPCOMDLL::IRegisterCOMModuleNotify,
                     public SSETUPREG::CInstallRegDWORDValue::IInstallRegDWORDValueNotify,
                     public SSETUPREG::CInstallRegStringValue::IInstallRegSTRINGValueNotify,
                     public SSETUPCOMDLL::IUnregsiterCOMModuleNotify,
                     public SRegATLService::IRegATLServiceNotify,
                     public SRegisterZentavo::IRegisterZentavoNotify,
                     public SSETUP::CEarlierWork::IEarlierWorkNotify {
public:
    // The name policy of the single-instance guard.
    class CGetAllreadyLaunchedMutexName {
    public:
        static std::string GetMutexName();
    };

    CMainInstall();
    virtual ~CMainInstall();
    CMainInstall(const CMainInstall&) = delete;
    CMainInstall& operator=(const CMainInstall&) = delete;

    // The whole run; variant 1 is the full program, 2 the drivers-only one.
    int Run(const char* commandLine, int variant);
    // 0 to go on, -1 after the usage dialog.
    int Initialize(const char* commandLine);
    bool CheckDistributive(HWND owner);
    int InstallDrivers(HWND owner);
    int UninstallDrivers();
    int AskOverwrite(SSETUP::ISetupOperation& procedure);
    int AskOverwriteDialog(
        const std::list<SSetupVisitors::CSeekForFresherFilesVisitor::CFresherFile>& files,
        bool allNewer);
    // True when it has asked the system to restart.
    bool RebootIfNeeded();
    void WriteLogHeader(const char* what);
    bool CanUninstall();

    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override;

    // Message boxes in the current language; the caption is always string 103.
    static int ShowMessage(HWND owner, const char* text, const char* caption, UINT style);
    // Hidden under /Q unless /ED; returns hiddenResult when hidden.
    static int ShowErrorMessage(HWND owner, const char* text, const char* caption, UINT style,
                                int hiddenResult);
    // Hidden under /Q; returns hiddenResult when hidden.
    static int ShowInfoMessage(HWND owner, const char* text, const char* caption, UINT style,
                               int hiddenResult);
    static std::string GetMessageCaption();
    // The gate: Windows 95, 98 and ME only, by platform and major version together.
    static bool IsWindows9xVersion(const OSVERSIONINFOA& version);

    // Handlers of the operations' notifications and needed-queries.
    void Notify(const SLITEDRV::CCheckZentavoKey::TokenKeyCheckEvent& record) override;
    void Notify(const SSETUP::CInstallFile::CNotifyRecord& record) override;
    void Query(SSETUP::CInstallFile::CQueryRecord& record) override;
    void Notify(const SSETUPREG::CInstallRegKey::CNotifyRecord& record) override;
    void Notify(const SINSTPNP::CUnRegisterPNPDriver::CNotifyRecord& record) override;
    void Notify(const SINSTPNP::CRegisterPNPDriver::CNotifyRecord& record) override;
    void Notify(const SSETUP::CDeinstallFile::CNotifyRecord& record) override;
    void Query(SSETUP::CDeinstallFile::CQueryRecord& record) override;
    void Notify(const SSETUPREG::CDeleteRegKeyOperation::CNotifyRecord& record) override;
    void Notify(const SSETUPCOMDLL::IRegisterCOMModuleNotify::CNotifyRecord& record) override;
    void Notify(const SSETUPREG::CInstallRegDWORDValue::CNotifyRecord& record) override;
    void Notify(const SSETUPREG::CInstallRegStringValue::CNotifyRecord& record) override;
    void Notify(const SSETUPCOMDLL::IUnregsiterCOMModuleNotify::CNotifyRecord& record) override;
    void Notify(const SRegATLService::ServiceEvent& record) override;
    void Notify(const SRegisterZentavo::TokenRegistrationEvent& record) override;
    void Notify(const SSETUP::CEarlierWork::CNotifyRecord& record) override;

protected:
    // The procedures of the flows, from the process-wide factory; throw when the driver
    // version they depend on cannot be read.
    virtual std::unique_ptr<SSETUP::ISetupOperation> CreateInstallProcedure();
    virtual std::unique_ptr<SSETUP::ISetupOperation> CreateUninstallProcedure();

    // The answer of the newer-files question that the install needed-query applies.
    int overwriteMode = OVERWRITE_ALL;

    // The gate of the run; a test build that drives the NT-family flows opens it.
    virtual bool IsWindows9xFamily() const;
    // How long a flow waits for another copy that is changing the machine.
    virtual DWORD GetMachineLockLimit() const;

private:
    using CInstanceGuard = STools::CAlreadyLaunched<CGetAllreadyLaunchedMutexName>;

    std::string GetDefaultLogPath() const;
    // Box 114 naming missingPath, and the log line that says why the package was refused.
    void RefusePackage(HWND owner, const std::string& missingPath);
    std::string GetVersionLabelText(int variant) const;
    // The rollback of a value could not put its previous state back.
    void LogValueRestoreFailed(const std::string& root, const std::string& keyPath,
                               const std::string& name);
    // Takes the machine lock for a flow that is about to read the machine and change it; while
    // another copy holds it, the log says so and an interactive run shows the please-wait
    // window waitDialog. False, after a log line, when the other copy did not finish in time.
    bool TakeMachineLock(CMachineLock& lock, UINT waitDialog);
    // Runs the procedure; false when it failed or a failure was thrown out of it.
    bool PerformProcedure(SSETUP::ISetupOperation& procedure, SSETUP::CContextDefault& context);

    SLOG::CFileLog log;
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    SDP::singleton_auto_pointer<CInstallFactory> factory;
    SDP::singleton_auto_pointer<CInstanceGuard> instanceGuard;
    bool reportUninstallFailure = true;
    int uninstallAbortReason = 0;
    SSETUP::CNotifyInterfaceTable interfaceTable;
};

} // namespace SINSTALL
