#pragma once
// Card-type registration with the smart-card database: what its notifications carry.
#include "setup/Context.h"
#include <windows.h>

namespace SRegisterZentavo {

struct TokenRegistrationEvent {
    DWORD errorCode;   // 0 on success
    DWORD failureKind; // 0 on success
    bool reported;     // always true
    bool critical;     // IsCritical() of the notifying operation
    bool isRegistration;
    DWORD scope; // 1 system scope, 2 user scope
};

class IRegisterZentavoNotify : public SSETUP::IClientNotifyContext2 {
public:
    static constexpr const char* InterfaceName = "IRegisterZentavoNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const TokenRegistrationEvent& record) = 0;

protected:
    ~IRegisterZentavoNotify() = default;
};

} // namespace SRegisterZentavo
