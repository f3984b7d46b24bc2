// The operation tree: perform and rollback order of sets and depended pairs, with scripted
// operations that write what happens to them into a journal.
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <doctest/doctest.h>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using Journal = std::vector<std::string>;

namespace {

// One word per operation: its name, then "+" changes, "0" changes nothing, "-" fails;
// "!" makes it critical, "r" reboot-pending, "*" a mustBeDone child of a set.
class CScripted : public SSETUP::CSetupOperationsDefault {
public:
    CScripted(Journal& journal, const std::string& word)
        : CSetupOperationsDefault(Has(word, '!')), journal(journal), word(word) {
        rebootPending = Has(word, 'r');
    }
    static bool Has(const std::string& word, char flag) {
        return word.find(flag, 2) != std::string::npos;
    }
    bool Perform(SSETUP::IContext&) override {
        journal.push_back("perform " + word.substr(0, 1));
        performed = word[1] == '+';
        return word[1] != '-';
    }
    bool Rollback(SSETUP::IContext&) override {
        journal.push_back((performed ? "undo " : "idle ") + word.substr(0, 1));
        const bool undone = performed;
        performed = false;
        return undone;
    }
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    Journal& journal;
    const std::string word;
};

// Asks for an abort once IsAbortRequested has been asked `after` times.
class CAbortingContext : public SSETUP::IContext {
public:
    explicit CAbortingContext(int after) : after(after) {}
    bool SetRebootNeeded(bool needed) override { return needed; }
    SSETUP::IClientNotifyContext2* GetNotifyContext() override { return nullptr; }
    bool IsAbortRequested() override { return after >= 0 && asked++ >= after; }

private:
    const int after;
    int asked = 0;
};

} // namespace

TEST_CASE("sets and depended pairs: perform in order, roll back last to first") {
    struct {
        char kind; // 'S' a set of the words, 'D' a non-critical pair: master, dependent
        const char* words;
        int abortAfter; // questions answered before the abort; -1: never
        bool result, performed, critical, reboot, rollback;
        Journal journal; // after Perform and, with rollback, Rollback
    } const rows[] = {
        // clang-format off
        {'S', "A+!* B0! C- D+r", -1, true, true, true, true, true,
         {"perform A", "perform B", "perform C", "perform D", "undo D", "idle C", "idle B", "undo A"}},
        {'S', "A- B+ C-! D+", -1, false, true, true, false, false,
         {"perform A", "perform B", "perform C", "undo B", "idle A"}},
        {'S', "A+ B0*", -1, true, false, false, false, false, {"perform A", "perform B"}},
        {'S', "A+ B+ C+", 2, false, true, false, false, false,
         {"perform A", "perform B", "idle C", "undo B", "undo A"}},
        {'S', "A+ B+", 2, false, true, false, false, false,
         {"perform A", "perform B", "undo B", "undo A"}},
        {'D', "M- D+", -1, false, false, false, false, true, {"perform M"}},
        {'D', "M0 D+", -1, true, false, false, false, true, {"perform M"}},
        {'D', "M+ D-", -1, false, false, false, false, true, {"perform M", "perform D", "undo M"}},
        {'D', "M+!r D+!r", -1, true, true, false, false, true,
         {"perform M", "perform D", "undo D", "undo M"}},
        {'D', "M+", -1, true, true, false, false, true, {"perform M", "undo M"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        INFO(row.words << " abort after " << row.abortAfter);
        Journal journal;
        std::vector<CScripted*> children;
        std::vector<bool> mustBeDone;
        std::istringstream words(row.words);
        for (std::string word; words >> word;) {
            children.push_back(new CScripted(journal, word));
            mustBeDone.push_back(CScripted::Has(word, '*'));
        }
        std::unique_ptr<SSETUP::ISetupOperation> tree;
        if (row.kind == 'D') {
            tree.reset(new SSETUP::CDependedOperation(
                children[0], children.size() > 1 ? children[1] : nullptr, false));
        } else {
            auto* set = new SSETUP::COperationSet(false);
            tree.reset(set);
            CHECK_FALSE(set->Add(nullptr, false));
            for (std::size_t i = 0; i < children.size(); ++i) {
                set->Add(children[i], mustBeDone[i]);
            }
        }
        CAbortingContext context(row.abortAfter);
        CHECK(tree->IsCritical() == row.critical);
        CHECK(tree->IsRebootPending() == row.reboot);
        CHECK(tree->Perform(context) == row.result);
        CHECK(tree->IsPerformed() == row.performed);
        std::size_t before = journal.size();
        if (row.result && row.performed) {
            CHECK_FALSE(tree->Perform(context));
            CHECK(journal.size() == before);
        }
        if (row.rollback) {
            CHECK(tree->Rollback(context));
            CHECK_FALSE(tree->IsPerformed());
            before = journal.size();
            CHECK(tree->Rollback(context));
            CHECK(journal.size() == before);
        }
        CHECK(journal == row.journal);
    }
}
