#pragma once
// Files for the operation tests: files held open the way a running program holds its module,
// and the lines waiting in WININIT.INI.
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include "tests/lib/TestFiles.h"
#include <windows.h>
#include <string>

namespace opstest {

using namespace testfiles;

// Open for reading, by default shared for reading only: writing, replacing and deleting it
// fail. With share 0 it cannot even be read; with FILE_SHARE_DELETE only renamed.
class CHeldFile {
public:
    explicit CHeldFile(const std::string& path, DWORD share = FILE_SHARE_READ)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~CHeldFile() { Release(); }
    CHeldFile(const CHeldFile&) = delete;
    CHeldFile& operator=(const CHeldFile&) = delete;
    bool IsHeld() const { return handle != INVALID_HANDLE_VALUE; }
    void Release() {
        if (IsHeld()) {
            CloseHandle(handle);
            handle = INVALID_HANDLE_VALUE;
        }
    }

private:
    HANDLE handle;
};

inline std::string WininitPath() {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    return manager->GetOperations()->GetWindowsDir() + "\\WININIT.INI";
}

// Whether WININIT.INI holds one of our lines, written "target = source".
inline bool IsScheduled() {
    return FileBytes(WininitPath()).find(" = ") != std::string::npos;
}

} // namespace opstest
