#pragma once
// What both OS families share: cached system folders, file primitives and the setup temp
// folders. The families add boot-time renames, restart and the replacing move.
#include "os/FileNames.h"
#include "os/OsDependOperations.h"
#include <string>
#include <vector>

namespace SSETUPOS {

class CIOsDependDefault : public IOsDependOperations {
public:
    // windowsDirLibrary: the library that may export GetSystemWindowsDirectoryA; tests name
    // one without it to take the path of the systems that lack it.
    explicit CIOsDependDefault(const char* windowsDirLibrary = "kernel32.dll")
        : windowsDirLibrary(windowsDirLibrary) {}
    // Removes the setup temp folders that this object created.
    ~CIOsDependDefault() override;
    CIOsDependDefault(const CIOsDependDefault&) = delete;
    CIOsDependDefault& operator=(const CIOsDependDefault&) = delete;

    std::string GetWindowsDir() override;
    std::string GetSystemDir() override;
    std::string GetSystem32Dir() override;
    std::string BackupToTempFolder(const char* path, bool move) override;
    std::string CopyToUniqueName(const char* source, const char* directory) override;
    bool RemoveFile(const char* path) override;
    std::string GetTempDir() override;
    std::string CreateSetupTempFolder() override;
    bool FileExists(const char* path) override;
    bool CopyFileTo(const char* source, const char* target, bool overwrite) override;
    bool MakeDirectory(const char* path) override;
    bool DirectoryExists(const char* path) override;
    bool IsDriveRoot(const char* path) override;
    bool RemoveSetupTempFolders() override;
    std::vector<CPendingWork> CancelPendingWork(const char* path) override;
    bool RestorePendingWork(const CPendingWork& work) override;

    // Deletes the folder with everything in it; false when the folder itself stays.
    bool DeleteTree(const std::string& path);

protected:
    // The family's list: its requests for the file named by names, taken out; and one put back.
    virtual std::vector<CPendingWork> TakeOutPendingWork(const CFileNames& names) = 0;
    virtual bool PutBackPendingWork(const CPendingWork& work) = 0;

private:
    std::string windowsDirLibrary;
    std::string windowsDir;
    std::string system32Dir;
    std::string systemDir;
    std::string tempDir;
    std::vector<std::string> setupTempFolders;
};

} // namespace SSETUPOS
