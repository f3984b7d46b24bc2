#pragma once
// The procedures of packages whose reader driver is older than 1.1.0.0 (a plain kernel driver
// service, no reader devices), and the Winlogon key for smart-card certificate propagation.
#include "install/PackageLayout.h"
#include "setup/SetupOperation.h"

namespace SINSTALL {

class CInstallBelow110Ver : public SSETUP::COperationSet {
public:
    explicit CInstallBelow110Ver(bool driversOnly);

private:
    CPackageLayout layout;
};

class CUnInstallBelow110Ver : public SSETUP::COperationSet {
public:
    explicit CUnInstallBelow110Ver(bool driversOnly);

    // False also when a file is left that was neither deleted nor scheduled for deletion.
    bool Perform(SSETUP::IContext& context) override;

private:
    CPackageLayout layout;
};

// Written on Windows 2000 only; elsewhere the set is empty.
class CInstallScCertPropKey : public SSETUP::COperationSet {
public:
    CInstallScCertPropKey();
};

} // namespace SINSTALL
