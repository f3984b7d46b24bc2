// Sets, depended operations and the null guard: perform and rollback rules, ownership.
#include "TestOperations.h"
#include <doctest/doctest.h>
#include <memory>

using namespace setuptest;
using SSETUP::CContextDefault;
using SSETUP::CDependedOperation;
using SSETUP::COperationSet;
using Outcome = CScriptedOperation::Outcome;

namespace {

Journal Without(const Journal& journal, const std::string& prefix) {
    Journal kept;
    for (const std::string& line : journal) {
        if (line.compare(0, prefix.size(), prefix) != 0) {
            kept.push_back(line);
        }
    }
    return kept;
}

} // namespace

TEST_CASE("an empty set succeeds, is performed, not critical, not reboot-pending") {
    CContextDefault context(nullptr);
    COperationSet set(true);
    CHECK(set.Count() == 0);
    CHECK(set.Perform(context));
    CHECK(set.IsPerformed());
    CHECK_FALSE(set.IsCritical());
    CHECK_FALSE(set.IsRebootPending());
    // A second Perform of the performed set fails.
    CHECK_FALSE(set.Perform(context));

    SUBCASE("an abort fails the empty set") {
        CAbortingContext aborting(0);
        COperationSet other(false);
        CHECK_FALSE(other.Perform(aborting));
        CHECK(other.IsPerformed());
    }
}

TEST_CASE("Add refuses a null operation; the list constructor stops at the first null") {
    Journal journal;
    {
        COperationSet set(false);
        CHECK_FALSE(set.Add(nullptr, false));
        CHECK(set.Count() == 0);
        CHECK(set.Add(new CScriptedOperation(journal, "A", Outcome::Change, false), false));
        CHECK(set.Count() == 1);
    }
    CHECK(journal == Journal{"delete A"});

    journal.clear();
    std::unique_ptr<CScriptedOperation> notTaken(
        new CScriptedOperation(journal, "C", Outcome::Change, false));
    {
        COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, false),
                          new CScriptedOperation(journal, "B", Outcome::Change, false), nullptr,
                          notTaken.get(), nullptr);
        CHECK(set.Count() == 2);
    }
    CHECK(journal == Journal{"delete A", "delete B"});

    COperationSet empty(true, static_cast<SSETUP::ISetupOperation*>(nullptr));
    CHECK(empty.Count() == 0);
}

TEST_CASE("a set deletes its children first to last") {
    Journal journal;
    {
        COperationSet set(true, new CScriptedOperation(journal, "A", Outcome::Change, false),
                          new CScriptedOperation(journal, "B", Outcome::Change, false),
                          new CScriptedOperation(journal, "C", Outcome::Change, false), nullptr);
    }
    CHECK(journal == Journal{"delete A", "delete B", "delete C"});
}

TEST_CASE("children perform in order; a full rollback goes last to first") {
    Journal journal;
    CContextDefault context(nullptr);
    COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, true),
                      new CScriptedOperation(journal, "B", Outcome::NoChange, true),
                      new CScriptedOperation(journal, "C", Outcome::Change, true), nullptr);
    REQUIRE(set.Perform(context));
    CHECK(set.IsPerformed());
    CHECK(journal == Journal{"perform A", "perform B", "perform C"});

    journal.clear();
    CHECK(set.Rollback(context));
    CHECK_FALSE(set.IsPerformed());
    CHECK(journal == Journal{"undo C", "rollback-idle B", "undo A"});

    // A set that is not performed has nothing to undo.
    journal.clear();
    CHECK(set.Rollback(context));
    CHECK(journal.empty());
}

TEST_CASE("non-critical failure ignored, critical failure rolls back the earlier children") {
    Journal journal;
    CContextDefault context(nullptr);
    COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Fail, false),
                      new CScriptedOperation(journal, "B", Outcome::Change, false),
                      new CScriptedOperation(journal, "C", Outcome::Fail, true),
                      new CScriptedOperation(journal, "D", Outcome::Change, false), nullptr);
    CHECK(set.IsCritical());
    CHECK_FALSE(set.Perform(context));
    // C, whose failure stopped the walk, is not rolled back; D never runs.
    CHECK(journal == Journal{"perform A", "perform B", "perform C", "undo B", "rollback-idle A"});
    // The set's performed flag follows allDone, also after a failure.
    CHECK(set.IsPerformed());
}

TEST_CASE("only a non-critical failure: the set succeeds") {
    Journal journal;
    CContextDefault context(nullptr);
    COperationSet set(true, new CScriptedOperation(journal, "A", Outcome::Change, false),
                      new CScriptedOperation(journal, "B", Outcome::Fail, false), nullptr);
    CHECK_FALSE(set.IsCritical());
    CHECK(set.Perform(context));
    CHECK(journal == Journal{"perform A", "perform B"});
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

TEST_CASE("mustBeDone: a child without change makes the set not performed") {
    Journal journal;
    CContextDefault context(nullptr);
    COperationSet set(false);
    set.Add(new CScriptedOperation(journal, "A", Outcome::Change, false), false);
    set.Add(new CScriptedOperation(journal, "B", Outcome::NoChange, false), true);
    CHECK(set.Perform(context));
    CHECK_FALSE(set.IsPerformed());

    SUBCASE("a performed mustBeDone child keeps the set performed") {
        COperationSet other(false);
        other.Add(new CScriptedOperation(journal, "C", Outcome::Change, false), true);
        CHECK(other.Perform(context));
        CHECK(other.IsPerformed());
    }
    SUBCASE("and an enclosing depended operation then skips its dependent") {
        auto* master = new COperationSet(false);
        master->Add(new CScriptedOperation(journal, "M", Outcome::NoChange, false), true);
        CDependedOperation pair(master, new CScriptedOperation(journal, "D", Outcome::Change, true),
                                true);
        journal.clear();
        CHECK(pair.Perform(context));
        CHECK_FALSE(pair.IsPerformed());
        CHECK(Without(journal, "delete") == Journal{"perform M"});
    }
}

TEST_CASE("an abort before a child stops the walk and rolls back every earlier child") {
    Journal journal;
    // Asked before A (no), before B (no), then before C: abort.
    CAbortingContext context(2);
    COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, false),
                      new CScriptedOperation(journal, "B", Outcome::Change, false),
                      new CScriptedOperation(journal, "C", Outcome::Change, false), nullptr);
    CHECK_FALSE(set.Perform(context));
    // The abort still stands after the loop, so C (never performed) is asked too.
    CHECK(journal == Journal{"perform A", "perform B", "rollback-idle C", "undo B", "undo A"});
}

TEST_CASE("an abort asked for after the complete walk rolls back every child") {
    Journal journal;
    // Two children: asked twice in the walk, the third question comes after it.
    CAbortingContext context(2);
    COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, false),
                      new CScriptedOperation(journal, "B", Outcome::Change, false), nullptr);
    CHECK_FALSE(set.Perform(context));
    CHECK(journal == Journal{"perform A", "perform B", "undo B", "undo A"});
}

TEST_CASE("a second Perform of a performed set does not touch the children") {
    Journal journal;
    CContextDefault context(nullptr);
    COperationSet set(false, new CScriptedOperation(journal, "A", Outcome::Change, false), nullptr);
    REQUIRE(set.Perform(context));
    journal.clear();
    CHECK_FALSE(set.Perform(context));
    CHECK(journal.empty());
}

TEST_CASE("IsCritical and IsRebootPending of a set come from its children") {
    Journal journal;
    COperationSet quiet(true, new CScriptedOperation(journal, "A", Outcome::Change, false),
                        nullptr);
    CHECK_FALSE(quiet.IsCritical());
    CHECK_FALSE(quiet.IsRebootPending());
    COperationSet loud(false, new CScriptedOperation(journal, "A", Outcome::Change, false),
                       new CScriptedOperation(journal, "B", Outcome::Change, true, true), nullptr);
    CHECK(loud.IsCritical());
    CHECK(loud.IsRebootPending());
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

TEST_CASE("depended operation") {
    Journal journal;
    CContextDefault context(nullptr);

    SUBCASE("master fails: false, dependent not called") {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Fail, false),
                                new CScriptedOperation(journal, "D", Outcome::Change, false), true);
        CHECK_FALSE(pair.Perform(context));
        CHECK_FALSE(pair.IsPerformed());
        CHECK(journal == Journal{"perform M"});
    }
    SUBCASE("master without change: true, dependent not called") {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::NoChange, false),
                                new CScriptedOperation(journal, "D", Outcome::Change, false), true);
        CHECK(pair.Perform(context));
        CHECK_FALSE(pair.IsPerformed());
        CHECK(journal == Journal{"perform M"});
    }
    SUBCASE("dependent fails: master is undone before the failure is reported") {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Change, false),
                                new CScriptedOperation(journal, "D", Outcome::Fail, false), true);
        CHECK_FALSE(pair.Perform(context));
        CHECK_FALSE(pair.IsPerformed());
        // Not performed, so an enclosing rollback does not undo master a second time.
        CHECK(pair.Rollback(context));
        CHECK(journal == Journal{"perform M", "perform D", "undo M"});
    }
    SUBCASE("both change: performed; rollback undoes dependent, then master") {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Change, false),
                                new CScriptedOperation(journal, "D", Outcome::Change, false),
                                false);
        CHECK(pair.Perform(context));
        CHECK(pair.IsPerformed());
        CHECK_FALSE(pair.Perform(context));
        CHECK(pair.Rollback(context));
        CHECK_FALSE(pair.IsPerformed());
        CHECK(journal == Journal{"perform M", "perform D", "undo D", "undo M"});
    }
    SUBCASE("critical and reboot-pending are the pair's own") {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Change, true, true),
                                new CScriptedOperation(journal, "D", Outcome::Change, true, true),
                                false);
        CHECK_FALSE(pair.IsCritical());
        CHECK_FALSE(pair.IsRebootPending());
    }
    SUBCASE("deletes master, then dependent") {
        {
            CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Change, false),
                                    new CScriptedOperation(journal, "D", Outcome::Change, false),
                                    false);
        }
        CHECK(journal == Journal{"delete M", "delete D"});
    }
    SUBCASE("a missing dependent counts as done") {
        CDependedOperation pair(new CScriptedOperation(journal, "M", Outcome::Change, false),
                                nullptr, false);
        CHECK(pair.Perform(context));
        CHECK(pair.IsPerformed());
        CHECK(pair.Rollback(context));
        CHECK(Without(journal, "delete") == Journal{"perform M", "undo M"});
    }
}

TEST_CASE("null guard") {
    Journal journal;
    CContextDefault context(nullptr);
    SSetupVisitor::CVisitorDefault visitor;

    SUBCASE("around null: performed and successful in everything") {
        SSETUP::SHelpers::CCareOfNullOperation guard(nullptr);
        CHECK(guard.Perform(context));
        CHECK(guard.Rollback(context));
        CHECK_FALSE(guard.IsCritical());
        CHECK(guard.IsPerformed());
        CHECK_FALSE(guard.IsRebootPending());
        guard.Accept(visitor);
    }
    SUBCASE("around an operation: forwards everything and does not delete it") {
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
}
