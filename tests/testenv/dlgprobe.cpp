// The UI driver's test dialog: every control kind the driver reads, and a way out per button
// that the exit code tells. "Go" writes what the dialog saw to the file named by the first
// argument, so a test can check that the driver's actions reached the program as a user's
// would (with their notifications).
//   exit 11 Go, 2 Cancel or Escape, 3 window closed, 6/7 Yes/No in the "Ask" box,
//   99 no dialog (no display)
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <string>

#include "dlgprobe.h"

namespace {

struct SSeen {
    int nameChanges = 0;
    int choiceChanges = 0;
    int selectedFile = -1;
};

SSeen seen;
std::string reportPath;

struct SFileRow {
    const char* name;
    const char* version;
};

const SFileRow fileRows[] = {
    {"zvIFDH.sys", "1.1.0.0"},
    {"zvUSB.sys", "2.0.3.1"},
    {"say \"hi\"", "-"},
};

std::string TextOf(HWND dialog, int id) {
    char text[256] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

void FillFiles(HWND list) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    const char* titles[] = {"File name", "Version"};
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNA header = {};
        header.mask = LVCF_TEXT | LVCF_WIDTH;
        header.cx = 150 - column * 40;
        header.pszText = const_cast<char*>(titles[column]);
        SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&header));
    }
    int row = 0;
    for (const SFileRow& file : fileRows) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<char*>(file.name);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        item.iSubItem = 1;
        item.pszText = const_cast<char*>(file.version);
        SendMessageA(list, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        ++row;
    }
}

void Init(HWND dialog) {
    FillFiles(GetDlgItem(dialog, IDC_FILES));
    const HWND choice = GetDlgItem(dialog, IDC_CHOICE);
    for (int n = 0; n <= 5; ++n) {
        const std::string text = std::to_string(n);
        SendMessageA(choice, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    SendMessageA(choice, CB_SETCURSEL, 3, 0);
    CheckDlgButton(dialog, IDC_ENGLISH, BST_CHECKED);
    SetDlgItemTextA(dialog, IDC_NAME, "hello");
    SetDlgItemTextA(dialog, IDC_COUNT, "5");
    // Changes made while starting are the program's own, not the user's.
    seen = SSeen();
}

void WriteReport(HWND dialog) {
    FILE* report = std::fopen(reportPath.c_str(), "w");
    if (report == nullptr) {
        return;
    }
    std::fprintf(report, "name=%s\n", TextOf(dialog, IDC_NAME).c_str());
    std::fprintf(report, "count=%s\n", TextOf(dialog, IDC_COUNT).c_str());
    std::fprintf(report, "english=%u\n", IsDlgButtonChecked(dialog, IDC_ENGLISH));
    std::fprintf(report, "choice=%ld\n",
                 static_cast<long>(SendDlgItemMessageA(dialog, IDC_CHOICE, CB_GETCURSEL, 0, 0)));
    std::fprintf(report, "name_changes=%d\n", seen.nameChanges);
    std::fprintf(report, "choice_changes=%d\n", seen.choiceChanges);
    std::fprintf(report, "selected_file=%d\n", seen.selectedFile);
    std::fclose(report);
}

void OnCommand(HWND dialog, int id, int code) {
    switch (id) {
    case IDC_GO:
        WriteReport(dialog);
        EndDialog(dialog, EXIT_GO);
        break;
    case IDC_ASK: {
        const int answer = MessageBoxA(dialog, "Proceed with the test?", "Driver Test",
                                       MB_YESNO | MB_ICONQUESTION);
        EndDialog(dialog, answer);
        break;
    }
    case IDCANCEL:
        EndDialog(dialog, EXIT_CANCEL);
        break;
    case IDC_NAME:
        if (code == EN_CHANGE) {
            ++seen.nameChanges;
        }
        break;
    case IDC_CHOICE:
        if (code == CBN_SELCHANGE) {
            ++seen.choiceChanges;
        }
        break;
    default:
        break;
    }
}

INT_PTR CALLBACK ProbeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        Init(dialog);
        return TRUE;
    case WM_COMMAND:
        OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    case WM_NOTIFY: {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(lParam);
        if (change->hdr.idFrom == IDC_FILES && change->hdr.code == LVN_ITEMCHANGED &&
            (change->uNewState & LVIS_SELECTED) != 0) {
            seen.selectedFile = change->iItem;
        }
        return FALSE;
    }
    case WM_CLOSE:
        EndDialog(dialog, EXIT_CLOSE);
        return TRUE;
    default:
        return FALSE;
    }
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
