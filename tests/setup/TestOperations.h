#pragma once
// Scripted operations for the model tests: each writes what happens to it into a shared
// journal, so a test can check calls, their order and the undo of real changes.
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include "setup/Visitor.h"
#include <stdexcept>
#include <string>
#include <vector>

namespace setuptest {

using Journal = std::vector<std::string>;

class CScriptedOperation : public SSETUP::CSetupOperationsDefault {
public:
    enum class Outcome { Change, NoChange, Fail, Throw };

    CScriptedOperation(Journal& journal, std::string name, Outcome outcome, bool critical,
                       bool rebootPending = false)
        : CSetupOperationsDefault(critical), journal(journal), name(std::move(name)),
          outcome(outcome) {
        this->rebootPending = rebootPending;
    }
    ~CScriptedOperation() override { journal.push_back("delete " + name); }

    // The leaf contract: a second Perform fails without effect.
    bool Perform(SSETUP::IContext&) override {
        if (IsPerformed()) {
            journal.push_back("again " + name);
            return false;
        }
        journal.push_back("perform " + name);
        switch (outcome) {
        case Outcome::Change:
            performed = true;
            return true;
        case Outcome::NoChange:
            return true;
        case Outcome::Fail:
            return false;
        case Outcome::Throw:
            throw std::runtime_error(name);
        }
        return false;
    }
    bool Rollback(SSETUP::IContext&) override {
        if (!IsPerformed()) {
            journal.push_back("rollback-idle " + name);
            return false;
        }
        journal.push_back("undo " + name);
        performed = false;
        return true;
    }
    void Accept(SSetupVisitor::IVisitor&) override { journal.push_back("accept " + name); }

private:
    Journal& journal;
    const std::string name;
    const Outcome outcome;
};

// A context that asks for an abort once IsAbortRequested has been asked `after` times.
class CAbortingContext : public SSETUP::IContext {
public:
    explicit CAbortingContext(int after) : after(after) {}
    bool SetRebootNeeded(bool needed) override { return needed; }
    SSETUP::IClientNotifyContext2* GetNotifyContext() override { return nullptr; }
    bool IsAbortRequested() override { return asked++ >= after; }

private:
    const int after;
    int asked = 0;
};

} // namespace setuptest
