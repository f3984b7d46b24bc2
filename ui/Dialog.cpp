#include "ui/Dialog.h"
#include "app/Language.h"

LANGID GetTemplateLanguage(UINT templateId) {
    const LANGID order[] = {SLANG::GetCurrentLanguage(), GetUserDefaultLangID()};
    for (const LANGID lang : order) {
        if (FindResourceExA(SLANG::GetResourceModule(), RT_DIALOG, MAKEINTRESOURCEA(templateId),
                            lang) != nullptr) {
            return lang;
        }
    }
    return SLANG::LANG_ID_ENGLISH;
}

CDialog::~CDialog() {
    DestroyWindowIfAny();
}

const DLGTEMPLATE* CDialog::FindTemplate() const {
    return static_cast<const DLGTEMPLATE*>(
        SLANG::LoadLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(templateId)));
}

INT_PTR CDialog::DoModal(HWND owner) {
    const DLGTEMPLATE* const dialogTemplate = FindTemplate();
    if (dialogTemplate == nullptr) {
        return -1;
    }
    const INT_PTR result =
        DialogBoxIndirectParamA(SLANG::GetResourceModule(), dialogTemplate, owner, DialogProc,
                                reinterpret_cast<LPARAM>(this));
    window = nullptr;
    return result;
}

bool CDialog::CreateModeless(HWND owner) {
    DestroyWindowIfAny();
    const DLGTEMPLATE* const dialogTemplate = FindTemplate();
    if (dialogTemplate == nullptr) {
        return false;
    }
    CreateDialogIndirectParamA(SLANG::GetResourceModule(), dialogTemplate, owner, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    return window != nullptr;
}

void CDialog::DestroyWindowIfAny() {
    if (window != nullptr && IsWindow(window)) {
        DestroyWindow(window);
    }
    window = nullptr;
}

void CDialog::EndDialog(INT_PTR result) {
    ::EndDialog(window, result);
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        CDialog* const dialog = reinterpret_cast<CDialog*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        dialog->window = hwnd;
        dialog->OnInitDialog();
        return TRUE;
    }
    CDialog* const dialog = reinterpret_cast<CDialog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    if (message == WM_COMMAND) {
        return dialog->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
    }
    if (message == WM_NCDESTROY) {
        dialog->window = nullptr;
        return FALSE;
    }
    INT_PTR result = FALSE;
    return dialog->OnMessage(message, wParam, lParam, result) ? result : FALSE;
}
