#pragma once
// The package's twelve files and the folders they are installed into.
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include <string>
#include <utility>
#include <vector>

namespace SINSTALL {

class CPackageLayout {
public:
    enum FileIndex {
        FileReaderDriver = 0,
        FileReaderInf = 1,
        FileUsbDriver = 2,
        FileUsbInf = 3,
        FileApi = 4,
        FileErr = 5,
        FileCspSignature = 6,
        FileCsp = 7,
        FileIccsp = 8,
        FilePkcs11 = 9,
        FileService = 10,
        FileApiEx = 11,
        FileCount = 12,
    };
    enum Location {
        PackageFolder = 1,
        InstalledFolder = 2,
    };

    CPackageLayout();
    // The file's path in the distributive folder or in its target folder.
    std::string GetFilePath(int fileIndex, Location location) const;
    // The /DISTR folder, or the folder of the program's own file.
    static std::string GetDistributiveFolder();

private:
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    std::string windowsFolder;
    std::string systemFolder;
    std::string system32Folder;
    std::string driversFolder;
    std::string infFolder;
    std::vector<std::pair<std::string, std::string>> files; // file name, target folder
};

} // namespace SINSTALL
