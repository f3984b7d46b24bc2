#include "install/InstallProcedure.h"
#include "app/Language.h"
#include "install/LegacyProcedures.h"
#include "install/ReadersCount.h"
#include "ops/ComModule.h"
#include "ops/InstallFile.h"
#include "ops/PnpDriver.h"
#include "ops/Registry.h"
#include "ops/RegistryOperations.h"
#include "ops/ServiceRegistration.h"
#include "ops/ZentavoManager.h"
#include "ui/Resource.h"

namespace SINSTALL {

namespace {

using L = CPackageLayout;

std::string EnglishText(UINT id) {
    return SLANG::LoadTextInLanguage(id, SLANG::LANG_ID_ENGLISH);
}

std::string PackagePath(const CPackageLayout& layout, int fileIndex) {
    return layout.GetFilePath(fileIndex, L::PackageFolder);
}

std::string InstalledPath(const CPackageLayout& layout, int fileIndex) {
    return layout.GetFilePath(fileIndex, L::InstalledFolder);
}

const DWORD DefaultReadersCount = 3;

// A module and the files that go only with it. Its replacement may wait for the restart, and
// whoever registers the module must know that, so the pair tells it from both halves.
class CModuleWithCompanions : public SSETUP::CDependedOperation {
public:
    CModuleWithCompanions(SSETUP::ISetupOperation* module, SSETUP::COperationSet* companions)
        : CDependedOperation(module, companions, true), module(module), companions(companions) {}

    bool IsRebootPending() const override {
        return module->IsRebootPending() || companions->IsRebootPending();
    }

private:
    // Owned by the base.
    const SSETUP::ISetupOperation* const module;
    const SSETUP::COperationSet* const companions;
};

} // namespace

namespace SSteps {

DWORD ReadStoredReadersCount() {
    return SREGISTRY::ReadDwordValue(HKEY_LOCAL_MACHINE, EnglishText(IDS_DRIVER_KEY).c_str(),
                                     "ReadersCount", DefaultReadersCount);
}

SSETUP::ISetupOperation* NewReaderDriverService(const CPackageLayout& layout) {
    SSETUPREG::CDriverServiceInfo info;
    info.DisplayName = EnglishText(IDS_DRIVER_DISPLAY_NAME);
    info.ServiceName = EnglishText(IDS_DRIVER_SERVICE);
    info.SetImageFile(EnglishText(IDS_FILE_IFDH_SYS).c_str());
    info.Group = "Smart Card Reader";
    info.Type = SERVICE_KERNEL_DRIVER;
    info.Start = SERVICE_SYSTEM_START;
    info.ErrorControl = SERVICE_ERROR_NORMAL;
    // A reinstallation keeps the count the user chose.
    const DWORD readersCount = ReadStoredReadersCount();
    auto* registration =
        new SSETUP::COperationSet(true, new SSETUPREG::CRegisterDriverIndirect(info),
                                  new SSETUPREG::CInstallRegDWORDValue(
                                      HKEY_LOCAL_MACHINE, EnglishText(IDS_DRIVER_KEY).c_str(),
                                      "ReadersCount", readersCount, true),
                                  nullptr);
    return new SSETUP::CDependedOperation(
        new SSETUP::CInstallFile(PackagePath(layout, L::FileReaderDriver).c_str(),
                                 InstalledPath(layout, L::FileReaderDriver).c_str(), true),
        registration, true);
}

SSETUP::ISetupOperation* NewUsbDriver(const CPackageLayout& layout) {
    return new SSETUP::CDependedOperation(
        new SSETUP::CInstallFile(PackagePath(layout, L::FileUsbDriver).c_str(),
                                 InstalledPath(layout, L::FileUsbDriver).c_str(), true),
        new SSETUP::COperationSet(
            true,
            new SSETUP::CInstallFile(PackagePath(layout, L::FileUsbInf).c_str(),
                                     InstalledPath(layout, L::FileUsbInf).c_str(), true),
            nullptr),
        true);
}

SSETUP::ISetupOperation* NewCryptoProvider(const CPackageLayout& layout) {
    const std::string module = InstalledPath(layout, L::FileCsp);
    auto* files = new CModuleWithCompanions(
        new SSETUP::CInstallFile(PackagePath(layout, L::FileCsp).c_str(), module.c_str(), true),
        new SSETUP::COperationSet(
            true,
            new SSETUP::CInstallFile(PackagePath(layout, L::FileCspSignature).c_str(),
                                     InstalledPath(layout, L::FileCspSignature).c_str(), true),
            nullptr));
    return new SSETUPCOMDLL::CRegisterCOMDLL(module.c_str(), files, true);
}

SSETUP::ISetupOperation* NewFileCopy(const CPackageLayout& layout, int fileIndex) {
    return new SSETUP::CInstallFile(PackagePath(layout, fileIndex).c_str(),
                                    InstalledPath(layout, fileIndex).c_str(), true);
}

} // namespace SSteps

CInstall::CInstall(bool driversOnly) : COperationSet(true) {
    using namespace SSteps;
    const bool nt = osManager->IsNTPlatform();

    Add(new CUnregisterTokenLocal(), false);
    if (nt) {
        const std::string driverKey = EnglishText(IDS_DRIVER_KEY);
        // A run cut short while it replaced the devices left their number to finish with.
        unsigned readers = SINSTPNP::ReadPendingDeviceCount(driverKey.c_str());
        if (readers == 0) {
            SZentavoManager::CZentavoManager manager(MakeTokenVariationPoint(), true);
            readers = manager.GetReadersCount();
        }
        if (readers == 0) {
            readers = DefaultReadersCount;
        }
        Add(new SINSTPNP::CReInstallPNPDriver(PackagePath(layout, L::FileReaderInf).c_str(),
                                              InstalledPath(layout, L::FileReaderInf).c_str(),
                                              PackagePath(layout, L::FileReaderDriver).c_str(),
                                              InstalledPath(layout, L::FileReaderDriver).c_str(),
                                              EnglishText(IDS_READER_HARDWARE_ID).c_str(),
                                              static_cast<int>(readers), true, true,
                                              driverKey.c_str()),
            false);
        Add(new SINSTPNP::CUnRegisterPNPDriverByClassNameAndID(
                "USB", EnglishText(IDS_USB_HARDWARE_ID).c_str(), false),
            false);
    } else {
        Add(NewReaderDriverService(layout), false);
    }
    Add(NewUsbDriver(layout), false);
    if (!driversOnly) {
        if (nt) {
            Add(new SRegATLService::CInstallATLService(
                    PackagePath(layout, L::FileService).c_str(),
                    InstalledPath(layout, L::FileService).c_str(),
                    EnglishText(IDS_SERVICE_NAME).c_str()),
                false);
        }
        Add(NewCryptoProvider(layout), false);
        Add(new SSETUPCOMDLL::CInstallCOMDLL(PackagePath(layout, L::FileIccsp).c_str(),
                                             InstalledPath(layout, L::FileIccsp).c_str(), true),
            false);
        Add(NewFileCopy(layout, L::FilePkcs11), false);
    }
    Add(NewFileCopy(layout, L::FileApi), false);
    Add(NewFileCopy(layout, L::FileApiEx), false);
    Add(NewFileCopy(layout, L::FileErr), false);
    Add(new CInstallScCertPropKey(), false);
    Add(new CRegisterTokenLocal(), false);
    Add(new SINSTPNP::CForceScanHWChanges(false), false);
}

CInstall::~CInstall() = default;

} // namespace SINSTALL
