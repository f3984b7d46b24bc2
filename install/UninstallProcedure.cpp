#include "install/UninstallProcedure.h"
#include "app/Language.h"
#include "install/CheckZentavoKey.h"
#include "install/ReadersCount.h"
#include "ops/ComModule.h"
#include "ops/DeinstallFile.h"
#include "ops/PnpDriver.h"
#include "ops/RegistryOperations.h"
#include "ops/ServiceRegistration.h"
#include "setup/Context.h"
#include "ui/Resource.h"
#include <cstring>
#include <vector>

namespace SINSTALL {

namespace {

using L = CPackageLayout;

std::string EnglishText(UINT id) {
    return SLANG::LoadTextInLanguage(id, SLANG::LANG_ID_ENGLISH);
}

// Stands between the removal steps and the client: passes everything on, and notes the files
// that a step reported it could not remove. A file deinstall sends no failure for a file that
// is absent; a module unregistration does, so its file is looked at afterwards.
class CRemovalWatch : public SSETUP::IContext,
                      public SSETUP::CDeinstallFile::IDeinstallFileNotify,
                      public SSETUPCOMDLL::IUnregsiterCOMModuleNotify {
public:
    explicit CRemovalWatch(SSETUP::IContext& outer) : outer(outer) {}

    bool SetRebootNeeded(bool needed) override { return outer.SetRebootNeeded(needed); }
    // The sink of every lookup is the first interface's base.
    SSETUP::IClientNotifyContext2* GetNotifyContext() override {
        return static_cast<SSETUP::CDeinstallFile::IDeinstallFileNotify*>(this);
    }
    bool IsAbortRequested() override { return outer.IsAbortRequested(); }

    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        if (std::strcmp(name, SSETUP::CDeinstallFile::IDeinstallFileNotify::InterfaceName) == 0) {
            return static_cast<SSETUP::CDeinstallFile::IDeinstallFileNotify*>(this);
        }
        if (std::strcmp(name, SSETUPCOMDLL::IUnregsiterCOMModuleNotify::InterfaceName) == 0) {
            return static_cast<SSETUPCOMDLL::IUnregsiterCOMModuleNotify*>(this);
        }
        SSETUP::IClientNotifyContext2* const client = outer.GetNotifyContext();
        return client == nullptr ? nullptr : client->QueryNotifyInterface(name);
    }

    void Notify(const SSETUP::CDeinstallFile::CNotifyRecord& record) override {
        if (record.result == SSETUP::CDeinstallFile::ResultFailed && record.operation != nullptr) {
            failedPaths.push_back(record.operation->GetPath());
        }
        Forward<SSETUP::CDeinstallFile::IDeinstallFileNotify>(record);
    }
    void Notify(const SSETUPCOMDLL::IUnregsiterCOMModuleNotify::CNotifyRecord& record) override {
        if (!record.success) {
            failedPaths.push_back(record.modulePath);
        }
        Forward<SSETUPCOMDLL::IUnregsiterCOMModuleNotify>(record);
    }

    // True when a file whose removal failed is still there.
    bool LeftFilesBehind() {
        SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
        for (const std::string& path : failedPaths) {
            if (osManager->GetOperations()->FileExists(path.c_str())) {
                return true;
            }
        }
        return false;
    }

private:
    template <class Interface, class Record> void Forward(const Record& record) {
        SSETUP::SendNotify<Interface>(outer, record);
    }

    SSETUP::IContext& outer;
    std::vector<std::string> failedPaths;
};

} // namespace

bool PerformRemovals(SSETUP::COperationSet& removals, SSETUP::IContext& context) {
    CRemovalWatch watch(context);
    if (!removals.SSETUP::COperationSet::Perform(watch)) {
        return false;
    }
    return !watch.LeftFilesBehind();
}

CUnInstall::CUnInstall(bool driversOnly) : COperationSet(true) {
    const auto installed = [this](int fileIndex) {
        return layout.GetFilePath(fileIndex, L::InstalledFolder);
    };
    const bool nt = osManager->IsNTPlatform();
    if (driversOnly) {
        Add(new SLITEDRV::CCheckZentavoKey(EnglishText(IDS_CARD_KEY).c_str()), false);
    }
    Add(new CUnregisterTokenLocal(), false);
    if (!driversOnly) {
        Add(new SSETUP::CDeinstallFile(installed(L::FilePkcs11).c_str(), false), false);
        Add(new SSETUPCOMDLL::CDeinstallCOMDLL(installed(L::FileCsp).c_str(), false), false);
        if (nt) {
            Add(new SRegATLService::CUnInstallATLService(installed(L::FileService).c_str(),
                                                         EnglishText(IDS_SERVICE_NAME).c_str()),
                false);
        }
        Add(new SSETUP::CDeinstallFile(installed(L::FileCspSignature).c_str(), false), false);
        Add(new SSETUPCOMDLL::CDeinstallCOMDLL(installed(L::FileIccsp).c_str(), false), false);
    }
    if (nt) {
        Add(new SINSTPNP::CUnInstallPNPDriver(installed(L::FileReaderInf).c_str(),
                                              installed(L::FileReaderDriver).c_str(),
                                              EnglishText(IDS_READER_HARDWARE_ID).c_str(), false),
            false);
        Add(new SINSTPNP::CUnRegisterPNPDriverByClassNameAndID(
                "USB", EnglishText(IDS_USB_HARDWARE_ID).c_str(), false),
            false);
    } else {
        Add(new SSETUP::CDeinstallFile(installed(L::FileReaderInf).c_str(), false), false);
        Add(new SSETUP::CDeinstallFile(installed(L::FileReaderDriver).c_str(), false), false);
    }
    for (const int file : {L::FileUsbDriver, L::FileUsbInf, L::FileErr, L::FileApiEx, L::FileApi}) {
        Add(new SSETUP::CDeinstallFile(installed(file).c_str(), false), false);
    }
    if (!nt) {
        for (const UINT key : {IDS_DRIVER_KEY, IDS_USB_KEY}) {
            Add(new SSETUPREG::CDeleteRegKeyOperation(HKEY_LOCAL_MACHINE, EnglishText(key).c_str(),
                                                      false),
                false);
        }
    }
    // Last: the card type was already forgotten through the resource manager.
    Add(new SSETUPREG::CDeleteRegKeyOperation(HKEY_LOCAL_MACHINE, EnglishText(IDS_CARD_KEY).c_str(),
                                              false),
        false);
}

CUnInstall::~CUnInstall() = default;

bool CUnInstall::Perform(SSETUP::IContext& context) {
    if (!PerformRemovals(*this, context)) {
        return false;
    }
    if (!osManager->IsNTPlatform()) {
        context.SetRebootNeeded(true);
    }
    return true;
}

} // namespace SINSTALL
