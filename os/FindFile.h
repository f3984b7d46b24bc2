#pragma once
// One FindFirstFileA search, closed with the object.
#include <windows.h>
#include <string>

namespace SSETUPOS {

// Whether a search that found nothing (its last error) looked and found no such file, rather
// than failing to look: a file taken for absent is one a rollback would delete.
inline bool FoundNothing(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ||
           error == ERROR_NO_MORE_FILES;
}

class CFindFile {
public:
    explicit CFindFile(const std::string& pattern)
        : handle(FindFirstFileA(pattern.c_str(), &entry)) {}
    ~CFindFile() {
        if (handle != INVALID_HANDLE_VALUE) {
            FindClose(handle);
        }
    }
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    bool Found() const { return handle != INVALID_HANDLE_VALUE; }
    bool Next() { return FindNextFileA(handle, &entry) != FALSE; }
    const WIN32_FIND_DATAA& Entry() const { return entry; }
    bool IsDirectory() const { return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }

private:
    WIN32_FIND_DATAA entry;
    HANDLE handle;
};

} // namespace SSETUPOS
