#pragma once
// The install procedure of packages whose reader driver is 1.1.0.0 or later, and the steps it
// shares with the legacy procedure.
#include "install/PackageLayout.h"
#include "setup/SetupOperation.h"
#include <windows.h>

namespace SINSTALL {

class CInstall : public SSETUP::COperationSet {
public:
    explicit CInstall(bool driversOnly);
    ~CInstall() override;

private:
    CPackageLayout layout;
};

namespace SSteps {

// The "ReadersCount" value of the driver's service key, or 3 when there is no 4-byte DWORD.
DWORD ReadStoredReadersCount();
// zvIFDH.sys, and only when it was copied, its service registration with the stored count.
SSETUP::ISetupOperation* NewReaderDriverService(const CPackageLayout& layout);
// zvUSB.sys, and only when it was copied, zvUSB.inf.
SSETUP::ISetupOperation* NewUsbDriver(const CPackageLayout& layout);
// zvCSP.dll with its signature, registered; the signature is copied only with its module, so
// that a newer installed provider never gets an older signature.
SSETUP::ISetupOperation* NewCryptoProvider(const CPackageLayout& layout);
// A plain module copy from the package to its target folder.
SSETUP::ISetupOperation* NewFileCopy(const CPackageLayout& layout, int fileIndex);

} // namespace SSteps
} // namespace SINSTALL
