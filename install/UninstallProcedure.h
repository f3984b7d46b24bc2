#pragma once
// The uninstall procedure of drivers 1.1.0.0 and later: every removal step runs even when an
// earlier one failed, so that as much as possible is removed.
#include "install/PackageLayout.h"
#include "setup/SetupOperation.h"

namespace SINSTALL {

class CUnInstall : public SSETUP::COperationSet {
public:
    explicit CUnInstall(bool driversOnly);
    ~CUnInstall() override;

    // False when the drivers-only check refused, or when a file is left that was neither
    // deleted nor scheduled for deletion. On the 9x family success always asks for a restart.
    bool Perform(SSETUP::IContext& context) override;

private:
    CPackageLayout layout;
};

// Performs the removal set; false when the set failed or left a file in place that it could
// neither delete nor schedule for deletion. Files that were already absent are no failure.
bool PerformRemovals(SSETUP::COperationSet& removals, SSETUP::IContext& context);

} // namespace SINSTALL
