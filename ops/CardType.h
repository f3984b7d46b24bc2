#pragma once
// Card-type registration with the smart-card database, as steps of an operation tree. Both
// steps report every failure through their notification and still succeed, so that a failed
// introduction never stops a procedure.
#include "ops/ZentavoManager.h"
#include "setup/Context.h"
#include "setup/SetupOperation.h"
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

// The work both steps share: one introduction or removal through a manager, reported.
class CTokenRegistrationBase : public SSETUP::CSetupOperationsDefault {
public:
    enum : DWORD { ScopeSystem = 1, ScopeUser = 2 };

    explicit CTokenRegistrationBase(bool critical) : CSetupOperationsDefault(critical) {}

protected:
    // Both report the outcome; only the manager's own failures are caught. Introduce returns
    // whether the card type was added by this call, Remove whether it was forgotten.
    bool Introduce(SZentavoManager::CZentavoManager& manager, SSETUP::IContext& context);
    bool Remove(SZentavoManager::CZentavoManager& manager, SSETUP::IContext& context);

private:
    void Report(SSETUP::IContext& context, const SZentavoManager::CZentavoManager& manager,
                bool isRegistration, DWORD errorCode, DWORD failureKind);
};

// Introduces the card type in one scope; performed only when it added the card type, which
// the rollback then forgets there again.
class CRegisterZentavo : public CTokenRegistrationBase {
public:
    CRegisterZentavo(SZentavoManager::CVariationPointPtr variationPoint, bool systemScope,
                     bool critical);

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    SZentavoManager::CVariationPointPtr variationPoint;
    bool systemScope;
};

// Forgets the token readers and the card type in the user scope, then in the system scope;
// the rollback introduces the card type in the system scope again when it was there.
class CUnRegisterZentavo : public CTokenRegistrationBase {
public:
    CUnRegisterZentavo(SZentavoManager::CVariationPointPtr variationPoint, bool critical);

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    SZentavoManager::CVariationPointPtr variationPoint;
    // The system scope had the card type and this step forgot it.
    bool systemTypeForgotten = false;
};

} // namespace SRegisterZentavo
