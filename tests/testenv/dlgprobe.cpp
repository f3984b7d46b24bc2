// The UI driver's test dialog. "Go" writes what the dialog saw to the file named by the first
// argument and ends with EXIT_GO, so a test can check that the driver's actions reached the
// program as a user's would (with their notifications).
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "dlgprobe.h"

namespace {

int nameChanges = 0;
int selectedFile = -1;
std::string reportPath;

std::string TextOf(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void AddText(HWND list, UINT message, int row, int column, const char* text) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, message, message == LVM_INSERTITEMA ? 0 : row,
                 reinterpret_cast<LPARAM>(&item));
}

void Init(HWND dialog) {
    const HWND list = GetDlgItem(dialog, IDC_FILES);
    const char* titles[] = {"File name", "Version"};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNA header = {};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = 120;
        header.pszText = const_cast<char*>(titles[column]);
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&header));
    }
    AddText(list, LVM_INSERTITEMA, 0, 0, "zvIFDH.sys");
    AddText(list, LVM_SETITEMTEXTA, 0, 1, "1.1.0.0");
    AddText(list, LVM_INSERTITEMA, 1, 0, "zvUSB.sys");
    AddText(list, LVM_SETITEMTEXTA, 1, 1, "2.0.3.1");
    for (const char* choice : {"0", "1", "2", "3"}) {
        SendDlgItemMessageA(dialog, IDC_CHOICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    }
    SendDlgItemMessageA(dialog, IDC_CHOICE, CB_SETCURSEL, 3, 0);
    CheckDlgButton(dialog, IDC_ENGLISH, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_NAME, "hello");
    // Changes made while starting are the program's own, not the user's.
    nameChanges = 0;
}

void WriteReport(HWND dialog) {
    FILE* report = std::fopen(reportPath.c_str(), "w");
    if (report == nullptr) {
        return;
    }
    std::fprintf(report, "name=%s english=%u choice=%ld name_changes=%d selected_file=%d\n",
                 TextOf(dialog, IDC_NAME).c_str(), IsDlgButtonChecked(dialog, IDC_ENGLISH),
                 static_cast<long>(SendDlgItemMessageA(dialog, IDC_CHOICE, CB_GETCURSEL, 0, 0)),
                 nameChanges, selectedFile);
    std::fclose(report);
}

INT_PTR CALLBACK ProbeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        Init(dialog);
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change->hdr.idFrom == IDC_FILES && change->hdr.code == LVN_ITEMCHANGED &&
            (change->uNewState & LVIS_SELECTED) != 0) {
            selectedFile = change->iItem;
        }
        return FALSE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    if (LOWORD(wParam) == IDC_NAME && HIWORD(wParam) == EN_CHANGE) {
        ++nameChanges;
    } else if (LOWORD(wParam) == IDC_GO) {
        WriteReport(dialog);
        EndDialog(dialog, EXIT_GO);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
    }
    return TRUE;
}

} // namespace

int main(int argc, char** argv) {
    reportPath = argc > 1 ? argv[1] : "C:\\dlgprobe.txt";
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_PROBE),
                                           nullptr, ProbeProc, 0);
    return result < 0 ? EXIT_NO_DIALOG : static_cast<int>(result);
}
