// holdfile [--exclusive | --mutex NAME] PATH [SECONDS]: keeps PATH open the way a running
// program keeps its file, so that "the target is in use" is real for the installer's tests.
//
// The file is opened for reading with FILE_SHARE_READ only: others may read it, but opening
// it for writing or deleting it (DeleteFile, MoveFileEx onto it) fails with a sharing
// violation. With --exclusive no one else may even read it (a scanner may hold a file so).
// With --mutex the named mutex is owned instead, as a running program owns its lock, and PATH
// only names the stop file. Once the handle is open "holding PATH" is printed (and flushed), so a
// script can wait for that line. The handle is held until the file PATH.stop exists or SECONDS
// (default 120) have passed; then it is closed, the stop file removed, "released PATH"
// printed, and the exit status is 0. Exit status 1 when PATH cannot be opened, 2 on usage.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const DWORD defaultSeconds = 120;
const DWORD pollIntervalMs = 100;

class CHeldFile {
public:
    CHeldFile(const std::string& path, DWORD share)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    // An owned mutex of that name.
    explicit CHeldFile(const std::string& mutexName)
        : handle(CreateMutexA(nullptr, TRUE, mutexName.c_str())), mutex(true) {
        if (handle != nullptr && GetLastError() == ERROR_ALREADY_EXISTS &&
            WaitForSingleObject(handle, INFINITE) != WAIT_OBJECT_0) {
            CloseHandle(handle);
            handle = nullptr;
        }
    }
    ~CHeldFile() {
        if (IsOpen()) {
            if (mutex) {
                ReleaseMutex(handle);
            }
            CloseHandle(handle);
        }
    }
    CHeldFile(const CHeldFile&) = delete;
    CHeldFile& operator=(const CHeldFile&) = delete;

    bool IsOpen() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }

private:
    HANDLE handle;
    bool mutex = false;
};

bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Waits for the stop file or the end of the time; true when told to stop.
bool WaitForStop(const std::string& stopPath, DWORD seconds) {
    const DWORD start = GetTickCount();
    const DWORD limitMs = seconds * 1000;
    while (!Exists(stopPath)) {
        if (GetTickCount() - start >= limitMs) {
            return false;
        }
        Sleep(pollIntervalMs);
    }
    return true;
}

bool ParseSeconds(const char* text, DWORD& seconds) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*text == '\0' || *end != '\0' || value > 24UL * 3600) {
        return false;
    }
    seconds = static_cast<DWORD>(value);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    // Lines end in LF only, as the shell scripts that read them expect.
    _setmode(_fileno(stdout), _O_BINARY);
    DWORD seconds = defaultSeconds;
    DWORD share = FILE_SHARE_READ;
    std::string mutexName;
    int first = 1;
    if (argc > 1 && std::string(argv[1]) == "--exclusive") {
        share = 0;
        first = 2;
    } else if (argc > 2 && std::string(argv[1]) == "--mutex") {
        mutexName = argv[2];
        first = 3;
    }
    const int rest = argc - first;
    if (rest < 1 || rest > 2 || (rest == 2 && !ParseSeconds(argv[first + 1], seconds))) {
        std::fprintf(stderr, "usage: holdfile [--exclusive | --mutex NAME] PATH [SECONDS]\n");
        return 2;
    }
    const std::string path = argv[first];
    const std::string stopPath = path + ".stop";
    bool stopped = false;
    {
        const CHeldFile held = mutexName.empty() ? CHeldFile(path, share) : CHeldFile(mutexName);
        if (!held.IsOpen()) {
            std::fprintf(stderr, "holdfile: cannot open %s (error %lu)\n", path.c_str(),
                         GetLastError());
            return 1;
        }
        std::printf("holding %s\n", path.c_str());
        std::fflush(stdout);
        stopped = WaitForStop(stopPath, seconds);
    }
    if (stopped) {
        DeleteFileA(stopPath.c_str());
    }
    std::printf("released %s\n", path.c_str());
    std::fflush(stdout);
    return 0;
}
