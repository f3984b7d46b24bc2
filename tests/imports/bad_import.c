/* Deliberately imports a function Windows 98 lacks, to show the check catches it. */
#include <windows.h>

WINBASEAPI ULONGLONG WINAPI GetTickCount64(void);

int WINAPI WinMain(HINSTANCE i, HINSTANCE p, LPSTR c, int s) {
    (void)i, (void)p, (void)c, (void)s;
    return (int)GetTickCount64();
}
