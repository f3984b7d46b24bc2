// One of the package's plain modules (zvAPI.dll and its kin): only its version resource
// matters to the installer. One export, so that loading it can be checked.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

__declspec(dllexport) DWORD zvSampleModuleId(void) {
    return 0x5A560001;
}
