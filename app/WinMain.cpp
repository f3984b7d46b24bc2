// The program entry: set up COM, common controls and the language, run the controller once
// and return its result as the exit code.
#include "app/Language.h"
#include "app/MainInstall.h"
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {

// COM for the thread, for the lifetime of the run.
class CComInitialization {
public:
    CComInitialization() { CoInitialize(nullptr); }
    ~CComInitialization() { CoUninitialize(); }
    CComInitialization(const CComInitialization&) = delete;
    CComInitialization& operator=(const CComInitialization&) = delete;
};

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    CComInitialization com;
    // Makes sure user32 has set up this thread's window state before the first dialog.
    DefWindowProcA(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES;
    InitCommonControlsEx(&controls);
    SLANG::InitLanguage(instance);
    int result = 0;
    {
        SINSTALL::CMainInstall controller;
        result = controller.Run(commandLine, 1);
    }
    return result;
}
