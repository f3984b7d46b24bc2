#pragma once
// A list view of another process. Item and column texts travel in structures that hold
// pointers, which Windows does not marshal between processes: the structure and its text
// buffer are placed in the list view's own process.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "Handles.h"

namespace UIDRIVER {

class CRemoteListView {
public:
    explicit CRemoteListView(HWND list);

    // False when the process could not be opened or no memory could be placed in it.
    bool IsReady() const { return memory.IsValid(); }

    int ItemCount() const;
    // Columns of the report view's header; 0 in the other views.
    int ColumnCount() const;
    bool ColumnText(int column, std::string& text) const;
    bool ItemText(int item, int subItem, std::string& text) const;
    UINT ItemState(int item, UINT mask) const;
    DWORD ExtendedStyle() const;
    // Selects and focuses one item, as a click on it would; the list notifies its parent.
    bool Select(int item) const;

private:
    bool Send(UINT message, WPARAM wParam, LRESULT& result) const;
    bool ReadText(const char* remoteText, std::string& text) const;

    HWND list;
    CHandle process;
    CRemoteMemory memory;
};

} // namespace UIDRIVER
