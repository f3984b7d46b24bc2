/* Prints what a program sees of the machine, and exits with the code it is given. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
    OSVERSIONINFOA version;
    ZeroMemory(&version, sizeof version);
    version.dwOSVersionInfoSize = sizeof version;
    GetVersionExA(&version);
    printf("version %lu.%lu platform %lu codepage %u\n", version.dwMajorVersion,
           version.dwMinorVersion, version.dwPlatformId, GetACP());
    fflush(stdout);
    return argc > 1 ? atoi(argv[1]) : 0;
}
