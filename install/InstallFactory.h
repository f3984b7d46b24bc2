#pragma once
// The process-wide maker of procedures and server of the reader-count requests. The reader
// driver's product version decides between the current and the legacy procedures.
#include "install/PackageLayout.h"
#include "setup/SetupOperation.h"
#include <memory>

namespace SINSTALL {

class CInstallFactory : public CPackageLayout {
public:
    CInstallFactory() = default;

    // The install procedure for the distributive; throws SFileVersions::CFileVerExcpt when its
    // driver version is unreadable.
    std::unique_ptr<SSETUP::ISetupOperation> CreateInstall();
    // The uninstall procedure for the installed drivers; throws like CreateInstall. Without an
    // installed reader driver but with other parts of the package left, the current one.
    std::unique_ptr<SSETUP::ISetupOperation> CreateUninstall();

    // Whether the reader driver in the package (or, with false, the installed one) has
    // product version 1.1.0.0 or later. Throws SFileVersions::CFileVerExcpt.
    bool IsDriverVersion110OrLater(bool inPackage);
    // The installed reader driver is gone while a package file, a driver's service key or the
    // card type is still there (a run cut short after removing it).
    bool IsPackageLeftWithoutReaderDriver();

    // The installed drivers' reader count; throws like IsDriverVersion110OrLater.
    unsigned GetReadersCount();
    // False when the count could not be changed; rebootNeeded (may be null) is set only by a
    // change that completes at the next restart.
    bool SetReadersCount(unsigned count, bool* rebootNeeded);
    unsigned GetMaxReadersCount();

    void SetDriversOnly(bool value) { driversOnly = value; }
    bool IsDriversOnly() const { return driversOnly; }

private:
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    bool driversOnly = false;
};

} // namespace SINSTALL
