// Sets, depended operations and the null guard: perform and rollback rules, ownership.
// Scripted operations write what happens to them into a shared journal.
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include "setup/Visitor.h"
#include <doctest/doctest.h>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

using SSETUP::CContextDefault;
using SSETUP::CDependedOperation;
using SSETUP::COperationSet;
using Journal = std::vector<std::string>;

namespace {
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
        if (outcome == Outcome::Throw) {
            throw std::runtime_error(name);
        }
        performed = outcome == Outcome::Change;
        return outcome != Outcome::Fail;
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

using Outcome = CScriptedOperation::Outcome;

Journal Without(const Journal& journal, const std::string& prefix) {
    Journal kept;
    for (const std::string& line : journal) {
        if (line.compare(0, prefix.size(), prefix) != 0) {
            kept.push_back(line);
        }
    }
    return kept;
}

// One scripted child per word: its name, then "+" changes, "0" changes nothing, "-" fails;
// "!" makes it critical, "r" reboot-pending, "*" a mustBeDone child of a set.
struct CChild {
    CScriptedOperation* operation;
    bool mustBeDone;
};
std::vector<CChild> Children(Journal& journal, const std::string& script) {
    std::vector<CChild> children;
    std::istringstream words(script);
    for (std::string word; words >> word;) {
        const char kind = word[1];
        const Outcome outcome = kind == '+'   ? Outcome::Change
                                : kind == '0' ? Outcome::NoChange
                                              : Outcome::Fail;
        const auto has = [&word](char flag) { return word.find(flag, 2) != std::string::npos; };
        children.push_back(
            {new CScriptedOperation(journal, word.substr(0, 1), outcome, has('!'), has('r')),
             has('*')});
    }
    return children;
}

} // namespace

TEST_CASE("a set performs its children in order and rolls them back last to first") {
    struct {
        const char* name;
        const char* children;
        int abortAfter; // questions answered before the abort; -1: never
        bool result, performed, critical, reboot, rollback;
        Journal journal; // after Perform and, with rollback, a Rollback
    } const rows[] = {
        // clang-format off
        {"empty", "", -1, true, true, false, false, false, {}},
        {"empty, aborted", "", 0, false, true, false, false, false, {}},
        {"full rollback", "A+! B0! C+r", -1, true, true, true, true, true,
         {"perform A", "perform B", "perform C", "undo C", "rollback-idle B", "undo A"}},
        {"non-critical failure ignored, critical one rolls back the earlier children",
         "A- B+ C-! D+", -1, false, true, true, false, false,
         {"perform A", "perform B", "perform C", "undo B", "rollback-idle A"}},
        // Only mustBeDone children decide whether the set is performed.
        {"only a non-critical failure", "A+ B-", -1, true, true, false, false, false,
         {"perform A", "perform B"}},
        {"a mustBeDone child without change", "A+ B0*", -1, true, false, false, false, false,
         {"perform A", "perform B"}},
        {"a performed mustBeDone child", "A+*", -1, true, true, false, false, false, {"perform A"}},
        // The abort still stands after the walk, so C (never performed) is asked too.
        {"abort before C", "A+ B+ C+", 2, false, true, false, false, false,
         {"perform A", "perform B", "rollback-idle C", "undo B", "undo A"}},
        {"abort after the walk", "A+ B+", 2, false, true, false, false, false,
         {"perform A", "perform B", "undo B", "undo A"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        Journal journal;
        CAbortingContext context(row.abortAfter < 0 ? 1 << 30 : row.abortAfter);
        COperationSet set(!row.critical);
        for (const CChild& child : Children(journal, row.children)) {
            set.Add(child.operation, child.mustBeDone);
        }
        CHECK(set.IsCritical() == row.critical);
        CHECK(set.IsRebootPending() == row.reboot);
        CHECK(set.Perform(context) == row.result);
        CHECK(set.IsPerformed() == row.performed);
        if (row.result && row.performed) {
            // A second Perform of a performed set fails without touching the children.
            const size_t before = journal.size();
            CHECK_FALSE(set.Perform(context));
            CHECK(journal.size() == before);
        }
        if (row.rollback) {
            CHECK(set.Rollback(context));
            CHECK_FALSE(set.IsPerformed());
            // A set that is not performed has nothing to undo.
            const size_t before = journal.size();
            CHECK(set.Rollback(context));
            CHECK(journal.size() == before);
        }
        CHECK(journal == row.journal);
    }
}

TEST_CASE("Add refuses a null operation; the list constructor stops at the first null") {
    Journal journal;
    {
        COperationSet set(false);
        CHECK_FALSE(set.Add(nullptr, false));
        CHECK(set.Add(new CScriptedOperation(journal, "A", Outcome::Change, false), false));
        CHECK(set.Count() == 1);
    }
    CHECK(journal == Journal{"delete A"});

    journal.clear();
    std::unique_ptr<CScriptedOperation> notTaken(
        new CScriptedOperation(journal, "D", Outcome::Change, false));
    {
        COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, false),
                          new CScriptedOperation(journal, "B", Outcome::Change, false),
                          new CScriptedOperation(journal, "C", Outcome::Change, false), nullptr,
                          notTaken.get(), nullptr);
        CHECK(set.Count() == 3);
    }
    // Children are deleted first to last.
    CHECK(journal == Journal{"delete A", "delete B", "delete C"});
}

TEST_CASE("a failing critical nested set stops its parent") {
    Journal journal;
    CContextDefault context(nullptr);
    auto* inner = new COperationSet(false);
    inner->Add(new CScriptedOperation(journal, "I1", Outcome::Change, false), false);
    inner->Add(new CScriptedOperation(journal, "I2", Outcome::Fail, true), false);
    COperationSet outer(false, new CScriptedOperation(journal, "O1", Outcome::Change, false), inner,
                        new CScriptedOperation(journal, "O3", Outcome::Change, false), nullptr);
    CHECK_FALSE(outer.Perform(context));
    // The inner set rolled back I1 itself; the outer one then rolls back O1 only
    // (the failed inner set is not rolled back by its parent).
    CHECK(journal == Journal{"perform O1", "perform I1", "perform I2", "undo I1", "undo O1"});
}

TEST_CASE("an exception of a child leaves the set at once, without rollback") {
    Journal journal;
    CContextDefault context(nullptr);
    COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, true),
                      new CScriptedOperation(journal, "B", Outcome::Throw, true), nullptr);
    CHECK_THROWS_AS(set.Perform(context), std::runtime_error);
    CHECK(journal == Journal{"perform A", "perform B"});
}

TEST_CASE("Accept walks the children first to last") {
    Journal journal;
    SSetupVisitor::CVisitorDefault visitor;
    COperationSet set(
        false, new CScriptedOperation(journal, "A", Outcome::Change, false),
        new CDependedOperation(new CScriptedOperation(journal, "M", Outcome::Change, false),
                               new CScriptedOperation(journal, "D", Outcome::Change, false), false),
        new CScriptedOperation(journal, "C", Outcome::Change, false), nullptr);
    set.Accept(visitor);
    CHECK(journal == Journal{"accept A", "accept M", "accept D", "accept C"});
}

TEST_CASE("a depended operation runs its dependent only after a change of its master") {
    struct {
        const char* pair; // master, then dependent (none: a missing dependent)
        bool result, performed;
        Journal journal; // after Perform and Rollback, deletes left out
    } const rows[] = {
        {"M- D+", false, false, {"perform M"}},
        {"M0 D+", true, false, {"perform M"}},
        // Not performed, so an enclosing rollback does not undo master a second time.
        {"M+ D-", false, false, {"perform M", "perform D", "undo M"}},
        {"M+ D+", true, true, {"perform M", "perform D", "undo D", "undo M"}},
        {"M+", true, true, {"perform M", "undo M"}},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.pair));
        Journal journal;
        CContextDefault context(nullptr);
        {
            const std::vector<CChild> pair = Children(journal, row.pair);
            CDependedOperation operation(pair[0].operation,
                                         pair.size() > 1 ? pair[1].operation : nullptr, false);
            CHECK(operation.Perform(context) == row.result);
            CHECK(operation.IsPerformed() == row.performed);
            if (row.performed) {
                CHECK_FALSE(operation.Perform(context));
            }
            CHECK(operation.Rollback(context));
            CHECK_FALSE(operation.IsPerformed());
        }
        CHECK(Without(journal, "delete") == row.journal);
    }
}

TEST_CASE("a depended operation owns its pair but not their flags") {
    Journal journal;
    {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Change, true, true),
                                new CScriptedOperation(journal, "D", Outcome::Change, true, true),
                                false);
        CHECK_FALSE(pair.IsCritical());
        CHECK_FALSE(pair.IsRebootPending());
    }
    CHECK(journal == Journal{"delete M", "delete D"});
}
TEST_CASE("null guard") {
    Journal journal;
    CContextDefault context(nullptr);
    SSetupVisitor::CVisitorDefault visitor;

    SSETUP::SHelpers::CCareOfNullOperation empty(nullptr);
    CHECK(empty.Perform(context));
    CHECK(empty.Rollback(context));
    CHECK(empty.IsPerformed());
    CHECK_FALSE(empty.IsCritical());
    empty.Accept(visitor);
    // Around an operation it forwards everything and does not delete it.
    CScriptedOperation operation(journal, "W", Outcome::Change, true, true);
    {
        SSETUP::SHelpers::CCareOfNullOperation guard(&operation);
        CHECK(guard.IsCritical());
        CHECK(guard.IsRebootPending());
        CHECK_FALSE(guard.IsPerformed());
        CHECK(guard.Perform(context));
        CHECK(guard.IsPerformed());
        CHECK_FALSE(guard.Perform(context));
        CHECK(guard.Rollback(context));
        guard.Accept(visitor);
    }
    CHECK(journal == Journal{"perform W", "again W", "undo W", "accept W"});
}
