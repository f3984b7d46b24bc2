// Card-type registration steps: each builds a manager for its scope, does the work and
// reports the outcome; the manager's failures never fail the step.
#include "ops/CardType.h"
#include <utility>

namespace SRegisterZentavo {

using SZentavoManager::CZentavoManager;
using SZentavoManager::SEXCPT::CZentavoManExcpt;

void CTokenRegistrationBase::Report(SSETUP::IContext& context, const CZentavoManager& manager,
                                    bool isRegistration, DWORD errorCode, DWORD failureKind) {
    TokenRegistrationEvent record{};
    record.errorCode = errorCode;
    record.failureKind = failureKind;
    record.reported = true;
    record.critical = IsCritical();
    record.isRegistration = isRegistration;
    record.scope = manager.IsSystemScope() ? ScopeSystem : ScopeUser;
    SSETUP::SendNotify<IRegisterZentavoNotify>(context, record);
}

bool CTokenRegistrationBase::Introduce(CZentavoManager& manager, SSETUP::IContext& context) {
    bool added = false;
    try {
        added = manager.IntroduceCardType();
    } catch (const CZentavoManExcpt& failure) {
        Report(context, manager, true, failure.errorCode, failure.failureKind);
        return false;
    }
    Report(context, manager, true, 0, 0);
    return added;
}

bool CTokenRegistrationBase::Remove(CZentavoManager& manager, SSETUP::IContext& context) {
    try {
        manager.ForgetCardType();
    } catch (const CZentavoManExcpt& failure) {
        Report(context, manager, false, failure.errorCode, failure.failureKind);
        return false;
    }
    Report(context, manager, false, 0, 0);
    return true;
}

CRegisterZentavo::CRegisterZentavo(SZentavoManager::CVariationPointPtr variationPoint,
                                   bool systemScope, bool critical)
    : CTokenRegistrationBase(critical), variationPoint(std::move(variationPoint)),
      systemScope(systemScope) {}

bool CRegisterZentavo::Perform(SSETUP::IContext& context) {
    if (performed) {
        return false;
    }
    CZentavoManager manager(variationPoint, systemScope);
    // Only a card type this step added is forgotten by its rollback: one that was there
    // before may carry readers and settings of its own.
    performed = Introduce(manager, context);
    return true;
}

bool CRegisterZentavo::Rollback(SSETUP::IContext& context) {
    if (!performed) {
        return false;
    }
    CZentavoManager manager(variationPoint, systemScope);
    Remove(manager, context);
    performed = false;
    return true;
}

CUnRegisterZentavo::CUnRegisterZentavo(SZentavoManager::CVariationPointPtr variationPoint,
                                       bool critical)
    : CTokenRegistrationBase(critical), variationPoint(std::move(variationPoint)) {}

bool CUnRegisterZentavo::Perform(SSETUP::IContext& context) {
    if (performed) {
        return true;
    }
    {
        CZentavoManager user(variationPoint, false);
        Remove(user, context);
    }
    CZentavoManager system(variationPoint, true);
    systemTypeForgotten = Remove(system, context);
    performed = true;
    return true;
}

bool CUnRegisterZentavo::Rollback(SSETUP::IContext& context) {
    // Forgotten readers are not restored: the reader driver's readers enter the database
    // on their own. A machine that had no card type gets none.
    if (systemTypeForgotten) {
        CZentavoManager system(variationPoint, true);
        Introduce(system, context);
        systemTypeForgotten = false;
    }
    performed = false;
    return true;
}

} // namespace SRegisterZentavo
