#include "ui/MainDialog.h"
#include "app/Language.h"
#include "ui/Resource.h"

namespace {

// Over the owner when it can be seen, otherwise in the screen's work area; always inside it.
void CenterInWorkArea(HWND dialog) {
    RECT workArea = {};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &workArea, 0);
    RECT around = workArea;
    const HWND owner = GetWindow(dialog, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &around);
    }
    RECT own = {};
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int left = (around.left + around.right - width) / 2;
    int top = (around.top + around.bottom - height) / 2;
    if (left + width > workArea.right) {
        left = workArea.right - width;
    }
    if (top + height > workArea.bottom) {
        top = workArea.bottom - height;
    }
    if (left < workArea.left) {
        left = workArea.left;
    }
    if (top < workArea.top) {
        top = workArea.top;
    }
    SetWindowPos(dialog, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

HICON LoadProgramIcon(int sizeMetric) {
    return static_cast<HICON>(LoadImageA(SLANG::GetResourceModule(), MAKEINTRESOURCEA(IDI_MORVISK),
                                         IMAGE_ICON, GetSystemMetrics(sizeMetric),
                                         GetSystemMetrics(sizeMetric), 0));
}

} // namespace

void CIconHandle::Reset(HICON icon) {
    if (handle != nullptr) {
        DestroyIcon(handle);
    }
    handle = icon;
}

CMainDialog::CMainDialog() : CDialog(IDD_MAIN) {}

void CMainDialog::SetIcons() {
    if (largeIcon.Get() == nullptr) {
        largeIcon.Reset(LoadProgramIcon(SM_CXICON));
    }
    if (smallIcon.Get() == nullptr) {
        smallIcon.Reset(LoadProgramIcon(SM_CXSMICON));
    }
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.Get()));
    SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
}

void CMainDialog::OnInitDialog() {
    CenterInWorkArea(window);
    englishBox = GetDlgItem(window, IDC_ENGLISH);
    installButton = GetDlgItem(window, IDC_INSTALL);
    uninstallButton = GetDlgItem(window, IDC_UNINSTALL);
    readersButton = GetDlgItem(window, IDC_READERS);
    versionLabel = GetDlgItem(window, IDC_VERSION_LABEL);
    versionsButton = GetDlgItem(window, IDC_VERSIONS);
    SetIcons();
    // Checked when the texts shown are English, also where they stand in for a third
    // language: clicking then switches to Russian, as the box promises.
    SendMessageA(
        englishBox, BM_SETCHECK,
        GetTemplateLanguage(IDD_MAIN) == SLANG::LANG_ID_ENGLISH ? BST_CHECKED : BST_UNCHECKED, 0);
    if (driversInstalled) {
        SetWindowTextA(installButton, SLANG::LoadText(IDS_REINSTALL).c_str());
        EnableWindow(uninstallButton, TRUE);
        EnableWindow(readersButton, TRUE);
    }
    if (!versionText.empty()) {
        SetWindowTextA(versionLabel, ("v " + versionText).c_str());
        ShowWindow(versionLabel, SW_SHOW);
    } else {
        ShowWindow(versionsButton, SW_SHOW);
    }
}

bool CMainDialog::OnCommand(WORD id, WORD code) {
    if (code != BN_CLICKED) {
        return false;
    }
    switch (id) {
    case IDC_INSTALL:
    case IDC_UNINSTALL:
    case IDCANCEL:
        EndDialog(id);
        return true;
    case IDC_READERS:
        ChangeReadersCount(window);
        return true;
    case IDC_ENGLISH:
        SLANG::SetLanguageAndStore(SLANG::GetCurrentLanguage() == SLANG::LANG_ID_RUSSIAN
                                       ? SLANG::LANG_ID_ENGLISH
                                       : SLANG::LANG_ID_RUSSIAN);
        EndDialog(IDC_ENGLISH);
        return true;
    case IDC_VERSIONS:
        ShowPackageFiles();
        return true;
    default:
        return false;
    }
}

CShowHelpDlg::CShowHelpDlg() : CDialog(IDD_USAGE) {}

bool CShowHelpDlg::OnCommand(WORD id, WORD) {
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(id == IDOK ? 1 : 2);
        return true;
    }
    return false;
}

bool CShowHelpDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, INT_PTR& result) {
    if (message != WM_CTLCOLORSTATIC) {
        return false;
    }
    const HDC context = reinterpret_cast<HDC>(wParam);
    SetBkMode(context, TRANSPARENT);
    result = reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
    return true;
}

bool CRunDummyDialogBox::Create(UINT id, HWND owner) {
    templateId = id;
    if (!CreateModeless(owner)) {
        return false;
    }
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return true;
}

bool CRunDummyDialogBox::OnCommand(WORD id, WORD) {
    // Enter and Escape must not close the box while a flow runs.
    return id == IDOK || id == IDCANCEL;
}
