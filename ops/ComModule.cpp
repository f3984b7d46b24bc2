#include "ops/ComModule.h"
#include "ops/Registry.h"
#include "ops/RunProcess.h"
#include "os/ExplicitCall.h"
#include "os/FindFile.h"
#include "os/PathText.h"
#include "setup/Visitor.h"
#include <string>

namespace SSETUPCOMDLL {

namespace {

const char* const RunOnceKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const char* const DefaultRunOnceName = "RunOnceValueName";

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

bool RunRegSvr32(const char* switches, const char* modulePath, DWORD* runResult) {
    const std::string arguments = switches + Quoted(modulePath ? modulePath : "");
    const DWORD result =
        RunProcess(SHelpers::CRegCOMOps::GetRegSvr32Path().c_str(), arguments.c_str());
    if (runResult != nullptr) {
        *runResult = result;
    }
    return result == 0;
}

// COM for this thread while a module registers itself in the installer's process, as
// RegSvr32 gives it. Only this path needs COM, so a run that never takes it neither loads
// ole32 nor builds an apartment. Without ole32 the module registers without COM.
class CComForModule {
public:
    CComForModule() {
        using Initialize = HRESULT(STDAPICALLTYPE*)(LPVOID);
        try {
            const auto initialize = ole32.GetProcAs<Initialize>("CoInitialize");
            const auto uninitialize = ole32.GetProcAs<Uninitialize>("CoUninitialize");
            if (SUCCEEDED(initialize(nullptr))) {
                uninitializeOnExit = uninitialize;
            }
        } catch (...) {
        }
    }
    ~CComForModule() {
        if (uninitializeOnExit != nullptr) {
            uninitializeOnExit();
        }
    }
    CComForModule(const CComForModule&) = delete;
    CComForModule& operator=(const CComForModule&) = delete;

private:
    using Uninitialize = void(STDAPICALLTYPE*)();
    SEXPL_CALL::CLibrary ole32{"ole32.dll"};
    Uninitialize uninitializeOnExit = nullptr;
};

// Takes back a registration: the pending one at the restart, or the one already done.
void UndoRegistration(std::string& runOnceValueName, const std::string& modulePath) {
    if (!runOnceValueName.empty()) {
        SHelpers::CRegCOMOps::RemoveRunOnceValue(runOnceValueName.c_str());
        runOnceValueName.clear();
    } else {
        UnregisterWithRegSvr32(modulePath.c_str());
    }
}

// Takes out the restart work an earlier run left for the module, then unregisters the module
// in place; true when it gets its registration back if this run does not stay. A module that
// an earlier uninstall was to delete at the restart is unregistered already.
bool UnregisterOldModule(SSETUP::CEarlierWork& earlierWork, SSETUP::IContext& context,
                         SSETUPOS::IOsDependOperations& os, const std::string& path) {
    earlierWork.CancelFor(context, path);
    if (earlierWork.CancelledDeletion()) {
        return false;
    }
    // A check that failed is no proof of absence: a module taken for missing would lose its
    // registration to the rollback. RegSvr32 fails where there really is none.
    const bool present = os.FileExists(path.c_str()) || !SSETUPOS::FoundNothing(GetLastError());
    return present && UnregisterWithRegSvr32(path.c_str());
}

} // namespace

DWORD RunProcess(const char* exePath, const char* arguments) {
    std::string commandLine = Quoted(exePath ? exePath : "");
    if (arguments != nullptr && *arguments != '\0') {
        commandLine += ' ';
        commandLine += arguments;
    }
    return RunAndWait(nullptr, commandLine.c_str()).code;
}

bool RegisterWithRegSvr32(const char* modulePath, DWORD* runResult) {
    return RunRegSvr32("/s ", modulePath, runResult);
}

bool UnregisterWithRegSvr32(const char* modulePath, DWORD* runResult) {
    return RunRegSvr32("/u /s ", modulePath, runResult);
}

bool RegisterInProcess(const char* modulePath) {
    const CComForModule com;
    const HMODULE module = LoadLibraryA(modulePath);
    if (module == nullptr) {
        return false;
    }
    using RegisterServer = HRESULT(STDAPICALLTYPE*)();
    const FARPROC entry = GetProcAddress(module, "DllRegisterServer");
    bool result = false;
    if (entry != nullptr) {
        // FARPROC goes through the generic function pointer type, which any type converts to.
        const RegisterServer registerServer =
            reinterpret_cast<RegisterServer>(reinterpret_cast<void (*)()>(entry));
        result = registerServer() == S_OK;
    }
    FreeLibrary(module);
    return result;
}

namespace SHelpers {

std::string CRegCOMOps::GetRegSvr32Path() {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    return osManager->GetOperations()->GetSystemDir() + "\\RegSvr32.exe";
}

std::string CRegCOMOps::GetRegistrationCommand(const std::string& modulePath) {
    // Both paths quoted: the system splits the command at spaces when it runs it.
    return Quoted(GetRegSvr32Path()) + " /s " + Quoted(modulePath);
}

std::string CRegCOMOps::AddRunOnceValue(const char* command, const char* baseName) {
    SREGISTRY::CKey key;
    DWORD disposition = 0;
    if (command == nullptr ||
        key.Create(HKEY_LOCAL_MACHINE, RunOnceKey, KEY_ALL_ACCESS, &disposition) != ERROR_SUCCESS) {
        return std::string();
    }
    const std::string base = baseName ? baseName : DefaultRunOnceName;
    for (int n = 0; n < 10; ++n) {
        const std::string candidate = n > 0 ? base + std::to_string(n) : base;
        const LONG query =
            RegQueryValueExA(key.Get(), candidate.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (query == ERROR_SUCCESS || query == ERROR_MORE_DATA) {
            continue;
        }
        const LONG written =
            RegSetValueExA(key.Get(), candidate.c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(command), lstrlenA(command) + 1);
        return written == ERROR_SUCCESS ? candidate : std::string();
    }
    return std::string();
}

bool CRegCOMOps::RemoveRunOnceValue(const char* valueName) {
    SREGISTRY::CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, RunOnceKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        return false;
    }
    return RegDeleteValueA(key.Get(), valueName) == ERROR_SUCCESS;
}

} // namespace SHelpers

// ---------------------------------------------------------------------------------------------

CInstallCOMDLL::CInstallCOMDLL(const char* sourcePath, const char* targetPath, bool isCritical)
    : CSetupOperationsDefault(isCritical),
      fileOperation(new SSETUP::CInstallFile(sourcePath, targetPath, isCritical)),
      isCritical(isCritical) {}

CInstallCOMDLL::~CInstallCOMDLL() = default;

std::string CInstallCOMDLL::GetModulePath() const {
    return fileOperation->GetTargetPath();
}

bool CInstallCOMDLL::Perform(SSETUP::IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    const std::string target = GetModulePath();
    // The module already there is unregistered while it is still in place.
    oldModuleUnregistered = UnregisterOldModule(earlierWork, context, Os(), target);
    if (!fileOperation->Perform(context)) {
        RestoreOldModule(context);
        Notify(context, IRegisterCOMModuleNotify::ResultFailed, RunResultUndefined);
        return false;
    }
    if (!fileOperation->IsPerformed()) {
        // Nothing installed: the module there stays as it was.
        RestoreOldModule(context);
        return true;
    }
    if (!fileOperation->IsRebootPending()) {
        DWORD runResult = RunResultUndefined;
        if (!RegisterWithRegSvr32(target.c_str(), &runResult)) {
            Notify(context, IRegisterCOMModuleNotify::ResultFailed, runResult);
            // A failed registration may have written part of its entries, or all of them
            // when only its result was lost: the module takes them out before it goes.
            UnregisterWithRegSvr32(target.c_str());
            RestoreOldModule(context);
            return false;
        }
        Notify(context, IRegisterCOMModuleNotify::ResultRegistered, runResult);
        performed = true;
        return true;
    }
    runOnceValueName = AddRunOnceValue(GetRegistrationCommand(target).c_str(),
                                       SSETUPOS::GetFileNamePart(target).c_str());
    // The replacement is scheduled; a failure below cancels it, and the flag stays raised
    // in case the cancellation does not hold.
    context.SetRebootNeeded(true);
    if (runOnceValueName.empty()) {
        Notify(context, IRegisterCOMModuleNotify::ResultFailed, RunResultUndefined);
        RestoreOldModule(context);
        return false;
    }
    Notify(context, IRegisterCOMModuleNotify::ResultAtReboot, RunResultUndefined);
    performed = true;
    return true;
}

bool CInstallCOMDLL::Rollback(SSETUP::IContext& context) {
    if (!IsPerformed()) {
        return false;
    }
    UndoRegistration(runOnceValueName, GetModulePath());
    const bool result = RestoreOldModule(context);
    performed = false;
    return result;
}

bool CInstallCOMDLL::RestoreOldModule(SSETUP::IContext& context) {
    bool result = !fileOperation->IsPerformed() || fileOperation->Rollback(context);
    if (oldModuleUnregistered) {
        DWORD runResult = RunResultUndefined;
        if (!RegisterWithRegSvr32(GetModulePath().c_str(), &runResult)) {
            Notify(context, IRegisterCOMModuleNotify::ResultRestoreFailed, runResult);
            result = false;
        }
        oldModuleUnregistered = false;
    }
    return earlierWork.Restore() && result;
}

void CInstallCOMDLL::Accept(SSetupVisitor::IVisitor& visitor) {
    visitor.Visit(static_cast<const SSETUP::IInstallFileOperation*>(fileOperation.get()));
}

void CInstallCOMDLL::Notify(SSETUP::IContext& context, int result, DWORD runResult) const {
    const IRegisterCOMModuleNotify::CNotifyRecord record = {this, result, true, runResult};
    SSETUP::SendNotify<IRegisterCOMModuleNotify>(context, record);
}

// ---------------------------------------------------------------------------------------------

CRegisterCOMDLL::CRegisterCOMDLL(const char* modulePath, SSETUP::ISetupOperation* operation,
                                 bool isCritical)
    : CSetupOperationsDefault(isCritical), isCritical(isCritical),
      modulePath(modulePath ? modulePath : ""), operation(operation) {}

CRegisterCOMDLL::~CRegisterCOMDLL() = default;

bool CRegisterCOMDLL::IsCritical() const {
    return isCritical || (operation != nullptr && operation->IsCritical());
}

bool CRegisterCOMDLL::Perform(SSETUP::IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    oldModuleUnregistered = UnregisterOldModule(earlierWork, context, Os(), modulePath);
    SSETUP::SHelpers::CCareOfNullOperation inner(operation.get());
    if (!inner.Perform(context)) {
        RestoreOldModule(context);
        Notify(context, IRegisterCOMModuleNotify::ResultFailed);
        return false;
    }
    if (!inner.IsPerformed()) {
        // Nothing installed: the module there stays as it was.
        RestoreOldModule(context);
        return true;
    }
    if (!inner.IsRebootPending()) {
        if (!RegisterWithRegSvr32(modulePath.c_str())) {
            Notify(context, IRegisterCOMModuleNotify::ResultFailed);
            // As above: what a failed registration wrote goes with the module.
            UnregisterWithRegSvr32(modulePath.c_str());
            RestoreOldModule(context);
            return false;
        }
        Notify(context, IRegisterCOMModuleNotify::ResultRegistered);
        performed = true;
        return true;
    }
    runOnceValueName = AddRunOnceValue(GetRegistrationCommand(modulePath).c_str(),
                                       SSETUPOS::GetFileNamePart(modulePath).c_str());
    // The replacement is scheduled; a failure below cancels it, and the flag stays raised
    // in case the cancellation does not hold.
    context.SetRebootNeeded(true);
    if (runOnceValueName.empty()) {
        Notify(context, IRegisterCOMModuleNotify::ResultFailed);
        RestoreOldModule(context);
        return false;
    }
    Notify(context, IRegisterCOMModuleNotify::ResultAtReboot);
    performed = true;
    return true;
}

bool CRegisterCOMDLL::Rollback(SSETUP::IContext& context) {
    if (!IsPerformed()) {
        return false;
    }
    UndoRegistration(runOnceValueName, modulePath);
    const bool result = RestoreOldModule(context);
    performed = false;
    return result;
}

bool CRegisterCOMDLL::RestoreOldModule(SSETUP::IContext& context) {
    SSETUP::SHelpers::CCareOfNullOperation inner(operation.get());
    bool result = !inner.IsPerformed() || inner.Rollback(context);
    if (oldModuleUnregistered) {
        DWORD runResult = RunResultUndefined;
        if (!RegisterWithRegSvr32(modulePath.c_str(), &runResult)) {
            Notify(context, IRegisterCOMModuleNotify::ResultRestoreFailed, runResult);
            result = false;
        }
        oldModuleUnregistered = false;
    }
    return earlierWork.Restore() && result;
}

void CRegisterCOMDLL::Accept(SSetupVisitor::IVisitor& visitor) {
    if (operation != nullptr) {
        operation->Accept(visitor);
    }
}

void CRegisterCOMDLL::Notify(SSETUP::IContext& context, int result, DWORD runResult) const {
    const IRegisterCOMModuleNotify::CNotifyRecord record = {this, result, true, runResult};
    SSETUP::SendNotify<IRegisterCOMModuleNotify>(context, record);
}

// ---------------------------------------------------------------------------------------------

CDeinstallCOMDLL::CDeinstallCOMDLL(const char* modulePath, bool isCritical)
    : CSetupOperationsDefault(isCritical),
      fileOperation(new SSETUP::CDeinstallFile(modulePath, isCritical)), isCritical(isCritical) {}

CDeinstallCOMDLL::~CDeinstallCOMDLL() = default;

bool CDeinstallCOMDLL::Perform(SSETUP::IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    const std::string path = fileOperation->GetPath();
    bool ok = false;
    if (Os().FileExists(path.c_str()) && UnregisterWithRegSvr32(path.c_str())) {
        ok = fileOperation->Perform(context);
        if (!ok) {
            // The file stays: so does its registration.
            RegisterWithRegSvr32(path.c_str());
        } else {
            earlierWork.CancelRegistrationsOf(context, path);
        }
    }
    const IUnregsiterCOMModuleNotify::CNotifyRecord record = {path, ok, true};
    SSETUP::SendNotify<IUnregsiterCOMModuleNotify>(context, record);
    performed = ok;
    return ok;
}

bool CDeinstallCOMDLL::Rollback(SSETUP::IContext& context) {
    if (!IsPerformed()) {
        return false;
    }
    const bool registrationsBack = earlierWork.Restore();
    const bool result = fileOperation->Rollback(context) && registrationsBack;
    RegisterInProcess(fileOperation->GetPath().c_str());
    performed = false;
    return result;
}

} // namespace SSETUPCOMDLL
