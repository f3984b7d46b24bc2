#include "install/InstallFactory.h"

namespace SINSTALL {

std::unique_ptr<SSETUP::ISetupOperation> CInstallFactory::CreateInstall() {
    return std::unique_ptr<SSETUP::ISetupOperation>(new SSETUP::COperationSet(true));
}

std::unique_ptr<SSETUP::ISetupOperation> CInstallFactory::CreateUninstall() {
    return std::unique_ptr<SSETUP::ISetupOperation>(new SSETUP::COperationSet(true));
}

unsigned CInstallFactory::GetReadersCount() {
    return 0;
}

bool CInstallFactory::SetReadersCount(unsigned, bool* rebootNeeded) {
    if (rebootNeeded != nullptr) {
        *rebootNeeded = false;
    }
    return true;
}

unsigned CInstallFactory::GetMaxReadersCount() {
    return 10;
}

} // namespace SINSTALL
