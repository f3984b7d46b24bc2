#pragma once
// Finding top-level windows: by exact title, by a control id they contain, by class;
// on every desktop of this window station, since a program may run in a Wine desktop
// of its own while the driver runs on the default one.
#include <windows.h>

#include <string>
#include <vector>

namespace UIDRIVER {

struct CWindowSelector {
    bool byTitle = false;
    std::string title;
    bool byClass = false;
    std::string className;
    bool byControl = false;
    unsigned controlId = 0;
    bool includeHidden = false;

    bool IsEmpty() const { return !byTitle && !byClass && !byControl; }
    bool Matches(HWND window) const;
    std::string Describe() const;
};

struct CFoundWindow {
    HWND window;
    std::string desktop;
};

class CWindowFinder {
public:
    // Every top-level window, in Z order per desktop; hidden ones only when asked for.
    std::vector<CFoundWindow> All(bool includeHidden) const;
    std::vector<CFoundWindow> Matching(const CWindowSelector& selector) const;
    // Polls until a window matches; false when none did within the timeout.
    bool WaitFor(const CWindowSelector& selector, DWORD timeoutMs, CFoundWindow& found) const;
    // Polls until no window matches; false when one still did at the timeout.
    bool WaitGone(const CWindowSelector& selector, DWORD timeoutMs) const;
};

// The control with this id inside the window or inside a child dialog of it.
HWND FindControl(HWND window, unsigned controlId);

// WS_VISIBLE on the window and each of its parents. IsWindowVisible answers false for every
// window of another desktop (Wine ends its parent walk at the caller's desktop window).
bool IsShown(HWND window);

std::string WindowText(HWND window);
std::string ClassName(HWND window);

} // namespace UIDRIVER
