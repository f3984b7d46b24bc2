// fileprobe PATH TEXT: replaces the file's bytes by TEXT as another program would, opening
// it for writing without sharing. Prints "ok" or "error N" (the system error code).
#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fileprobe PATH TEXT\n");
        return 2;
    }
    const HANDLE file = CreateFileA(argv[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(std::strlen(argv[2]));
    const bool done = file != INVALID_HANDLE_VALUE &&
                      WriteFile(file, argv[2], length, &written, nullptr) && written == length;
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (!done) {
        std::printf("error %lu\n", error);
        return 1;
    }
    std::printf("ok\n");
    return 0;
}
