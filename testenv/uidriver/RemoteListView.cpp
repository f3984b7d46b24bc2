#include "RemoteListView.h"

#include "Messages.h"

namespace UIDRIVER {
namespace {

const size_t textCapacity = 1024;
// The structure first, its text buffer after it.
const size_t textOffset = 256;

DWORD ProcessOf(HWND window) {
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    return processId;
}

} // namespace

CRemoteListView::CRemoteListView(HWND list)
    : list(list), process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                          PROCESS_QUERY_INFORMATION,
                                      FALSE, ProcessOf(list))),
      // Without a process handle the allocation fails and the list reports not ready.
      memory(process.Get(), textOffset + textCapacity) {
    static_assert(sizeof(LVITEMA) <= textOffset && sizeof(LVCOLUMNA) <= textOffset,
                  "structures overlap the text buffer");
}

bool CRemoteListView::Send(UINT message, WPARAM wParam, LRESULT& result) const {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(list, message, wParam, reinterpret_cast<LPARAM>(memory.Address(0)),
                             SMTO_ABORTIFHUNG, messageTimeoutMs, &answer)) {
        return false;
    }
    result = static_cast<LRESULT>(answer);
    return true;
}

bool CRemoteListView::ReadText(const char* remoteText, std::string& text) const {
    char buffer[textCapacity] = "";
    // The list may answer with a pointer to its own storage instead of filling the buffer.
    if (remoteText == memory.Address(textOffset)) {
        if (!memory.Read(textOffset, buffer, sizeof buffer)) {
            return false;
        }
    } else if (remoteText == nullptr || !memory.ReadAt(remoteText, buffer, sizeof buffer - 1)) {
        return false;
    }
    buffer[sizeof buffer - 1] = '\0';
    text = buffer;
    return true;
}

int CRemoteListView::ItemCount() const {
    return static_cast<int>(Ask(list, LVM_GETITEMCOUNT, 0, 0));
}

int CRemoteListView::ColumnCount() const {
    if ((GetWindowLongA(list, GWL_STYLE) & LVS_TYPEMASK) != LVS_REPORT) {
        return 0;
    }
    const HWND header = reinterpret_cast<HWND>(Ask(list, LVM_GETHEADER, 0, 0));
    if (header == nullptr) {
        return 0;
    }
    return static_cast<int>(Ask(header, HDM_GETITEMCOUNT, 0, 0));
}

bool CRemoteListView::ColumnText(int column, std::string& text) const {
    LVCOLUMNA request = {};
    request.mask = LVCF_TEXT;
    request.pszText = memory.Address(textOffset);
    request.cchTextMax = textCapacity;
    const char empty = '\0';
    LRESULT result = 0;
    if (!memory.Write(0, &request, sizeof request) || !memory.Write(textOffset, &empty, 1) ||
        !Send(LVM_GETCOLUMNA, column, result) || result == 0) {
        return false;
    }
    LVCOLUMNA answer = {};
    return memory.Read(0, &answer, sizeof answer) && ReadText(answer.pszText, text);
}

bool CRemoteListView::ItemText(int item, int subItem, std::string& text) const {
    LVITEMA request = {};
    request.iSubItem = subItem;
    request.pszText = memory.Address(textOffset);
    request.cchTextMax = textCapacity;
    const char empty = '\0';
    LRESULT length = 0;
    if (!memory.Write(0, &request, sizeof request) || !memory.Write(textOffset, &empty, 1) ||
        !Send(LVM_GETITEMTEXTA, item, length)) {
        return false;
    }
    LVITEMA answer = {};
    return memory.Read(0, &answer, sizeof answer) && ReadText(answer.pszText, text);
}

UINT CRemoteListView::ItemState(int item, UINT mask) const {
    return static_cast<UINT>(Ask(list, LVM_GETITEMSTATE, item, mask));
}

DWORD CRemoteListView::ExtendedStyle() const {
    return static_cast<DWORD>(Ask(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

bool CRemoteListView::Select(int item) const {
    LVITEMA request = {};
    request.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    request.state = LVIS_SELECTED | LVIS_FOCUSED;
    LRESULT result = 0;
    return memory.Write(0, &request, sizeof request) && Send(LVM_SETITEMSTATE, item, result) &&
           result != 0;
}

} // namespace UIDRIVER
