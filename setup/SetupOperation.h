#pragma once
// The operation model: every change to the machine is an operation that can be performed,
// rolled back, and shown to a visitor. Sets and depended operations own their children.
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include <cstddef>
#include <memory>
#include <vector>

namespace SSetupVisitor {
class IVisitor;
}

namespace SSETUP {

class IContext;

class ISetupOperation {
public:
    // Carries out the step. A leaf that had nothing to change returns true and stays
    // not performed; a second call on a performed operation returns false.
    virtual bool Perform(IContext& context) = 0;
    // Undoes what Perform did.
    virtual bool Rollback(IContext& context) = 0;
    // Whether a failure of this operation stops the enclosing set.
    virtual bool IsCritical() const = 0;
    // Whether the operation changed something that a rollback would undo.
    virtual bool IsPerformed() const = 0;
    // Whether the effect is complete only after the next restart.
    virtual bool IsRebootPending() const = 0;
    virtual void Accept(SSetupVisitor::IVisitor& visitor) = 0;
    virtual ~ISetupOperation() = default;
};

// The base of every operation: the three state flags and a counted reference on the
// process-wide OS manager, through which operations reach the file system primitives.
class CSetupOperationsDefault : public ISetupOperation {
public:
    explicit CSetupOperationsDefault(bool critical) : critical(critical) {}
    CSetupOperationsDefault(const CSetupOperationsDefault&) = delete;
    CSetupOperationsDefault& operator=(const CSetupOperationsDefault&) = delete;

    bool IsCritical() const override { return critical; }
    bool IsPerformed() const override { return performed; }
    bool IsRebootPending() const override { return rebootPending; }

protected:
    SSETUPOS::IOsDependOperations& Os() { return *osManager->GetOperations(); }

    bool performed = false;
    bool critical;
    bool rebootPending = false;
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
};

// Children performed in order; a failing critical child rolls the earlier ones back.
class COperationSet : public CSetupOperationsDefault {
public:
    explicit COperationSet(bool critical) : CSetupOperationsDefault(critical) {}
    // Takes over the operations of the list up to its first null pointer, which ends the
    // list: COperationSet(true, new A, new B, nullptr). Operations after it are not taken.
    template <class... Rest>
    COperationSet(bool critical, ISetupOperation* first, Rest... rest)
        : CSetupOperationsDefault(critical) {
        ISetupOperation* const list[] = {first, static_cast<ISetupOperation*>(rest)...};
        for (ISetupOperation* operation : list) {
            if (operation == nullptr) {
                break;
            }
            Add(operation, false);
        }
    }
    ~COperationSet() override;

    // Takes over operation and appends it; a null pointer is refused (false).
    // mustBeDone: a child that succeeds without changing anything makes the set
    // report itself not performed.
    bool Add(ISetupOperation* operation, bool mustBeDone);
    std::size_t Count() const { return entries.size(); }

    bool Perform(IContext& context) override;
    bool Rollback(IContext& context) override;
    // True when any child is critical.
    bool IsCritical() const override;
    // True when any child's effect waits for the restart.
    bool IsRebootPending() const override;
    void Accept(SSetupVisitor::IVisitor& visitor) override;

private:
    struct CEntry {
        std::unique_ptr<ISetupOperation> operation;
        bool mustBeDone;
    };
    std::vector<CEntry> entries;
};

// A second step that runs only when the first one really changed something.
class CDependedOperation : public CSetupOperationsDefault {
public:
    // Takes over both operations.
    CDependedOperation(ISetupOperation* master, ISetupOperation* dependent, bool critical);
    ~CDependedOperation() override;

    bool Perform(IContext& context) override;
    bool Rollback(IContext& context) override;
    void Accept(SSetupVisitor::IVisitor& visitor) override;

private:
    std::unique_ptr<ISetupOperation> master;
    std::unique_ptr<ISetupOperation> dependent;
};

namespace SHelpers {

// Lets a caller treat an optional operation as present: forwards everything to the wrapped
// operation, or behaves as a performed no-op when there is none. Does not own it.
class CCareOfNullOperation : public ISetupOperation {
public:
    explicit CCareOfNullOperation(ISetupOperation* wrapped) : wrapped(wrapped) {}

    bool Perform(IContext& context) override;
    bool Rollback(IContext& context) override;
    bool IsCritical() const override;
    bool IsPerformed() const override;
    bool IsRebootPending() const override;
    void Accept(SSetupVisitor::IVisitor& visitor) override;

private:
    ISetupOperation* const wrapped;
};

} // namespace SHelpers
} // namespace SSETUP
