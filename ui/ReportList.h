#pragma once
// A list view in report style with three weighted columns, whose rows never stay selected:
// the question dialogs only show their rows.
#include <windows.h>
#include <string>
#include <vector>

class CReportList {
public:
    // Posted by the dialog to itself, with the index of the row to clear.
    static const UINT clearSelectionMessage = WM_USER + 1;

    struct CColumn {
        UINT titleId; // a hidden static of the dialog that carries the title
        int weight;
    };

    // Takes control id of dialog, sets its styles and adds the columns.
    void Attach(HWND dialog, UINT id, const CColumn (&columns)[3]);
    void AddRow(const std::vector<std::string>& texts);
    HWND Handle() const { return list; }

    // From the dialog's WM_NOTIFY and clearSelectionMessage; true when handled.
    bool OnNotify(const NMHDR& header);
    void ClearSelection(WPARAM index);

private:
    HWND dialog = nullptr;
    HWND list = nullptr;
};
