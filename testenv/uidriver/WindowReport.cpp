#include "WindowReport.h"

#include <commctrl.h>

#include <cstdio>
#include <vector>

#include "Messages.h"
#include "RemoteListView.h"
#include "Text.h"

namespace UIDRIVER {
namespace {

std::string Flag(const char* name, long value) {
    return std::string(" ") + name + "=" + std::to_string(value);
}

std::string Hex(const char* name, DWORD value) {
    char text[64];
    std::snprintf(text, sizeof text, " %s=0x%08lX", name, static_cast<unsigned long>(value));
    return text;
}

bool IsClass(const std::string& className, const char* name) {
    return lstrcmpiA(className.c_str(), name) == 0;
}

const char* ButtonType(DWORD style) {
    switch (style & BS_TYPEMASK) {
    case BS_PUSHBUTTON:
        return "pushbutton";
    case BS_DEFPUSHBUTTON:
        return "defpushbutton";
    case BS_CHECKBOX:
        return "checkbox";
    case BS_AUTOCHECKBOX:
        return "autocheckbox";
    case BS_RADIOBUTTON:
        return "radiobutton";
    case BS_3STATE:
        return "3state";
    case BS_AUTO3STATE:
        return "auto3state";
    case BS_GROUPBOX:
        return "groupbox";
    case BS_AUTORADIOBUTTON:
        return "autoradiobutton";
    case BS_OWNERDRAW:
        return "ownerdraw";
    default:
        return "button";
    }
}

bool ButtonHasCheck(DWORD style) {
    switch (style & BS_TYPEMASK) {
    case BS_CHECKBOX:
    case BS_AUTOCHECKBOX:
    case BS_RADIOBUTTON:
    case BS_3STATE:
    case BS_AUTO3STATE:
    case BS_AUTORADIOBUTTON:
        return true;
    default:
        return false;
    }
}

const char* StaticType(DWORD style) {
    switch (style & SS_TYPEMASK) {
    case SS_ICON:
        return "icon";
    case SS_BITMAP:
        return "bitmap";
    default:
        return "text";
    }
}

const char* ComboType(DWORD style) {
    switch (style & 3) {
    case CBS_SIMPLE:
        return "simple";
    case CBS_DROPDOWN:
        return "dropdown";
    default:
        return "dropdownlist";
    }
}

std::string FocusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!GetGUIThreadInfo(thread, &info) || info.hwndFocus == nullptr) {
        return "none";
    }
    if (info.hwndFocus == window) {
        return "window";
    }
    if (!IsChild(window, info.hwndFocus)) {
        return "none";
    }
    return std::to_string(ControlIdOf(info.hwndFocus));
}

} // namespace

std::string CWindowReport::WindowLine(const CFoundWindow& found) const {
    const HWND window = found.window;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    RECT rect = {};
    GetWindowRect(window, &rect);
    char position[96];
    std::snprintf(position, sizeof position, " rect=%ld,%ld,%ld,%ld", rect.left, rect.top,
                  rect.right, rect.bottom);
    std::string line =
        "window " + HexHandle(window) + " " + ClassName(window) + " " + Quote(WindowText(window)) +
        Flag("pid", static_cast<long>(processId)) + " desktop=" + Quote(found.desktop) +
        Flag("visible", IsShown(window)) + Flag("enabled", IsWindowEnabled(window)) +
        Hex("style", static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE))) +
        Hex("exstyle", static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE))) + position;
    if (ClassName(window) == "#32770") {
        const LRESULT defId = Ask(window, DM_GETDEFID, 0, 0);
        if (HIWORD(defId) == DC_HASDEFID) {
            line += Flag("defid", LOWORD(defId));
        }
    }
    return line + " focus=" + FocusOf(window);
}

void CWindowReport::Dump(const CFoundWindow& found) const {
    std::printf("%s\n", WindowLine(found).c_str());
    DumpControls(found.window);
    std::printf("end %s\n", HexHandle(found.window).c_str());
}

void CWindowReport::DumpControls(HWND parent) const {
    // Z order of the children is the dialog's tab order. Child dialogs are walked into;
    // the inner windows of other controls (a combo's edit, a list's header) are theirs.
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        DumpControl(child);
        if (ClassName(child) == "#32770") {
            DumpControls(child);
        }
    }
}

void CWindowReport::DumpControl(HWND control) const {
    const unsigned id = ControlIdOf(control);
    const std::string className = ClassName(control);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE));
    std::string line =
        "control " + std::to_string(id) + " " + className + " " + Quote(WindowText(control));
    std::string type;
    if (IsClass(className, "Button")) {
        type = ButtonType(style);
    } else if (IsClass(className, "Static")) {
        type = StaticType(style);
    } else if (IsClass(className, "ComboBox")) {
        type = ComboType(style);
    } else if (IsClass(className, "Edit")) {
        type = "edit";
    } else if (IsClass(className, WC_LISTVIEWA)) {
        type = "listview";
    } else if (IsClass(className, "ListBox")) {
        type = "listbox";
    }
    if (!type.empty()) {
        line += " type=" + type;
    }
    line += Flag("visible", IsShown(control)) + Flag("enabled", IsWindowEnabled(control));
    if (IsClass(className, "Button") && ButtonHasCheck(style)) {
        line += Flag("checked", static_cast<long>(Ask(control, BM_GETCHECK, 0, 0)));
    }
    line += Hex("style", style);
    if (IsClass(className, WC_LISTVIEWA)) {
        DumpListView(control, id, line);
    } else if (IsClass(className, "ComboBox")) {
        DumpComboBox(control, id, line);
    } else if (IsClass(className, "ListBox")) {
        DumpListBox(control, id, line);
    } else {
        std::printf("%s\n", line.c_str());
    }
}

void CWindowReport::DumpListView(HWND list, unsigned id, const std::string& line) const {
    const CRemoteListView remote(list);
    if (!remote.IsReady()) {
        std::printf("%s error=remote-memory\n", line.c_str());
        return;
    }
    const int items = remote.ItemCount();
    const int columns = remote.ColumnCount();
    const DWORD extendedStyle = remote.ExtendedStyle();
    std::printf("%s%s%s%s\n", line.c_str(), Flag("items", items).c_str(),
                Flag("columns", columns).c_str(), Hex("lvexstyle", extendedStyle).c_str());
    for (int column = 0; column < columns; ++column) {
        std::string text;
        const bool read = remote.ColumnText(column, text);
        std::printf("column %u %d %s%s\n", id, column, Quote(text).c_str(),
                    read ? "" : " error=read");
    }
    const bool hasCheckBoxes = (extendedStyle & LVS_EX_CHECKBOXES) != 0;
    const int subItems = columns > 0 ? columns : 1;
    for (int item = 0; item < items; ++item) {
        std::string row = "row " + std::to_string(id) + " " + std::to_string(item);
        bool allRead = true;
        for (int subItem = 0; subItem < subItems; ++subItem) {
            std::string text;
            allRead = remote.ItemText(item, subItem, text) && allRead;
            row += " " + Quote(text);
        }
        const UINT state =
            remote.ItemState(item, LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK);
        row += Flag("selected", (state & LVIS_SELECTED) != 0) +
               Flag("focused", (state & LVIS_FOCUSED) != 0);
        if (hasCheckBoxes) {
            // State image 2 is the ticked box.
            row += Flag("checked", ((state & LVIS_STATEIMAGEMASK) >> 12) == 2);
        }
        std::printf("%s%s\n", row.c_str(), allRead ? "" : " error=read");
    }
}

void CWindowReport::DumpComboBox(HWND combo, unsigned id, const std::string& line) const {
    const long items = static_cast<long>(Ask(combo, CB_GETCOUNT, 0, 0));
    const long selected = static_cast<long>(Ask(combo, CB_GETCURSEL, 0, 0, CB_ERR));
    std::printf("%s%s%s\n", line.c_str(), Flag("items", items).c_str(),
                Flag("selected", selected).c_str());
    for (long item = 0; item < items; ++item) {
        const LRESULT length = Ask(combo, CB_GETLBTEXTLEN, item, 0, CB_ERR);
        std::string text;
        if (length != CB_ERR) {
            // Room for a multi-byte code page, where the ANSI text may be longer than reported.
            std::vector<char> buffer(length * 2 + 1, '\0');
            Ask(combo, CB_GETLBTEXT, item, reinterpret_cast<LPARAM>(buffer.data()));
            text = buffer.data();
        }
        std::printf("item %u %ld %s%s\n", id, item, Quote(text).c_str(),
                    Flag("selected", item == selected).c_str());
    }
}

void CWindowReport::DumpListBox(HWND listBox, unsigned id, const std::string& line) const {
    const long items = static_cast<long>(Ask(listBox, LB_GETCOUNT, 0, 0));
    std::printf(
        "%s%s%s\n", line.c_str(), Flag("items", items).c_str(),
        Flag("selected", static_cast<long>(Ask(listBox, LB_GETCURSEL, 0, 0, LB_ERR))).c_str());
    for (long item = 0; item < items; ++item) {
        const LRESULT length = Ask(listBox, LB_GETTEXTLEN, item, 0, LB_ERR);
        std::string text;
        if (length != LB_ERR) {
            // Room for a multi-byte code page, where the ANSI text may be longer than reported.
            std::vector<char> buffer(length * 2 + 1, '\0');
            Ask(listBox, LB_GETTEXT, item, reinterpret_cast<LPARAM>(buffer.data()));
            text = buffer.data();
        }
        const bool selected = Ask(listBox, LB_GETSEL, item, 0) > 0;
        std::printf("item %u %ld %s%s\n", id, item, Quote(text).c_str(),
                    Flag("selected", selected).c_str());
    }
}

} // namespace UIDRIVER
