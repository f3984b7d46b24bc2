#pragma once
// The main window of an interactive run, the usage dialog and the please-wait box.
#include "ui/Dialog.h"
#include <string>

// An icon loaded by the program, destroyed with its owner.
class CIconHandle {
public:
    CIconHandle() = default;
    ~CIconHandle() { Reset(nullptr); }
    CIconHandle(const CIconHandle&) = delete;
    CIconHandle& operator=(const CIconHandle&) = delete;
    void Reset(HICON icon);
    HICON Get() const { return handle; }

private:
    HICON handle = nullptr;
};

class CMainDialog : public CDialog {
public:
    CMainDialog();
    void SetDriversInstalled(bool installed) { driversInstalled = installed; }
    void SetVersionText(const char* text) { versionText = text != nullptr ? text : ""; }
    // The reader-count flow, started by "Set number of readers"; the dialog stays.
    void ChangeReadersCount(HWND mainDialog);

protected:
    void OnInitDialog() override;
    bool OnCommand(WORD id, WORD code) override;

private:
    void ShowPackageFiles();
    void SetIcons();

    bool driversInstalled = false;
    std::string versionText;
    HWND englishBox = nullptr;
    HWND installButton = nullptr;
    HWND uninstallButton = nullptr;
    HWND readersButton = nullptr;
    HWND versionLabel = nullptr;
    HWND versionsButton = nullptr;
    // The window's icons: the dialog is made again after every flow, and 9x has little room
    // for icons that nobody frees.
    CIconHandle largeIcon;
    CIconHandle smallIcon;
};

class CShowHelpDlg : public CDialog {
public:
    CShowHelpDlg();

protected:
    bool OnCommand(WORD id, WORD code) override;
    // Texts are drawn without their own background: the Russian description is two statics
    // whose lines interleave, and neither may blank the other's line.
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
};

class CRunDummyDialogBox : public CDialog {
public:
    CRunDummyDialogBox() : CDialog(0) {}
    // Shows the modeless box of template id at once; false when no window exists.
    bool Create(UINT id, HWND owner);
    void Destroy() { DestroyWindowIfAny(); }

protected:
    bool OnCommand(WORD id, WORD code) override;
};
