#pragma once
// Files for the file operation tests: contents as byte strings, files held open the way a
// running program holds its module, and the Rename section of WININIT.INI.
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include "tests/lib/TestFiles.h"
#include <windows.h>
#include <sstream>
#include <string>
#include <vector>

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

// The lines of the [Rename] section, without line ends.
inline std::vector<std::string> RenameLines() {
    std::vector<std::string> lines;
    std::istringstream text(FileBytes(WininitPath()));
    std::string line;
    bool inRename = false;
    while (std::getline(text, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            inRename = line == "[Rename]" || line == "[rename]";
            continue;
        }
        if (inRename && !line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace opstest
