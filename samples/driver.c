// A kernel driver of the package, as far as the installer can tell: a PE image with a
// version resource. It is never loaded as a driver on the test machine, so a DLL entry
// point that does nothing is all the code it needs.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}

// The name a real driver's entry point has; exported so the image has an export table.
__declspec(dllexport) LONG DriverEntry(void* driverObject, void* registryPath) {
    (void)driverObject;
    (void)registryPath;
    return 0;
}
