#pragma once
// The guard of the drivers-only uninstallation: it refuses to go on while the card type is
// bound to a cryptographic service provider, which removing the drivers would break.
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <string>

namespace SLITEDRV {

class CCheckZentavoKey : public SSETUP::CSetupOperationsDefault {
public:
    struct TokenKeyCheckEvent {
        SSETUP::IContext* context;
    };

    class INotifyZentavoKey : public SSETUP::IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "INotifyZentavoKey";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const TokenKeyCheckEvent& record) = 0;

    protected:
        ~INotifyZentavoKey() = default;
    };

    // keyPath: the card type's key under HKEY_LOCAL_MACHINE.
    explicit CCheckZentavoKey(const char* keyPath);

    // False, after notifying, when the key carries a "Crypto Provider" value.
    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    const std::string keyPath;
};

} // namespace SLITEDRV
