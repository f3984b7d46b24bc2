#pragma once
// File, directory, restart and boot-time rename primitives, one implementation per OS family.
#include <windows.h>
#include <string>
#include <vector>

namespace SSETUPOS {

// One boot-time request that an earlier run left for a file, as taken out of the system's
// list: a rename of source onto target, or (source empty) the deletion of target. Paths are
// as the list holds them.
struct CPendingWork {
    std::string target;
    std::string source;
    // The file that the rename would have moved (its long name) and where it was put aside;
    // both empty when it was not.
    std::string sourceFile;
    std::string setAside;
    // Where the request stood in the list and its text there, to put it back as it was.
    size_t position = 0;
    std::string entry;
};

class IOsDependOperations {
public:
    // A null target schedules the deletion of the source.
    virtual bool MoveFileAtReboot(const char* source, const char* target) = 0;
    virtual bool CancelMoveFileAtReboot(const char* source, const char* target) = 0;
    // flags: the ExitWindowsEx flags (EWX_REBOOT = 2).
    virtual bool ShutdownSystem(UINT flags) = 0;
    virtual std::string GetWindowsDir() = 0;
    virtual std::string GetSystemDir() = 0;
    virtual std::string GetSystem32Dir() = 0;
    // The path of the copy (or of the moved file) in the setup temp folder; empty on failure.
    virtual std::string BackupToTempFolder(const char* path, bool move) = 0;
    // The path of a fresh copy of source inside directory; empty on failure.
    virtual std::string CopyToUniqueName(const char* source, const char* directory) = 0;
    virtual bool RemoveFile(const char* path) = 0;
    virtual bool MoveFileTo(const char* source, const char* target, bool replace) = 0;
    virtual std::string GetTempDir() = 0;
    virtual std::string CreateSetupTempFolder() = 0;
    virtual bool FileExists(const char* path) = 0;
    virtual bool CopyFileTo(const char* source, const char* target, bool overwrite) = 0;
    virtual bool MakeDirectory(const char* path) = 0;
    virtual bool DirectoryExists(const char* path) = 0;
    virtual bool IsDriveRoot(const char* path) = 0;
    virtual bool RemoveSetupTempFolders() = 0;
    // Takes out the boot-time renames onto path and its deletion, under its long or short
    // name; the file a cancelled rename would have moved goes to the setup temp folder.
    virtual std::vector<CPendingWork> CancelPendingWork(const char* path) = 0;
    // Puts one cancelled request back, with its file; the last cancelled first.
    virtual bool RestorePendingWork(const CPendingWork& work) = 0;
    virtual ~IOsDependOperations() {}
};

} // namespace SSETUPOS
