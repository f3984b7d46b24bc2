#include "os/OsDependDefault.h"
#include "os/ExplicitCall.h"
#include "os/FindFile.h"
#include "os/PathText.h"
#include <algorithm>
#include <cstring>

namespace SSETUPOS {

namespace {

// The text of a Win32 call that fills a MAX_PATH buffer; empty when the call fails.
template <class Call> std::string PathFrom(Call call) {
    char buffer[MAX_PATH] = {};
    const UINT length = call(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// GetSystemWindowsDirectoryA is missing before Windows 2000 (and on Terminal Server it is
// the shared folder, which is the one wanted); a zero result counts as missing too.
std::string SystemWindowsDirectory(const std::string& library) {
    static const char kFunction[] = "GetSystemWindowsDirectoryA";
    SEXPL_CALL::CLibrary kernel(library.c_str());
    const auto getDirectory = kernel.GetProcAs<UINT(WINAPI*)(LPSTR, UINT)>(kFunction);
    const std::string directory = PathFrom(getDirectory);
    if (directory.empty()) {
        throw SEXPL_CALL::CProcNotFoundException(library, kFunction, 0);
    }
    return directory;
}

bool IsDotEntry(const char* name) {
    return !strcmp(name, ".") || !strcmp(name, "..");
}

} // namespace

CIOsDependDefault::~CIOsDependDefault() {
    CIOsDependDefault::RemoveSetupTempFolders();
}

std::string CIOsDependDefault::GetWindowsDir() {
    if (!windowsDir.empty()) {
        return windowsDir;
    }
    try {
        windowsDir = SystemWindowsDirectory(windowsDirLibrary);
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
    }
    if (windowsDir.empty()) {
        windowsDir =
            PathFrom([](LPSTR buffer, UINT size) { return GetWindowsDirectoryA(buffer, size); });
    }
    return windowsDir;
}

std::string CIOsDependDefault::GetSystemDir() {
    if (systemDir.empty()) {
        systemDir =
            PathFrom([](LPSTR buffer, UINT size) { return GetSystemDirectoryA(buffer, size); });
    }
    return systemDir;
}

std::string CIOsDependDefault::GetSystem32Dir() {
    if (system32Dir.empty()) {
        system32Dir = GetWindowsDir() + "\\System32";
    }
    return system32Dir;
}

std::string CIOsDependDefault::GetTempDir() {
    if (tempDir.empty()) {
        tempDir = PathFrom(
            [](LPSTR buffer, UINT size) { return static_cast<UINT>(GetTempPathA(size, buffer)); });
    }
    return tempDir;
}

std::string CIOsDependDefault::CreateSetupTempFolder() {
    const std::string temp = GetTempDir();
    if (temp.empty()) {
        return std::string();
    }
    // The temp path ends in a backslash.
    const std::string base = ToUpperText(temp.substr(0, temp.rfind('\\')) + "\\NvSETUP");
    for (int n = 0; n < 100; ++n) {
        const std::string candidate = base + "." + std::to_string(n);
        if (std::find(setupTempFolders.begin(), setupTempFolders.end(), candidate) !=
            setupTempFolders.end()) {
            return candidate;
        }
        // A folder of this name may be left over from an earlier run: try the next one.
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            setupTempFolders.push_back(candidate);
            return candidate;
        }
    }
    return std::string();
}

std::string CIOsDependDefault::BackupToTempFolder(const char* path, bool move) {
    const std::string folder = CreateSetupTempFolder();
    if (folder.empty()) {
        return std::string();
    }
    const std::string target = folder + "\\" + GetFileNamePart(path);
    if (move ? MoveFileTo(path, target.c_str(), false) : CopyFileTo(path, target.c_str(), false)) {
        return target;
    }
    // The name is taken (a file of that name was put aside before): let the system make one.
    char unique[MAX_PATH] = {};
    if (!GetTempFileNameA(folder.c_str(), "stp", 0, unique)) {
        return std::string();
    }
    if (move ? MoveFileTo(path, unique, true) : CopyFileTo(path, unique, true)) {
        return unique;
    }
    DeleteFileA(unique);
    return std::string();
}

std::string CIOsDependDefault::CopyToUniqueName(const char* source, const char* directory) {
    const std::string name = GetFileNamePart(source);
    std::string candidate = std::string(directory) + "\\_" + name;
    bool madeBySystem = false;
    if (FileExists(candidate.c_str())) {
        char unique[MAX_PATH] = {};
        const std::string prefix = name.substr(0, 3);
        if (!GetTempFileNameA(directory, prefix.c_str(), 0, unique)) {
            return std::string();
        }
        candidate = unique;
        madeBySystem = true;
    }
    if (CopyFileTo(source, candidate.c_str(), true)) {
        return candidate;
    }
    // Leave no empty file of ours behind in a system folder.
    if (madeBySystem) {
        DeleteFileA(candidate.c_str());
    }
    return std::string();
}

bool CIOsDependDefault::RemoveFile(const char* path) {
    return DeleteFileA(path) != FALSE;
}

bool CIOsDependDefault::FileExists(const char* path) {
    return CFindFile(path).Found();
}

bool CIOsDependDefault::CopyFileTo(const char* source, const char* target, bool overwrite) {
    return CopyFileA(source, target, overwrite ? FALSE : TRUE) != FALSE;
}

bool CIOsDependDefault::MakeDirectory(const char* path) {
    return CreateDirectoryA(path, nullptr) != FALSE;
}

bool CIOsDependDefault::DirectoryExists(const char* path) {
    const CFindFile find(path);
    if (find.Found() && find.IsDirectory()) {
        return true;
    }
    // FindFirstFileA finds nothing for a bare drive root.
    return IsDriveRoot(path);
}

bool CIOsDependDefault::IsDriveRoot(const char* path) {
    const size_t length = strlen(path);
    if ((length != 2 && length != 3) || path[1] != ':') {
        return false;
    }
    // "C:x" names x in the drive's current folder, not the root.
    if (length == 3 && path[2] != '\\' && path[2] != '/') {
        return false;
    }
    const char root[] = {path[0], ':', '\\', '\0'};
    const UINT type = GetDriveTypeA(root);
    return type != DRIVE_UNKNOWN && type != DRIVE_NO_ROOT_DIR;
}

bool CIOsDependDefault::RemoveSetupTempFolders() {
    for (const std::string& folder : setupTempFolders) {
        DeleteTree(folder);
    }
    // A folder that could not be deleted (a file in use) stays on disk.
    setupTempFolders.clear();
    return true;
}

bool CIOsDependDefault::DeleteTree(const std::string& path) {
    {
        CFindFile find(path + "\\*.*");
        for (bool more = find.Found(); more; more = find.Next()) {
            if (IsDotEntry(find.Entry().cFileName)) {
                continue;
            }
            const std::string entry = path + "\\" + find.Entry().cFileName;
            if (find.IsDirectory()) {
                DeleteTree(entry);
            } else if (!DeleteFileA(entry.c_str())) {
                // A read-only copy of a system file: the folder is ours, so clear it.
                SetFileAttributesA(entry.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(entry.c_str());
            }
        }
    }
    return RemoveDirectoryA(path.c_str()) != FALSE;
}

std::vector<CPendingWork> CIOsDependDefault::CancelPendingWork(const char* path) {
    std::vector<CPendingWork> cancelled = TakeOutPendingWork(CFileNames(path ? path : ""));
    for (CPendingWork& work : cancelled) {
        // The copy that would have replaced the file: nothing else would ever use it.
        const CFindFile found(work.source);
        if (!work.source.empty() && found.Found() && !found.IsDirectory()) {
            work.sourceFile = GetDirectoryPart(work.source) + found.Entry().cFileName;
            work.setAside = BackupToTempFolder(work.sourceFile.c_str(), true);
        }
    }
    return cancelled;
}

bool CIOsDependDefault::RestorePendingWork(const CPendingWork& work) {
    const bool fileBack =
        work.setAside.empty() || MoveFileTo(work.setAside.c_str(), work.sourceFile.c_str(), false);
    return PutBackPendingWork(work) && fileBack;
}

} // namespace SSETUPOS
