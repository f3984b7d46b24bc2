#include "install/InstallFactory.h"
#include "app/Language.h"
#include "install/InstallProcedure.h"
#include "install/LegacyProcedures.h"
#include "install/ReadersCount.h"
#include "install/UninstallProcedure.h"
#include "ops/FileVersions.h"
#include "ops/Registry.h"
#include "ui/Resource.h"

namespace SINSTALL {

namespace {

const unsigned NtMaxReadersCount = 127;
// Windows 9x serves at most ten readers, the other makers' ones included.
const unsigned NineXReaderSlots = 10;

std::string DriverKey() {
    return SLANG::LoadTextInLanguage(IDS_DRIVER_KEY, SLANG::LANG_ID_ENGLISH);
}

} // namespace

bool CInstallFactory::IsDriverVersion110OrLater(bool inPackage) {
    const std::string path =
        GetFilePath(FileReaderDriver, inPackage ? PackageFolder : InstalledFolder);
    SFileVersions::CFileVersionInfo info(path.c_str(), true);
    const VS_FIXEDFILEINFO fixed = info.GetFixedInfo();
    const WORD major = HIWORD(fixed.dwProductVersionMS);
    const WORD minor = LOWORD(fixed.dwProductVersionMS);
    return major > 1 || (major == 1 && minor >= 1);
}

std::unique_ptr<SSETUP::ISetupOperation> CInstallFactory::CreateInstall() {
    if (IsDriverVersion110OrLater(true)) {
        return std::unique_ptr<SSETUP::ISetupOperation>(new CInstall(driversOnly));
    }
    return std::unique_ptr<SSETUP::ISetupOperation>(new CInstallBelow110Ver(driversOnly));
}

bool CInstallFactory::IsPackageLeftWithoutReaderDriver() {
    SSETUPOS::IOsDependOperations& os = *osManager->GetOperations();
    if (os.FileExists(GetFilePath(FileReaderDriver, InstalledFolder).c_str())) {
        return false;
    }
    for (int file = 0; file < FileCount; ++file) {
        if (os.FileExists(GetFilePath(file, InstalledFolder).c_str())) {
            return true;
        }
    }
    for (const UINT id : {IDS_DRIVER_KEY, IDS_USB_KEY, IDS_CARD_KEY}) {
        SREGISTRY::CKey key;
        if (key.Open(HKEY_LOCAL_MACHINE,
                     SLANG::LoadTextInLanguage(id, SLANG::LANG_ID_ENGLISH).c_str(),
                     KEY_READ) == ERROR_SUCCESS) {
            return true;
        }
    }
    return false;
}

std::unique_ptr<SSETUP::ISetupOperation> CInstallFactory::CreateUninstall() {
    // An uninstall cut short (a power loss) after the reader driver went leaves the rest
    // behind: the current procedure removes it, passing over what is gone already.
    if (IsPackageLeftWithoutReaderDriver() || IsDriverVersion110OrLater(false)) {
        return std::unique_ptr<SSETUP::ISetupOperation>(new CUnInstall(driversOnly));
    }
    return std::unique_ptr<SSETUP::ISetupOperation>(new CUnInstallBelow110Ver(driversOnly));
}

unsigned CInstallFactory::GetReadersCount() {
    if (IsDriverVersion110OrLater(false)) {
        SZentavoManager::CZentavoManager manager(MakeTokenVariationPoint(), true);
        return manager.GetReadersCount();
    }
    return SSteps::ReadStoredReadersCount();
}

bool CInstallFactory::SetReadersCount(unsigned count, bool* rebootNeeded) {
    if (rebootNeeded != nullptr) {
        *rebootNeeded = false;
    }
    bool restart = false;
    bool written = false;
    if (IsDriverVersion110OrLater(false)) {
        SZentavoManager::CZentavoManager manager(MakeTokenVariationPoint(), true);
        written = manager.SetReadersCount(count, &restart);
    } else {
        SREGISTRY::CKey key;
        const DWORD value = count;
        written =
            key.Open(HKEY_LOCAL_MACHINE, DriverKey().c_str(), KEY_WRITE) == ERROR_SUCCESS &&
            RegSetValueExA(key.Get(), "ReadersCount", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
        // The legacy driver reads its count only when it starts.
        restart = true;
    }
    // A restart would not bring a count that was never stored.
    if (rebootNeeded != nullptr) {
        *rebootNeeded = written && restart;
    }
    return written;
}

unsigned CInstallFactory::GetMaxReadersCount() {
    if (osManager->IsNTPlatform()) {
        return NtMaxReadersCount;
    }
    SZentavoManager::CZentavoManager manager(MakeTokenVariationPoint(), true);
    std::vector<std::string> all;
    std::vector<std::string> tokens;
    if (manager.ListReaders(all, nullptr) != 0) {
        all.clear();
    }
    const std::string prefix = MakeTokenVariationPoint()->GetReaderNamePrefix();
    if (manager.ListReaders(tokens, prefix.c_str()) != 0) {
        tokens.clear();
    }
    const std::size_t others = all.size() > tokens.size() ? all.size() - tokens.size() : 0;
    return others >= NineXReaderSlots ? 0 : NineXReaderSlots - static_cast<unsigned>(others);
}

} // namespace SINSTALL
