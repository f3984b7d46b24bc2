// fileprobe: one file access, as another program would try it while a file is held open.
//   fileprobe read PATH          open for reading (sharing read and write), print the bytes
//   fileprobe write PATH TEXT    open for writing without sharing, replace the bytes by TEXT
//   fileprobe delete PATH        DeleteFile
//   fileprobe replace FROM PATH  MoveFileEx FROM onto PATH, replacing it
// Prints "ok" (after the bytes for read) or "error N" with the system error code;
// exit status 0 or 1, 2 on usage.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

class CFile {
public:
    CFile(const char* path, DWORD access, DWORD share, DWORD disposition)
        : handle(CreateFileA(path, access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                             nullptr)) {}
    ~CFile() {
        if (IsOpen()) {
            CloseHandle(handle);
        }
    }
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle; }

private:
    HANDLE handle;
};

int Report(bool done) {
    if (!done) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    std::printf("ok\n");
    return 0;
}

int Read(const char* path) {
    const CFile file(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
    if (!file.IsOpen()) {
        return Report(false);
    }
    char buffer[4096];
    DWORD count = 0;
    if (!ReadFile(file.Get(), buffer, sizeof buffer, &count, nullptr)) {
        return Report(false);
    }
    std::fwrite(buffer, 1, count, stdout);
    std::printf("\n");
    return Report(true);
}

int Write(const char* path, const char* text) {
    const CFile file(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file.IsOpen()) {
        return Report(false);
    }
    DWORD written = 0;
    const DWORD length = static_cast<DWORD>(std::strlen(text));
    return Report(WriteFile(file.Get(), text, length, &written, nullptr) && written == length);
}

} // namespace

int main(int argc, char** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "read" && argc == 3) {
        return Read(argv[2]);
    }
    if (command == "write" && argc == 4) {
        return Write(argv[2], argv[3]);
    }
    if (command == "delete" && argc == 3) {
        return Report(DeleteFileA(argv[2]) != FALSE);
    }
    if (command == "replace" && argc == 4) {
        return Report(MoveFileExA(argv[2], argv[3], MOVEFILE_REPLACE_EXISTING) != FALSE);
    }
    std::fprintf(stderr, "usage: fileprobe read|write|delete|replace ...\n");
    return 2;
}
