#include "setup/SetupOperation.h"
#include "setup/Context.h"
#include "setup/Visitor.h"

namespace SSETUP {

COperationSet::~COperationSet() {
    // Children go first to last.
    for (CEntry& entry : entries) {
        entry.operation.reset();
    }
}

bool COperationSet::Add(ISetupOperation* operation, bool mustBeDone) {
    if (operation == nullptr) {
        return false;
    }
    std::unique_ptr<ISetupOperation> owned(operation);
    entries.push_back(CEntry{std::move(owned), mustBeDone});
    return true;
}

bool COperationSet::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    const std::size_t count = entries.size();
    std::size_t stop = count;
    bool stopped = false;
    bool allDone = true;
    for (std::size_t i = 0; i < count; ++i) {
        if (context.IsAbortRequested()) {
            stop = i;
            stopped = true;
            break;
        }
        ISetupOperation& child = *entries[i].operation;
        if (child.Perform(context)) {
            if (entries[i].mustBeDone && !child.IsPerformed()) {
                allDone = false;
            }
            continue;
        }
        if (child.IsCritical()) {
            stop = i;
            stopped = true;
            break;
        }
        // A non-critical failure is known to the client through the child's notification.
    }
    if (context.IsAbortRequested()) {
        // Also after a complete walk: every child is undone.
        stop = count;
        stopped = true;
    }
    if (stopped) {
        // The child whose failure stopped the walk is not rolled back.
        for (std::size_t i = stop; i > 0; --i) {
            entries[i - 1].operation->Rollback(context);
        }
    }
    performed = allDone;
    return !stopped;
}

bool COperationSet::Rollback(IContext& context) {
    if (!IsPerformed()) {
        return true;
    }
    for (std::size_t i = entries.size(); i > 0; --i) {
        entries[i - 1].operation->Rollback(context);
    }
    performed = false;
    return true;
}

bool COperationSet::IsCritical() const {
    for (std::size_t i = entries.size(); i > 0; --i) {
        if (entries[i - 1].operation->IsCritical()) {
            return true;
        }
    }
    return false;
}

bool COperationSet::IsRebootPending() const {
    for (std::size_t i = entries.size(); i > 0; --i) {
        if (entries[i - 1].operation->IsRebootPending()) {
            return true;
        }
    }
    return false;
}

void COperationSet::Accept(SSetupVisitor::IVisitor& visitor) {
    for (CEntry& entry : entries) {
        entry.operation->Accept(visitor);
    }
}

CDependedOperation::CDependedOperation(ISetupOperation* master, ISetupOperation* dependent,
                                       bool critical)
    : CSetupOperationsDefault(critical), master(master), dependent(dependent) {}

CDependedOperation::~CDependedOperation() {
    master.reset();
    dependent.reset();
}

bool CDependedOperation::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    // A missing half behaves like the null guard: a step that succeeds and counts as done.
    SHelpers::CCareOfNullOperation first(master.get());
    SHelpers::CCareOfNullOperation second(dependent.get());
    bool result = first.Perform(context);
    if (result && first.IsPerformed()) {
        result = second.Perform(context);
        if (!result) {
            // The enclosing set does not roll back the child that failed: the pair must not
            // leave its master applied, or a new driver would stay without its registration.
            first.Rollback(context);
        }
    }
    performed = first.IsPerformed() && second.IsPerformed();
    return result;
}

bool CDependedOperation::Rollback(IContext& context) {
    if (!IsPerformed()) {
        return true;
    }
    SHelpers::CCareOfNullOperation(dependent.get()).Rollback(context);
    SHelpers::CCareOfNullOperation(master.get()).Rollback(context);
    performed = false;
    return true;
}

void CDependedOperation::Accept(SSetupVisitor::IVisitor& visitor) {
    SHelpers::CCareOfNullOperation(master.get()).Accept(visitor);
    SHelpers::CCareOfNullOperation(dependent.get()).Accept(visitor);
}

namespace SHelpers {

bool CCareOfNullOperation::Perform(IContext& context) {
    return wrapped == nullptr ? true : wrapped->Perform(context);
}

bool CCareOfNullOperation::Rollback(IContext& context) {
    return wrapped == nullptr ? true : wrapped->Rollback(context);
}

bool CCareOfNullOperation::IsCritical() const {
    return wrapped == nullptr ? false : wrapped->IsCritical();
}

bool CCareOfNullOperation::IsPerformed() const {
    return wrapped == nullptr ? true : wrapped->IsPerformed();
}

bool CCareOfNullOperation::IsRebootPending() const {
    return wrapped == nullptr ? false : wrapped->IsRebootPending();
}

void CCareOfNullOperation::Accept(SSetupVisitor::IVisitor& visitor) {
    if (wrapped != nullptr) {
        wrapped->Accept(visitor);
    }
}

} // namespace SHelpers
} // namespace SSETUP
