#pragma once
// The question dialogs of the flows: newer installed files, the package's module list and
// the reader count. Each one shows the data it is given.
#include "setup/SetupOperation.h"
#include "ui/Dialog.h"
#include "ui/ReportList.h"
#include "ui/Resource.h"
#include <list>
#include <string>
#include <vector>

// Asks how to reinstall when installed modules are newer than the package's.
class CSomeFilesFresherDlg : public CDialog {
public:
    struct CRow {
        std::string fileName;
        std::string packageVersion;
        std::string installedVersion;
    };
    // Answers stored by the buttons.
    enum : int { AnswerNone = 0, AnswerReinstallAll = 1, AnswerOnlyNew = 2, AnswerCancel = 3 };

    // allNewer: every compared module is newer on the machine, so only a complete
    // reinstall or nothing makes sense.
    CSomeFilesFresherDlg(const std::vector<CRow>& rows, bool allNewer)
        : CDialog(allNewer ? IDD_FRESHER_ALL : IDD_FRESHER_SOME), rows(rows) {}
    int GetAnswer() const { return answer; }

protected:
    void OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    const std::vector<CRow> rows;
    int answer = AnswerCancel;
    CReportList list;
};

// The program's own version and the package's modules with their versions.
class CDistributiveFilesDlg : public CDialog {
public:
    // The modules of the procedure's files.
    explicit CDistributiveFilesDlg(SSETUP::ISetupOperation& procedure);
    // The modules at these package paths.
    explicit CDistributiveFilesDlg(const std::list<std::string>& modulePaths)
        : CDialog(IDD_PACKAGE_FILES), modulePaths(modulePaths) {}

protected:
    void OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    void SetHeader();

    const std::list<std::string> modulePaths;
    CReportList list;
};

// The reader-count choice: a list up to 10 readers, a number entry above. The chosen count
// is the current one unless OK was pressed on a valid choice.
class CReadersCountDlgBase : public CDialog {
public:
    unsigned GetChosenCount() const { return chosenCount; }

protected:
    CReadersCountDlgBase(UINT templateId, unsigned maximum, unsigned current)
        : CDialog(templateId), maximum(maximum), chosenCount(current) {}

    const unsigned maximum;
    unsigned chosenCount;
};

class CSetReadersCountDlg : public CReadersCountDlgBase {
public:
    CSetReadersCountDlg(unsigned maximum, unsigned current)
        : CReadersCountDlgBase(IDD_READERS_LIST, maximum, current) {}

protected:
    void OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;

private:
    HWND choices = nullptr;
};

class CSetReadersCountAbove10Dlg : public CReadersCountDlgBase {
public:
    // The field takes at most 127 readers.
    static constexpr unsigned fieldLimit = 127;

    CSetReadersCountAbove10Dlg(unsigned maximum, unsigned current)
        : CReadersCountDlgBase(IDD_READERS_NUMBER, maximum, current) {}

protected:
    void OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;

private:
    void Validate();

    HWND field = nullptr;
    bool reverting = false;
};
