#include "install/LegacyProcedures.h"
#include "app/Language.h"
#include "install/CheckZentavoKey.h"
#include "install/InstallProcedure.h"
#include "install/ReadersCount.h"
#include "install/UninstallProcedure.h"
#include "ops/ComModule.h"
#include "ops/DeinstallFile.h"
#include "ops/RegistryOperations.h"
#include "ui/Resource.h"

namespace SINSTALL {

namespace {

using L = CPackageLayout;

std::string EnglishText(UINT id) {
    return SLANG::LoadTextInLanguage(id, SLANG::LANG_ID_ENGLISH);
}

} // namespace

CInstallBelow110Ver::CInstallBelow110Ver(bool driversOnly) : COperationSet(true) {
    using namespace SSteps;
    Add(new CUnregisterTokenLocal(), false);
    // The driver service is written directly on every OS family.
    Add(NewReaderDriverService(layout), false);
    Add(NewUsbDriver(layout), false);
    if (!driversOnly) {
        Add(NewCryptoProvider(layout), false);
        Add(new SSETUPCOMDLL::CInstallCOMDLL(
                layout.GetFilePath(L::FileIccsp, L::PackageFolder).c_str(),
                layout.GetFilePath(L::FileIccsp, L::InstalledFolder).c_str(), true),
            false);
    }
    Add(NewFileCopy(layout, L::FileApi), false);
    Add(NewFileCopy(layout, L::FileErr), false);
    Add(new CRegisterTokenLocal(), false);
}

CUnInstallBelow110Ver::CUnInstallBelow110Ver(bool driversOnly) : COperationSet(true) {
    const auto installed = [this](int fileIndex) {
        return layout.GetFilePath(fileIndex, L::InstalledFolder);
    };
    if (driversOnly) {
        Add(new SLITEDRV::CCheckZentavoKey(EnglishText(IDS_CARD_KEY).c_str()), false);
    }
    Add(new CUnregisterTokenLocal(), false);
    if (!driversOnly) {
        Add(new SSETUPCOMDLL::CDeinstallCOMDLL(installed(L::FileCsp).c_str(), false), false);
        Add(new SSETUP::CDeinstallFile(installed(L::FileCspSignature).c_str(), false), false);
        Add(new SSETUPCOMDLL::CDeinstallCOMDLL(installed(L::FileIccsp).c_str(), false), false);
        Add(new SSETUP::CDeinstallFile(installed(L::FilePkcs11).c_str(), false), false);
    }
    // The PKCS#11 and API-extension modules come with newer packages only, and stay after a
    // downgrade to this one unless they go too.
    for (const int file : {L::FileReaderInf, L::FileReaderDriver, L::FileUsbDriver, L::FileUsbInf,
                           L::FileErr, L::FileApi, L::FileApiEx}) {
        Add(new SSETUP::CDeinstallFile(installed(file).c_str(), false), false);
    }
    for (const UINT key : {IDS_DRIVER_KEY, IDS_USB_KEY, IDS_CARD_KEY}) {
        Add(new SSETUPREG::CDeleteRegKeyOperation(HKEY_LOCAL_MACHINE, EnglishText(key).c_str(),
                                                  false),
            false);
    }
}

bool CUnInstallBelow110Ver::Perform(SSETUP::IContext& context) {
    return PerformRemovals(*this, context);
}

CInstallScCertPropKey::CInstallScCertPropKey() : COperationSet(true) {
    const OSVERSIONINFOA& version = osManager->GetVersionInfo();
    if (version.dwPlatformId != VER_PLATFORM_WIN32_NT || version.dwMajorVersion != 5 ||
        version.dwMinorVersion != 0) {
        return;
    }
    const char* const key =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\ScCertProp";
    Add(new SSETUPREG::CInstallRegKey(HKEY_LOCAL_MACHINE, key, true), false);
    static const char* const strings[][2] = {
        {"DLLName", "wlnotify.dll"},       {"Logon", "SCardStartCertProp"},
        {"Logoff", "SCardStopCertProp"},   {"Lock", "SCardSuspendCertProp"},
        {"Unlock", "SCardResumeCertProp"},
    };
    for (const auto& value : strings) {
        Add(new SSETUPREG::CInstallRegStringValue(HKEY_LOCAL_MACHINE, key, value[0], value[1],
                                                  true),
            false);
    }
    for (const char* const name : {"Enabled", "Impersonate", "Asynchronous"}) {
        Add(new SSETUPREG::CInstallRegDWORDValue(HKEY_LOCAL_MACHINE, key, name, 1, true), false);
    }
}

} // namespace SINSTALL
