// dialoghost: shows one of the program's dialogs with data given on the command line, so
// that a test drives it through the UI driver; the exit code carries the outcome.
//
//   dialoghost en|ru fresher some|all NAME/PACKAGE/INSTALLED...   exit: the answer (1, 2, 3)
//   dialoghost en|ru package PATH...                              exit: 0
//   dialoghost en|ru list|number MAXIMUM CURRENT                  exit: the count after OK,
//                                                                 200 after Cancel
//   dialoghost en|ru main INSTALLED(0|1) VERSIONTEXT              exit: the dialog's result
//   dialoghost en|ru mainicons                                    exit: 0 when the main
//            dialog's icons, opened and closed twice, were freed with it each time
//   dialoghost en|ru usage                                        the usage dialog
//   dialoghost en|ru wait ID                                      please-wait box ID for 5 s
//   dialoghost en|ru spawn FILE COMMAND...   runs COMMAND in this desktop, writes its exit
//                                            code to FILE (a desktop run hides it otherwise)
// Exit 100: the dialog could not be shown; 99: usage.
#include "app/Language.h"
#include "ui/MainDialog.h"
#include "ui/QueryDialogs.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const int notShown = 100;
const int usage = 99;
const int cancelled = 200;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;) {
        const std::string::size_type at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos) {
            return parts;
        }
        start = at + 1;
    }
}

int Outcome(INT_PTR shown, int value) {
    return shown == -1 ? notShown : value;
}

int Fresher(bool allNewer, int count, char** rowsText) {
    std::vector<CSomeFilesFresherDlg::CRow> rows;
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> fields = Split(rowsText[i], '/');
        fields.resize(3);
        rows.push_back({fields[0], fields[1], fields[2]});
    }
    CSomeFilesFresherDlg dialog(rows, allNewer);
    const INT_PTR shown = dialog.DoModal(nullptr);
    return Outcome(shown, dialog.GetAnswer());
}

template <class Dialog> int Readers(unsigned maximum, unsigned current) {
    Dialog dialog(maximum, current);
    const INT_PTR shown = dialog.DoModal(nullptr);
    return Outcome(shown, shown == IDOK ? static_cast<int>(dialog.GetChosenCount()) : cancelled);
}

// What the timer saw of the main dialog before closing it.
HICON g_large = nullptr;
HICON g_small = nullptr;

BOOL CALLBACK CloseMainDialog(HWND window, LPARAM) {
    if (GetDlgItem(window, IDC_INSTALL) == nullptr) {
        return TRUE;
    }
    g_large = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_BIG, 0));
    g_small = reinterpret_cast<HICON>(SendMessageA(window, WM_GETICON, ICON_SMALL, 0));
    EndDialog(window, IDCANCEL);
    return FALSE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), CloseMainDialog, 0);
}

bool IsIcon(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) {
        return false;
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return true;
}

int MainIcons() {
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, OnTimer);
    int failures = 0;
    for (int pass = 0; pass < 2; ++pass) {
        g_large = g_small = nullptr;
        {
            CMainDialog dialog;
            if (dialog.DoModal(nullptr) == -1) {
                return notShown;
            }
            if (!IsIcon(g_large) || !IsIcon(g_small)) {
                ++failures;
            }
        }
        if (IsIcon(g_large) || IsIcon(g_small)) {
            ++failures;
        }
    }
    KillTimer(nullptr, timer);
    return failures;
}

int ShowWaitBox(UINT id) {
    CRunDummyDialogBox box;
    if (!box.Create(id, nullptr)) {
        return notShown;
    }
    const DWORD end = GetTickCount() + 5000;
    while (GetTickCount() < end) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageA(box.Handle(), &message)) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        }
        Sleep(20);
    }
    return 0;
}

int Spawn(const char* file, int count, char** words) {
    std::string command;
    for (int i = 0; i < count; ++i) {
        command += std::string(i > 0 ? " " : "") + words[i];
    }
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return notShown;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    if (FILE* out = std::fopen(file, "w")) {
        std::fprintf(out, "%d\n", static_cast<int>(code));
        std::fclose(out);
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    if (argc < 3) {
        return usage;
    }
    SLANG::SetLanguage(std::string(argv[1]) == "ru" ? SLANG::LANG_ID_RUSSIAN
                                                    : SLANG::LANG_ID_ENGLISH);
    const std::string command = argv[2];
    if (command == "fresher" && argc >= 4) {
        return Fresher(std::string(argv[3]) == "all", argc - 4, argv + 4);
    }
    if (command == "package") {
        CDistributiveFilesDlg dialog(std::list<std::string>(argv + 3, argv + argc));
        return Outcome(dialog.DoModal(nullptr), 0);
    }
    if ((command == "list" || command == "number") && argc == 5) {
        const unsigned maximum = static_cast<unsigned>(std::atoi(argv[3]));
        const unsigned current = static_cast<unsigned>(std::atoi(argv[4]));
        return command == "list" ? Readers<CSetReadersCountDlg>(maximum, current)
                                 : Readers<CSetReadersCountAbove10Dlg>(maximum, current);
    }
    if (command == "main" && argc == 5) {
        CMainDialog dialog;
        dialog.SetDriversInstalled(std::string(argv[3]) == "1");
        dialog.SetVersionText(argv[4]);
        const INT_PTR shown = dialog.DoModal(nullptr);
        return Outcome(shown, static_cast<int>(shown));
    }
    if (command == "mainicons") {
        return MainIcons();
    }
    if (command == "usage") {
        CShowHelpDlg dialog;
        return Outcome(dialog.DoModal(nullptr), 0);
    }
    if (command == "wait" && argc == 4) {
        return ShowWaitBox(static_cast<UINT>(std::atoi(argv[3])));
    }
    if (command == "spawn" && argc >= 5) {
        return Spawn(argv[3], argc - 4, argv + 4);
    }
    return usage;
}
