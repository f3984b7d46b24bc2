#include "WindowFinder.h"

#include "Handles.h"
#include "Messages.h"
#include "Text.h"

namespace UIDRIVER {
namespace {

const DWORD pollIntervalMs = 50;

BOOL CALLBACK CollectDesktop(LPSTR name, LPARAM context) {
    reinterpret_cast<std::vector<std::string>*>(context)->push_back(name);
    return TRUE;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
    reinterpret_cast<std::vector<HWND>*>(context)->push_back(window);
    return TRUE;
}

std::vector<std::string> DesktopNames() {
    std::vector<std::string> names;
    EnumDesktopsA(GetProcessWindowStation(), CollectDesktop, reinterpret_cast<LPARAM>(&names));
    return names;
}

std::vector<HWND> WindowsOfDesktop(const std::string& name) {
    std::vector<HWND> windows;
    const CDesktop desktop(
        OpenDesktopA(name.c_str(), 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE));
    if (desktop.Get() != nullptr) {
        EnumDesktopWindows(desktop.Get(), CollectWindow, reinterpret_cast<LPARAM>(&windows));
    }
    return windows;
}

bool IsChildDialog(HWND window) {
    return ClassName(window) == "#32770";
}

} // namespace

bool IsShown(HWND window) {
    for (HWND current = window; current != nullptr; current = GetParent(current)) {
        const LONG style = GetWindowLongA(current, GWL_STYLE);
        if ((style & WS_VISIBLE) == 0) {
            return false;
        }
        if ((style & WS_CHILD) == 0) {
            return true;
        }
    }
    return true;
}

std::string WindowText(HWND window) {
    // WM_GETTEXT rather than GetWindowText: only the control itself knows an edit's text.
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, messageTimeoutMs,
                             &length)) {
        return std::string();
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, messageTimeoutMs, &copied)) {
        return std::string();
    }
    text.resize(copied < length ? copied : length);
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND FindControl(HWND window, unsigned controlId) {
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (ControlIdOf(child) == controlId) {
            return child;
        }
    }
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsChildDialog(child)) {
            const HWND found = FindControl(child, controlId);
            if (found != nullptr) {
                return found;
            }
        }
    }
    return nullptr;
}

bool CWindowSelector::Matches(HWND window) const {
    if (!includeHidden && !IsShown(window)) {
        return false;
    }
    if (byClass && lstrcmpiA(ClassName(window).c_str(), className.c_str()) != 0) {
        return false;
    }
    if (byTitle && WindowText(window) != title) {
        return false;
    }
    if (byControl && FindControl(window, controlId) == nullptr) {
        return false;
    }
    return true;
}

std::string CWindowSelector::Describe() const {
    std::string text;
    if (byTitle) {
        text += " title=" + Quote(title);
    }
    if (byClass) {
        text += " class=" + Quote(className);
    }
    if (byControl) {
        text += " id=" + std::to_string(controlId);
    }
    if (includeHidden) {
        text += " (hidden ones too)";
    }
    return text.empty() ? std::string("any window") : text.substr(1);
}

std::vector<CFoundWindow> CWindowFinder::All(bool includeHidden) const {
    std::vector<CFoundWindow> found;
    std::vector<std::string> desktops = DesktopNames();
    if (desktops.empty()) {
        std::vector<HWND> windows;
        EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
        for (const HWND window : windows) {
            if (includeHidden || IsShown(window)) {
                found.push_back({window, std::string()});
            }
        }
        return found;
    }
    for (const std::string& desktop : desktops) {
        for (const HWND window : WindowsOfDesktop(desktop)) {
            if (includeHidden || IsShown(window)) {
                found.push_back({window, desktop});
            }
        }
    }
    return found;
}

std::vector<CFoundWindow> CWindowFinder::Matching(const CWindowSelector& selector) const {
    std::vector<CFoundWindow> matching;
    for (const CFoundWindow& candidate : All(selector.includeHidden)) {
        if (selector.Matches(candidate.window)) {
            matching.push_back(candidate);
        }
    }
    return matching;
}

bool CWindowFinder::WaitFor(const CWindowSelector& selector, DWORD timeoutMs,
                            CFoundWindow& found) const {
    const DWORD start = GetTickCount();
    for (;;) {
        const std::vector<CFoundWindow> matching = Matching(selector);
        if (!matching.empty()) {
            found = matching.front();
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(pollIntervalMs);
    }
}

bool CWindowFinder::WaitGone(const CWindowSelector& selector, DWORD timeoutMs) const {
    const DWORD start = GetTickCount();
    for (;;) {
        if (Matching(selector).empty()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(pollIntervalMs);
    }
}

} // namespace UIDRIVER
