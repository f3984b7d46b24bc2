#pragma once
// The process-wide maker of procedures and server of the reader-count requests.
//
// Stand-in: the procedures are empty operation sets and the reader count is not stored
// anywhere, until the procedures and the reader-count code take their place behind this
// same interface.
#include "install/PackageLayout.h"
#include "setup/SetupOperation.h"
#include <memory>

namespace SINSTALL {

class CInstallFactory : public CPackageLayout {
public:
    CInstallFactory() = default;

    // The install procedure for the distributive; throws when its driver version is unreadable.
    std::unique_ptr<SSETUP::ISetupOperation> CreateInstall();
    // The uninstall procedure for the installed drivers; throws like CreateInstall.
    std::unique_ptr<SSETUP::ISetupOperation> CreateUninstall();

    unsigned GetReadersCount();
    // False when the count could not be changed; rebootNeeded (may be null) tells whether
    // the change completes only at the next restart.
    bool SetReadersCount(unsigned count, bool* rebootNeeded);
    unsigned GetMaxReadersCount();

    void SetDriversOnly(bool value) { driversOnly = value; }
    bool IsDriversOnly() const { return driversOnly; }

private:
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    bool driversOnly = false;
};

} // namespace SINSTALL
