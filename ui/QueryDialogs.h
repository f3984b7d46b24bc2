#pragma once
// The question dialogs of the flows: newer installed files, the package's module list and
// the reader count.
//
// Stand-ins: their templates are not in the resources yet, so DoModal returns -1 at once
// and the flows take that as "not answered"; the dialogs themselves take their place behind
// these same interfaces.
#include "setup/SetupOperation.h"
#include "ui/Dialog.h"
#include "ui/Resource.h"
#include <string>
#include <vector>

class CSomeFilesFresherDlg : public CDialog {
public:
    struct CRow {
        std::string fileName;
        std::string packageVersion;
        std::string installedVersion;
    };
    // Answers stored by the buttons.
    enum : int { AnswerNone = 0, AnswerReinstallAll = 1, AnswerOnlyNew = 2, AnswerCancel = 3 };

    CSomeFilesFresherDlg(const std::vector<CRow>& rows, bool allNewer)
        : CDialog(allNewer ? IDD_FRESHER_ALL : IDD_FRESHER_SOME), rows(rows) {}
    int GetAnswer() const { return answer; }

protected:
    bool OnCommand(WORD id, WORD) override {
        if (id == IDCANCEL) {
            answer = AnswerCancel;
            EndDialog(IDCANCEL);
            return true;
        }
        return false;
    }

private:
    const std::vector<CRow> rows;
    int answer = AnswerNone;
};

class CDistributiveFilesDlg : public CDialog {
public:
    explicit CDistributiveFilesDlg(SSETUP::ISetupOperation& procedure)
        : CDialog(IDD_PACKAGE_FILES), procedure(procedure) {}

protected:
    bool OnCommand(WORD id, WORD) override {
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(id);
            return true;
        }
        return false;
    }

private:
    SSETUP::ISetupOperation& procedure;
};

// The reader-count choice: a list up to 10 readers, a number entry above.
class CReadersCountDlgBase : public CDialog {
public:
    unsigned GetChosenCount() const { return chosenCount; }

protected:
    CReadersCountDlgBase(UINT templateId, unsigned maximum, unsigned current)
        : CDialog(templateId), maximum(maximum), chosenCount(current) {}
    bool OnCommand(WORD id, WORD) override {
        if (id == IDOK || id == IDCANCEL) {
            EndDialog(id);
            return true;
        }
        return false;
    }

    const unsigned maximum;
    unsigned chosenCount;
};

class CSetReadersCountDlg : public CReadersCountDlgBase {
public:
    CSetReadersCountDlg(unsigned maximum, unsigned current)
        : CReadersCountDlgBase(IDD_READERS_LIST, maximum, current) {}
};

class CSetReadersCountAbove10Dlg : public CReadersCountDlgBase {
public:
    CSetReadersCountAbove10Dlg(unsigned maximum, unsigned current)
        : CReadersCountDlgBase(IDD_READERS_NUMBER, maximum, current) {}
};
