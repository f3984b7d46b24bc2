#include "ui/ReportList.h"
#include <commctrl.h>

namespace {

std::string GetText(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

} // namespace

void CReportList::Attach(HWND owner, UINT id, const CColumn (&columns)[3]) {
    dialog = owner;
    list = GetDlgItem(owner, static_cast<int>(id));
    const LONG_PTR style = GetWindowLongPtrA(list, GWL_STYLE);
    SetWindowLongPtrA(list, GWL_STYLE,
                      style | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    RECT client = {};
    GetClientRect(list, &client);
    int weights = 0;
    for (const CColumn& column : columns) {
        weights += column.weight;
    }
    int index = 0;
    for (const CColumn& column : columns) {
        std::string title = GetText(GetDlgItem(owner, static_cast<int>(column.titleId)));
        LVCOLUMNA item = {};
        item.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        item.fmt = LVCFMT_LEFT;
        item.cx = column.weight * (client.right - client.left) / weights;
        item.pszText = &title[0];
        SendMessageA(list, LVM_INSERTCOLUMNA, static_cast<WPARAM>(index++),
                     reinterpret_cast<LPARAM>(&item));
    }
}

void CReportList::AddRow(const std::vector<std::string>& texts) {
    const int row = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (std::size_t column = 0; column < texts.size(); ++column) {
        std::string text = texts[column];
        LVITEMA item = {};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.iSubItem = static_cast<int>(column);
        item.pszText = &text[0];
        SendMessageA(list, column == 0 ? LVM_INSERTITEMA : LVM_SETITEMA, 0,
                     reinterpret_cast<LPARAM>(&item));
    }
}

bool CReportList::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != list || header.code != LVN_ITEMCHANGED) {
        return false;
    }
    const NMLISTVIEW& change = reinterpret_cast<const NMLISTVIEW&>(header);
    if ((change.uChanged & LVIF_STATE) != 0 &&
        (change.uNewState & (LVIS_SELECTED | LVIS_FOCUSED)) != 0 && change.iItem >= 0) {
        PostMessageA(dialog, clearSelectionMessage, static_cast<WPARAM>(change.iItem), 0);
    }
    return true;
}

void CReportList::ClearSelection(WPARAM index) {
    if (index >= static_cast<WPARAM>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0))) {
        return;
    }
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = 0;
    SendMessageA(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item));
}
