#pragma once
// COM module registration: self-registering modules installed, registered and removed through
// the system's RegSvr32.exe; a module whose file waits for the restart is registered by a
// RunOnce command instead.
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <windows.h>
#include <memory>
#include <string>

namespace SSETUP {

// The read-only view of a module registration that notification handlers get.
class IRegisterCOMModuleOperation {
public:
    // The path of the module as installed.
    virtual std::string GetModulePath() const = 0;
    // 1 for both registering operations.
    virtual int GetModuleKind() const = 0;

protected:
    ~IRegisterCOMModuleOperation() = default;
};

} // namespace SSETUP

namespace SSETUPCOMDLL {

using SSETUP::IRegisterCOMModuleOperation;

// runResult when no RegSvr32.exe run is reported.
const DWORD RunResultUndefined = 0xDEADBEEF;

class IRegisterCOMModuleNotify : public SSETUP::IClientNotifyContext2 {
public:
    // Values of CNotifyRecord::result.
    enum : int {
        ResultRegistered = 1,
        ResultFailed = 2,
        ResultAtReboot = 3,
        ResultRestoreFailed = 4, // the module there before could not be registered again
    };
    struct CNotifyRecord {
        const IRegisterCOMModuleOperation* operation;
        int result;
        bool performing; // always true
        // RegSvr32's exit code, or the error of its failed start; RunResultUndefined when
        // no run is reported.
        DWORD runResult;
    };

    static constexpr const char* InterfaceName = "IRegisterCOMModuleNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const CNotifyRecord& record) = 0;

protected:
    ~IRegisterCOMModuleNotify() = default;
};

// The name keeps its historical spelling: it is the key the client is asked by.
class IUnregsiterCOMModuleNotify : public SSETUP::IClientNotifyContext2 {
public:
    struct CNotifyRecord {
        std::string modulePath;
        bool success;
        bool performing; // always true
    };

    static constexpr const char* InterfaceName = "IUnregsiterCOMModuleNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const CNotifyRecord& record) = 0;

protected:
    ~IUnregsiterCOMModuleNotify() = default;
};

// Runs "exePath" [arguments] and waits for it to end: its exit code, or the system error of
// the failed start. 0 only for a process that started and exited with 0.
DWORD RunProcess(const char* exePath, const char* arguments);

// RegSvr32.exe /s "modulePath" (with /u: unregister). True only when RegSvr32 started and
// exited with 0; runResult (may be null) receives the value of RunProcess.
bool RegisterWithRegSvr32(const char* modulePath, DWORD* runResult = nullptr);
bool UnregisterWithRegSvr32(const char* modulePath, DWORD* runResult = nullptr);

// Loads the module and calls its DllRegisterServer; true only when that returns S_OK.
bool RegisterInProcess(const char* modulePath);

namespace SHelpers {

// What both registering operations share: RegSvr32's place and the RunOnce values.
class CRegCOMOps {
public:
    // The system directory followed by "\RegSvr32.exe".
    static std::string GetRegSvr32Path();
    // The RunOnce command that registers modulePath at the next start.
    static std::string GetRegistrationCommand(const std::string& modulePath);
    // Writes command under HKLM RunOnce as baseName, or baseName1 to baseName9 when taken
    // ("RunOnceValueName" when baseName is null): the name written, empty on failure.
    static std::string AddRunOnceValue(const char* command, const char* baseName);
    static bool RemoveRunOnceValue(const char* valueName);
};

} // namespace SHelpers

// Copies a module with its own file install and registers it.
class CInstallCOMDLL : public SHelpers::CRegCOMOps,
                       public SSETUP::CSetupOperationsDefault,
                       public IRegisterCOMModuleOperation {
public:
    // Full paths.
    CInstallCOMDLL(const char* sourcePath, const char* targetPath, bool isCritical);
    ~CInstallCOMDLL() override;

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    void Accept(SSetupVisitor::IVisitor& visitor) override;

    std::string GetModulePath() const override;
    int GetModuleKind() const override { return 1; }

private:
    void Notify(SSETUP::IContext& context, int result, DWORD runResult) const;
    // Undoes the file step and gives the module that was there its registration back;
    // false when the file step could not be undone.
    bool RestoreOldModule(SSETUP::IContext& context);

    std::unique_ptr<SSETUP::CInstallFile> fileOperation;
    std::string runOnceValueName;
    bool isCritical;
    // The module that was there before was unregistered and awaits its registration back.
    bool oldModuleUnregistered = false;
    SSETUP::CEarlierWork earlierWork;
};

// Registers a module after an optional inner operation (typically the file installs that
// bring it) has been performed.
class CRegisterCOMDLL : public SHelpers::CRegCOMOps,
                        public SSETUP::CSetupOperationsDefault,
                        public IRegisterCOMModuleOperation {
public:
    // Takes over operation, which may be null.
    CRegisterCOMDLL(const char* modulePath, SSETUP::ISetupOperation* operation, bool isCritical);
    ~CRegisterCOMDLL() override;

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    // isCritical, or the inner operation's.
    bool IsCritical() const override;
    void Accept(SSetupVisitor::IVisitor& visitor) override;

    std::string GetModulePath() const override { return modulePath; }
    int GetModuleKind() const override { return 1; }

private:
    void Notify(SSETUP::IContext& context, int result, DWORD runResult = RunResultUndefined) const;
    // Undoes the inner operation and gives the module that was there its registration back;
    // false when the inner operation could not be undone.
    bool RestoreOldModule(SSETUP::IContext& context);

    std::string runOnceValueName;
    bool isCritical;
    const std::string modulePath;
    std::unique_ptr<SSETUP::ISetupOperation> operation;
    bool oldModuleUnregistered = false;
    SSETUP::CEarlierWork earlierWork;
};

// Unregisters a module and deletes its file with its own file deinstall, and takes out the
// RunOnce commands that would register it again at the restart.
class CDeinstallCOMDLL : public SSETUP::CSetupOperationsDefault {
public:
    CDeinstallCOMDLL(const char* modulePath, bool isCritical);
    ~CDeinstallCOMDLL() override;

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    bool IsCritical() const override { return isCritical; }
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    std::unique_ptr<SSETUP::CDeinstallFile> fileOperation;
    bool isCritical;
    // The module's registrations that an earlier install left for the restart.
    SSETUP::CEarlierWork earlierWork;
};

} // namespace SSETUPCOMDLL
