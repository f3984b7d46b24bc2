#include "Actions.h"

#include <commctrl.h>

#include <cstdio>

#include "Messages.h"
#include "RemoteListView.h"
#include "Text.h"
#include "WindowFinder.h"

namespace UIDRIVER {
namespace {

struct SKeyName {
    const char* name;
    UINT key;
};

const SKeyName keyNames[] = {
    {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"ESC", VK_ESCAPE},
    {"TAB", VK_TAB},       {"SPACE", VK_SPACE},  {"BACK", VK_BACK},     {"DELETE", VK_DELETE},
    {"UP", VK_UP},         {"DOWN", VK_DOWN},    {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT},
    {"HOME", VK_HOME},     {"END", VK_END},      {"F1", VK_F1},
};

LPARAM KeyParam(UINT virtualKey, bool up) {
    const LPARAM scanCode = static_cast<LPARAM>(MapVirtualKeyA(virtualKey, 0)) << 16;
    // Repeat count 1; key up also carries the previous-state and transition bits.
    return 1 | scanCode | (up ? (3L << 30) : 0);
}

HWND FocusIn(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) &&
        info.hwndFocus != nullptr &&
        (info.hwndFocus == window || IsChild(window, info.hwndFocus))) {
        return info.hwndFocus;
    }
    return window;
}

} // namespace

bool ParseKey(const std::string& name, UINT& virtualKey) {
    for (const SKeyName& known : keyNames) {
        if (lstrcmpiA(known.name, name.c_str()) == 0) {
            virtualKey = known.key;
            return true;
        }
    }
    long number = 0;
    if (!ParseNumber(name.c_str(), number) || number <= 0 || number > 0xFE) {
        return false;
    }
    virtualKey = static_cast<UINT>(number);
    return true;
}

EStatus CControlActions::Usable(unsigned controlId, HWND& control) const {
    control = FindControl(window, controlId);
    if (control == nullptr) {
        std::fprintf(stderr, "uidriver: no control %u in window %s\n", controlId,
                     HexHandle(window).c_str());
        return statusNoControl;
    }
    // A disabled window is the owner of a modal box: its controls are out of the user's reach.
    if (!IsShown(control) || !IsWindowEnabled(control) || !IsWindowEnabled(window)) {
        std::fprintf(
            stderr,
            "uidriver: control %u is not usable (visible=%d enabled=%d window enabled=%d)\n",
            controlId, IsShown(control) ? 1 : 0, IsWindowEnabled(control) ? 1 : 0,
            IsWindowEnabled(window) ? 1 : 0);
        return statusNotUsable;
    }
    return statusDone;
}

EStatus CControlActions::Click(unsigned controlId) const {
    HWND control = nullptr;
    const EStatus usable = Usable(controlId, control);
    if (usable != statusDone) {
        return usable;
    }
    if (!SendNotifyMessageA(control, BM_CLICK, 0, 0)) {
        return statusFailed;
    }
    std::printf("clicked %u\n", controlId);
    return statusDone;
}

EStatus CControlActions::Key(UINT virtualKey, const std::string& keyName, bool toControl,
                             unsigned controlId) const {
    HWND target = FocusIn(window);
    if (toControl) {
        const EStatus usable = Usable(controlId, target);
        if (usable != statusDone) {
            return usable;
        }
    } else if (!IsWindowEnabled(window)) {
        std::fprintf(stderr, "uidriver: window %s is disabled\n", HexHandle(window).c_str());
        return statusNotUsable;
    }
    if (!PostMessageA(target, WM_KEYDOWN, virtualKey, KeyParam(virtualKey, false)) ||
        !PostMessageA(target, WM_KEYUP, virtualKey, KeyParam(virtualKey, true))) {
        return statusFailed;
    }
    std::printf("key %s %s\n", keyName.c_str(),
                target == window ? "window" : std::to_string(ControlIdOf(target)).c_str());
    return statusDone;
}

EStatus CControlActions::Type(unsigned controlId, const std::string& text) const {
    HWND control = nullptr;
    const EStatus usable = Usable(controlId, control);
    if (usable != statusDone) {
        return usable;
    }
    // Sent rather than posted: each character is in the field when the call returns, so the
    // next command sees the result. The field's own WM_CHAR handling (digits only) applies.
    for (const char c : text) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(control, WM_CHAR, static_cast<unsigned char>(c), 1,
                                 SMTO_ABORTIFHUNG, messageTimeoutMs, &answer)) {
            return statusFailed;
        }
    }
    std::printf("typed %u %s\n", controlId, Quote(text).c_str());
    return statusDone;
}

EStatus CControlActions::SetText(unsigned controlId, const std::string& text) const {
    HWND control = nullptr;
    const EStatus usable = Usable(controlId, control);
    if (usable != statusDone) {
        return usable;
    }
    if (!Ask(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()))) {
        return statusFailed;
    }
    std::printf("settext %u %s\n", controlId, Quote(text).c_str());
    return statusDone;
}

EStatus CControlActions::Select(unsigned controlId, int index) const {
    HWND control = nullptr;
    const EStatus usable = Usable(controlId, control);
    if (usable != statusDone) {
        return usable;
    }
    const std::string className = ClassName(control);
    const WPARAM command = static_cast<WPARAM>(controlId);
    const HWND parent = GetParent(control);
    if (lstrcmpiA(className.c_str(), "ComboBox") == 0) {
        if (Ask(control, CB_SETCURSEL, index, 0, CB_ERR) == CB_ERR) {
            std::fprintf(stderr, "uidriver: combo box %u has no item %d\n", controlId, index);
            return statusFailed;
        }
        // CB_SETCURSEL notifies nobody; a user's choice sends CBN_SELCHANGE.
        Ask(parent, WM_COMMAND, MAKEWPARAM(command, CBN_SELCHANGE),
            reinterpret_cast<LPARAM>(control));
    } else if (lstrcmpiA(className.c_str(), "ListBox") == 0) {
        if (Ask(control, LB_SETCURSEL, index, 0, LB_ERR) == LB_ERR) {
            std::fprintf(stderr, "uidriver: list box %u has no item %d\n", controlId, index);
            return statusFailed;
        }
        Ask(parent, WM_COMMAND, MAKEWPARAM(command, LBN_SELCHANGE),
            reinterpret_cast<LPARAM>(control));
    } else if (lstrcmpiA(className.c_str(), WC_LISTVIEWA) == 0) {
        const CRemoteListView list(control);
        if (!list.IsReady() || index < 0 || index >= list.ItemCount() || !list.Select(index)) {
            std::fprintf(stderr, "uidriver: cannot select item %d of list view %u\n", index,
                         controlId);
            return statusFailed;
        }
    } else {
        std::fprintf(stderr, "uidriver: control %u is a %s, not a list\n", controlId,
                     className.c_str());
        return statusNoControl;
    }
    std::printf("selected %u %d\n", controlId, index);
    return statusDone;
}

EStatus CControlActions::Close() const {
    if (!SendNotifyMessageA(window, WM_CLOSE, 0, 0)) {
        return statusFailed;
    }
    std::printf("closed %s\n", HexHandle(window).c_str());
    return statusDone;
}

EStatus CControlActions::Paint() const {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    // A sent message is answered only from the program's message loop, after the paint it
    // had pending; Wine puts drawn windows on the screen when that loop goes idle, before
    // the next message is taken. So the later round trips end after the drawing is shown.
    const int roundTrips = 3;
    for (int trip = 0; trip < roundTrips; ++trip) {
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, messageTimeoutMs,
                                 &answer)) {
            return statusFailed;
        }
    }
    std::printf("painted %s\n", HexHandle(window).c_str());
    return statusDone;
}

} // namespace UIDRIVER
