/* Deliberately imports what Windows 98 lacks, to show the check catches it: a function it
   does not have, and a Unicode function it only stubs. */
#include <windows.h>

WINBASEAPI ULONGLONG WINAPI GetTickCount64(void);

int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {
    (void)i, (void)p, (void)c, (void)s;
    WCHAR path[MAX_PATH];
    return (int)GetTickCount64() + (int)GetModuleFileNameW(NULL, path, MAX_PATH);
}
