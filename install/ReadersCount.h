#pragma once
// The package's binding of the token manager: which card, readers, driver key, INF and
// hardware ID it works on, and the two card-type steps the procedures use.
#include "install/PackageLayout.h"
#include "ops/CardType.h"
#include "ops/ZentavoManager.h"

namespace SINSTALL {

class CTokenManagerVarPoint : public SZentavoManager::IManagerVariationPointInterface {
public:
    // The ATR is the program's binary resource; empty when it cannot be loaded.
    std::vector<BYTE> GetATR() const override;
    std::string GetReaderNamePrefix() const override;
    std::string GetCardName() const override;
    std::string GetDriverServiceKey() const override;
    std::string GetReaderInfName() const override;
    std::string GetReaderHardwareId() const override;

private:
    CPackageLayout layout;
};

// A new variation point for one step or manager.
SZentavoManager::CVariationPointPtr MakeTokenVariationPoint();

// Introduces the token's card type in the system scope.
class CRegisterTokenLocal : public SRegisterZentavo::CRegisterZentavo {
public:
    CRegisterTokenLocal();
};

// Forgets the token readers and the card type left by an earlier installation.
class CUnregisterTokenLocal : public SRegisterZentavo::CUnRegisterZentavo {
public:
    CUnregisterTokenLocal();
};

} // namespace SINSTALL
