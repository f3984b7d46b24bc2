// dialoghost en|ru COMMAND...: shows one of the program's dialogs with data from the command
// line, for the UI driver; exits with the dialog's answer, 100 when it could not be shown.
//   fresher some|all NAME/PACKAGE/INSTALLED...   main INSTALLED(0|1) VERSIONTEXT   usage
//   list|number MAXIMUM CURRENT (200: Cancel)     package PATH...   wait ID (for 5 s)
//   spawn FILE COMMAND...: runs COMMAND in this desktop, its exit code written to FILE
#include "app/Language.h"
#include "ui/MainDialog.h"
#include "ui/QueryDialogs.h"
#include <commctrl.h>
#include <cstdio>
#include <cstdlib>
#include <process.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

const int notShown = 100;
const int usage = 99;

int Outcome(INT_PTR shown, int value) {
    return shown == -1 ? notShown : value;
}

int Fresher(bool allNewer, int count, char** rowsText) {
    std::vector<CSomeFilesFresherDlg::CRow> rows(count);
    for (int i = 0; i < count; ++i) {
        std::istringstream text(rowsText[i]);
        std::getline(std::getline(text, rows[i].fileName, '/'), rows[i].packageVersion, '/');
        std::getline(text, rows[i].installedVersion);
    }
    CSomeFilesFresherDlg dialog(rows, allNewer);
    const INT_PTR shown = dialog.DoModal(nullptr);
    return Outcome(shown, dialog.GetAnswer());
}

template <class Dialog> int Readers(const char* maximum, const char* current) {
    Dialog dialog(static_cast<unsigned>(std::atoi(maximum)),
                  static_cast<unsigned>(std::atoi(current)));
    const INT_PTR shown = dialog.DoModal(nullptr);
    return Outcome(shown, shown == IDOK ? static_cast<int>(dialog.GetChosenCount()) : 200);
}

int ShowWaitBox(UINT id) {
    CRunDummyDialogBox box;
    if (!box.Create(id, nullptr)) {
        return notShown;
    }
    SetTimer(nullptr, 0, 5000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0 &&
           !(message.message == WM_TIMER && message.hwnd == nullptr)) {
        DispatchMessageA(&message);
    }
    return 0;
}

int Spawn(const char* file, char** command) {
    const intptr_t code = _spawnv(_P_WAIT, command[0], command);
    if (code == -1) {
        return notShown;
    }
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
    if (command == "list" && argc == 5) {
        return Readers<CSetReadersCountDlg>(argv[3], argv[4]);
    }
    if (command == "number" && argc == 5) {
        return Readers<CSetReadersCountAbove10Dlg>(argv[3], argv[4]);
    }
    if (command == "main" && argc == 5) {
        CMainDialog dialog;
        dialog.SetDriversInstalled(std::string(argv[3]) == "1");
        dialog.SetVersionText(argv[4]);
        const INT_PTR shown = dialog.DoModal(nullptr);
        return Outcome(shown, static_cast<int>(shown));
    }
    if (command == "usage") {
        CShowHelpDlg dialog;
        return Outcome(dialog.DoModal(nullptr), 0);
    }
    if (command == "wait" && argc == 4) {
        return ShowWaitBox(static_cast<UINT>(std::atoi(argv[3])));
    }
    if (command == "spawn" && argc >= 5) {
        return Spawn(argv[3], argv + 4);
    }
    return usage;
}
