#pragma once
// A thin dialog window: modal or modeless, from its template in the current language,
// dispatching the messages that the installer's dialogs handle.
#include <windows.h>

// The language of the template id that dialogs are made from: the current language when it
// has one, else the user's default, else English (the lookup's own fallback).
LANGID GetTemplateLanguage(UINT templateId);

class CDialog {
public:
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    // The value given to EndDialog; -1 when the template is missing or no window could be
    // made (no desktop).
    INT_PTR DoModal(HWND owner);
    // A modeless window; false when none could be made.
    bool CreateModeless(HWND owner);
    void DestroyWindowIfAny();
    HWND Handle() const { return window; }

protected:
    explicit CDialog(UINT templateId) : templateId(templateId) {}

    virtual void OnInitDialog() {}
    // Button clicks and menu/accelerator commands; true when handled.
    virtual bool OnCommand(WORD id, WORD code) = 0;
    // Any other message; true when handled, with the dialog procedure's result.
    virtual bool OnMessage(UINT, WPARAM, LPARAM, INT_PTR&) { return false; }
    void EndDialog(INT_PTR result);

    HWND window = nullptr;
    UINT templateId;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    const DLGTEMPLATE* FindTemplate() const;
};
