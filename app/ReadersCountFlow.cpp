// The flows started from inside the main dialog: the reader count and the package's
// module list.
#include "app/MainInstall.h"
#include "ui/MainDialog.h"
#include "ui/QueryDialogs.h"
#include "app/Language.h"
#include "ui/Resource.h"

namespace {

// Asks for the new count; false when the dialog did not end with OK.
bool ChooseReadersCount(HWND owner, unsigned maximum, unsigned current, unsigned& chosen) {
    if (maximum < 11) {
        CSetReadersCountDlg dialog(maximum, current);
        const bool accepted = dialog.DoModal(owner) == IDOK;
        chosen = dialog.GetChosenCount();
        return accepted;
    }
    CSetReadersCountAbove10Dlg dialog(maximum, current);
    const bool accepted = dialog.DoModal(owner) == IDOK;
    chosen = dialog.GetChosenCount();
    return accepted;
}

// The wait cursor for one scope.
class CWaitCursor {
public:
    CWaitCursor() : previous(SetCursor(LoadCursorA(nullptr, IDC_WAIT))) {}
    ~CWaitCursor() { SetCursor(previous); }
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;

private:
    const HCURSOR previous;
};

} // namespace

void CMainDialog::ChangeReadersCount(HWND mainDialog) {
    using SINSTALL::CMainInstall;
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    unsigned maximum = 0;
    unsigned current = 0;
    unsigned chosen = 0;
    try {
        maximum = factory->GetMaxReadersCount();
        current = factory->GetReadersCount();
        if (!ChooseReadersCount(mainDialog, maximum, current, chosen) || chosen == current) {
            return;
        }
    } catch (...) {
        return;
    }

    bool rebootNeeded = false;
    bool changed = false;
    {
        EnableWindow(mainDialog, FALSE);
        RedrawWindow(mainDialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        CRunDummyDialogBox pleaseWait;
        pleaseWait.Create(IDD_READERS_WAIT, mainDialog);
        ShowWindow(mainDialog, SW_HIDE);
        if (pleaseWait.Handle() != nullptr) {
            SetFocus(pleaseWait.Handle());
        }
        {
            CWaitCursor waitCursor;
            // Not while another copy changes the machine; the window stays drawn meanwhile.
            SINSTALL::CMachineLock lock;
            try {
                changed = lock.Acquire(SINSTALL::CMachineLock::DefaultLimitMs, []() {}) &&
                          factory->SetReadersCount(chosen, &rebootNeeded);
            } catch (...) {
                changed = false;
            }
        }
        // Also after a failure: the main dialog must come back usable.
        ShowWindow(mainDialog, SW_SHOW);
        pleaseWait.Destroy();
        EnableWindow(mainDialog, TRUE);
        SetActiveWindow(mainDialog);
    }

    const std::string caption = CMainInstall::GetMessageCaption();
    if (!changed) {
        CMainInstall::ShowMessage(mainDialog, SLANG::LoadText(IDS_READERS_NOT_UPDATED).c_str(),
                                  caption.c_str(), MB_ICONEXCLAMATION | MB_OK);
        return;
    }
    CMainInstall::ShowMessage(mainDialog, SLANG::LoadText(IDS_READERS_UPDATED).c_str(),
                              caption.c_str(), MB_ICONEXCLAMATION | MB_OK);
    if (rebootNeeded &&
        CMainInstall::ShowMessage(mainDialog, SLANG::LoadText(IDS_REBOOT_QUESTION).c_str(),
                                  caption.c_str(), MB_ICONQUESTION | MB_YESNO) == IDYES) {
        SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
        osManager->GetOperations()->ShutdownSystem(EWX_REBOOT);
    }
}

void CMainDialog::ShowPackageFiles() {
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    try {
        const std::unique_ptr<SSETUP::ISetupOperation> procedure = factory->CreateInstall();
        if (procedure) {
            CDistributiveFilesDlg dialog(*procedure);
            dialog.DoModal(window);
        }
    } catch (...) {
        // An unreadable driver version shows nothing.
    }
}
