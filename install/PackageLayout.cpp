#include "install/PackageLayout.h"
#include "app/Language.h"
#include "app/Options.h"
#include "ui/Resource.h"

namespace SINSTALL {

CPackageLayout::CPackageLayout() {
    SSETUPOS::IOsDependOperations& os = *osManager->GetOperations();
    windowsFolder = os.GetWindowsDir();
    systemFolder = os.GetSystemDir();
    system32Folder = os.GetSystem32Dir();
    driversFolder = system32Folder + "\\Drivers";
    infFolder = windowsFolder + "\\Inf";
    struct CEntry {
        UINT nameId;
        const std::string& folder;
    };
    // The order is the file index; names always come from the English table.
    const CEntry table[FileCount] = {
        {IDS_FILE_IFDH_SYS, driversFolder}, {IDS_FILE_IFDH_INF, infFolder},
        {IDS_FILE_USB_SYS, driversFolder},  {IDS_FILE_USB_INF, infFolder},
        {IDS_FILE_API, systemFolder},       {IDS_FILE_ERR, systemFolder},
        {IDS_FILE_CSP_SIG, systemFolder},   {IDS_FILE_CSP_DLL, systemFolder},
        {IDS_FILE_ICCSP, systemFolder},     {IDS_FILE_PKCS11, systemFolder},
        {IDS_FILE_SERVICE, systemFolder},   {IDS_FILE_APIEX, systemFolder},
    };
    for (const CEntry& entry : table) {
        files.emplace_back(SLANG::LoadTextInLanguage(entry.nameId, SLANG::LANG_ID_ENGLISH),
                           entry.folder);
    }
}

namespace {

bool IsDriveRoot(const std::string& folder) {
    return folder.size() == 3 && folder[1] == ':' && folder[2] == '\\';
}

} // namespace

std::string CPackageLayout::GetDistributiveFolder() {
    SDP::singleton_auto_pointer<SSetupOptions::COptions> options;
    std::string given = options->GetDistributivePath();
    // "C:\PKG\" names the same folder as "C:\PKG"; a drive root keeps its backslash.
    while (given.size() > 1 && given.back() == '\\' && !IsDriveRoot(given)) {
        given.pop_back();
    }
    if (!given.empty()) {
        return given;
    }
    char modulePath[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, modulePath, MAX_PATH);
    std::string folder = modulePath;
    const std::string::size_type slash = folder.rfind('\\');
    return slash == std::string::npos ? std::string() : folder.substr(0, slash);
}

std::string CPackageLayout::GetFilePath(int fileIndex, Location location) const {
    if (fileIndex < 0 || fileIndex >= static_cast<int>(files.size())) {
        return std::string();
    }
    const auto& entry = files[static_cast<std::size_t>(fileIndex)];
    const std::string folder = location == PackageFolder ? GetDistributiveFolder() : entry.second;
    if (!folder.empty() && folder.back() == '\\') {
        return folder + entry.first;
    }
    return folder + "\\" + entry.first;
}

} // namespace SINSTALL
