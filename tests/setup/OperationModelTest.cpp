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

} // namespace

TEST_CASE("sets and depended pairs: perform in order, roll back last to first") {
    struct {
        char kind; // 'S' a set of the words, 'D' a non-critical pair: master, dependent
        const char* words;
        bool result, performed, critical, reboot, rollback;
        Journal journal; // after Perform and, with rollback, Rollback
    } const rows[] = {
        // clang-format off
        {'S', "A+!* B0! C- D+r", true, true, true, true, true,
         {"perform A", "perform B", "perform C", "perform D", "undo D", "idle C", "idle B", "undo A"}},
        {'S', "A- B+ C-! D+", false, true, true, false, false,
         {"perform A", "perform B", "perform C", "undo B", "idle A"}},
        {'S', "A+ B0*", true, false, false, false, false, {"perform A", "perform B"}},
        {'D', "M- D+", false, false, false, false, true, {"perform M"}},
        {'D', "M0 D+", true, false, false, false, true, {"perform M"}},
        {'D', "M+ D-", false, false, false, false, true, {"perform M", "perform D", "undo M"}},
        {'D', "M+!r D+!r", true, true, false, false, true,
         {"perform M", "perform D", "undo D", "undo M"}},
        {'D', "M+", true, true, false, false, true, {"perform M", "undo M"}},
        // clang-format on
    };
    for (const auto& row : rows) {
        INFO(std::string(row.words));
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
        SSETUP::CContextDefault context(nullptr);
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
