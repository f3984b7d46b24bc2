#pragma once
// What a user does to a window, done by messages: every action reports one line on stdout
// and returns the driver's exit status.
#include <windows.h>

#include <string>

namespace UIDRIVER {

enum EStatus {
    statusDone = 0,
    statusTimeout = 1,   // no window in time, a window still there, a process still running
    statusUsage = 2,     // bad command line
    statusNoControl = 3, // no control with that id, or not of the kind the action needs
    statusNotUsable = 4, // control or window disabled or hidden: a user could not do it
    statusFailed = 5,    // the window did not take the message
};

class CControlActions {
public:
    explicit CControlActions(HWND window) : window(window) {}

    // BM_CLICK without waiting for the answer (SendNotifyMessage): the click may open a modal
    // box, which must not hold up the driver. Being a sent message it is handled before any
    // message a later command sends, so what follows sees its effect.
    EStatus Click(unsigned controlId) const;
    // Key down and up, posted to the control, else to the focused control, else the window:
    // only posted keys pass the dialog manager (Return for the default button, Escape).
    EStatus Key(UINT virtualKey, const std::string& keyName, bool toControl,
                unsigned controlId) const;
    // One WM_CHAR per character, as typing would give.
    EStatus Type(unsigned controlId, const std::string& text) const;
    EStatus SetText(unsigned controlId, const std::string& text) const;
    // Combo box, list box or list view: select the item and notify as a user's choice would.
    EStatus Select(unsigned controlId, int index) const;
    // WM_CLOSE, as the close box sends it; not waited for, like a click.
    EStatus Close() const;
    // Redraws the window and returns once the program has put it on the screen, so that a
    // screenshot taken next shows it.
    EStatus Paint() const;

private:
    EStatus Usable(unsigned controlId, HWND& control) const;

    HWND window;
};

// Virtual-key code from a name (RETURN, ESCAPE, TAB, SPACE, UP, ...) or a number.
bool ParseKey(const std::string& name, UINT& virtualKey);

} // namespace UIDRIVER
