#include "ui/QueryDialogs.h"
#include "app/Language.h"
#include "ops/FileVersions.h"
#include "os/PathText.h"
#include "setup/DistributiveVisitors.h"
#include "ui/ReadersCountText.h"
#include <algorithm>
#include <cstdio>

namespace {

std::string TextOrNoValue(const std::string& text) {
    return text.empty() ? SLANG::LoadText(IDS_NO_VALUE) : text;
}

std::string Trimmed(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// format with its first two "%s" replaced, in order; a "%" in the values stays as it is.
std::string FillTwo(std::string format, const std::string& first, const std::string& second) {
    std::string::size_type at = format.find("%s");
    if (at != std::string::npos) {
        format.replace(at, 2, first);
        at = format.find("%s", at + first.size());
        if (at != std::string::npos) {
            format.replace(at, 2, second);
        }
    }
    return format;
}

bool HandleListMessage(CReportList& list, UINT message, WPARAM wParam, LPARAM lParam,
                       INT_PTR& result) {
    if (message == WM_NOTIFY) {
        return list.OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    }
    if (message == CReportList::clearSelectionMessage) {
        list.ClearSelection(wParam);
        // The number is also DM_SETDEFID: left unhandled, the system's dialog procedure would
        // make the row index the default button.
        result = TRUE;
        return true;
    }
    return false;
}

std::list<std::string> CollectModulePaths(SSETUP::ISetupOperation& procedure) {
    SSetupVisitors::CEnumDistributiveFilesVisitor visitor(
        SSetupVisitors::CEnumDistributiveFilesVisitor::CEnumOnlyExecutables{});
    procedure.Accept(visitor);
    return visitor.GetFiles();
}

} // namespace

void CSomeFilesFresherDlg::OnInitDialog() {
    SendDlgItemMessageA(window, IDC_WARNING_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_WARNING)), 0);
    list.Attach(
        window, IDC_FILE_LIST,
        {{IDC_TITLE_FILE, 25}, {IDC_TITLE_INSTALLED_VERSION, 40}, {IDC_TITLE_PACKAGE_VERSION, 40}});
    for (const CRow& row : rows) {
        list.AddRow(
            {row.fileName, TextOrNoValue(row.installedVersion), TextOrNoValue(row.packageVersion)});
    }
    SetWindowTextA(window, SLANG::LoadText(IDS_CAPTION).c_str());
}

bool CSomeFilesFresherDlg::OnCommand(WORD id, WORD) {
    switch (id) {
    case IDOK:
        answer = AnswerReinstallAll;
        EndDialog(IDOK);
        return true;
    case IDC_ONLY_NEW:
        // Hidden and disabled in the dialog for all-newer modules: Enter cannot reach it.
        answer = AnswerOnlyNew;
        EndDialog(IDC_ONLY_NEW);
        return true;
    case IDCANCEL:
        answer = AnswerCancel;
        EndDialog(IDCANCEL);
        return true;
    default:
        return false;
    }
}

bool CSomeFilesFresherDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    return HandleListMessage(list, message, wParam, lParam, result);
}

CDistributiveFilesDlg::CDistributiveFilesDlg(SSETUP::ISetupOperation& procedure)
    : CDialog(IDD_PACKAGE_FILES), modulePaths(CollectModulePaths(procedure)) {}

void CDistributiveFilesDlg::SetHeader() {
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    std::string version = SLANG::LoadText(IDS_NO_VALUE);
    std::string copyright;
    try {
        SFileVersions::CFileVersionInfo info(modulePath, true);
        std::vector<SFileVersions::CTranslation> translations;
        info.GetTranslations(translations);
        if (!translations.empty()) {
            version = info.GetString(translations.front(), "ProductVersion");
            copyright = info.GetString(translations.front(), "LegalCopyright");
        }
    } catch (const SFileVersions::CFileVerExcpt&) {
        // Without a version resource the header shows "-".
    }
    char format[513] = {};
    GetDlgItemTextA(window, IDC_PACKAGE_HEADER, format, sizeof(format));
    SetDlgItemTextA(window, IDC_PACKAGE_HEADER, FillTwo(format, version, copyright).c_str());
}

void CDistributiveFilesDlg::OnInitDialog() {
    SetHeader();
    list.Attach(window, IDC_FILE_LIST,
                {{IDC_TITLE_MODULE, 25}, {IDC_TITLE_VERSION, 15}, {IDC_TITLE_DESCRIPTION, 60}});
    SetWindowTextA(window, SLANG::LoadText(IDS_CAPTION).c_str());
    for (const std::string& path : modulePaths) {
        list.AddRow({SSETUPOS::GetFileNamePart(path),
                     TextOrNoValue(
                         Trimmed(SFileVersions::ReadVersionString(path.c_str(), "ProductVersion"))),
                     SFileVersions::ReadVersionString(path.c_str(), "FileDescription")});
    }
}

bool CDistributiveFilesDlg::OnCommand(WORD id, WORD) {
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(id);
        return true;
    }
    return false;
}

bool CDistributiveFilesDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    return HandleListMessage(list, message, wParam, lParam, result);
}

void CSetReadersCountDlg::OnInitDialog() {
    choices = GetDlgItem(window, IDC_READERS_LIST);
    for (unsigned n = 0; n <= maximum; ++n) {
        char text[16] = {};
        std::snprintf(text, sizeof(text), "%u", n);
        const LRESULT item = SendMessageA(choices, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(choices, CB_SETITEMDATA, static_cast<WPARAM>(item), n);
        if (n == chosenCount) {
            SendMessageA(choices, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
            SendMessageA(choices, CB_SETTOPINDEX, static_cast<WPARAM>(item), 0);
        }
    }
}

bool CSetReadersCountDlg::OnCommand(WORD id, WORD) {
    if (id == IDOK) {
        // A current count above the maximum has no item: nothing chosen keeps it.
        const LRESULT selected = SendMessageA(choices, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR) {
            chosenCount = static_cast<unsigned>(
                SendMessageA(choices, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0));
        }
        EndDialog(IDOK);
        return true;
    }
    if (id == IDCANCEL) {
        EndDialog(IDCANCEL);
        return true;
    }
    return false;
}

void CSetReadersCountAbove10Dlg::OnInitDialog() {
    field = GetDlgItem(window, IDC_READERS_NUMBER);
    char text[16] = {};
    std::snprintf(text, sizeof(text), "%u", chosenCount);
    reverting = true;
    SetWindowTextA(field, text);
    reverting = false;
}

void CSetReadersCountAbove10Dlg::Validate() {
    if (reverting) {
        return;
    }
    char text[100] = {};
    GetWindowTextA(field, text, sizeof(text));
    unsigned count = 0;
    if (ParseReadersCount(text, std::min(fieldLimit, maximum), count)) {
        chosenCount = count;
        return;
    }
    char accepted[16] = {};
    std::snprintf(accepted, sizeof(accepted), "%u", chosenCount);
    reverting = true;
    SetWindowTextA(field, accepted);
    reverting = false;
    const LPARAM end = lstrlenA(accepted);
    SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(end), end);
}

bool CSetReadersCountAbove10Dlg::OnCommand(WORD id, WORD code) {
    if (id == IDC_READERS_NUMBER && code == EN_UPDATE) {
        Validate();
        return true;
    }
    if (id == IDOK || id == IDCANCEL) {
        EndDialog(id);
        return true;
    }
    return false;
}
