#pragma once
// One FindFirstFileA search, closed with the object.
#include <windows.h>
#include <string>

namespace SSETUPOS {

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
