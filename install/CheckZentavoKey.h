#pragma once
// The guard of the drivers-only uninstallation: what its notification carries to the client.
#include "setup/Context.h"

namespace SLITEDRV {

class CCheckZentavoKey {
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
};

} // namespace SLITEDRV
