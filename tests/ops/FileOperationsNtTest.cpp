// File install and deinstall over files in use on the NT family: the replacement waits in
// the system's pending rename list instead of WININIT.INI. Also the NT form of a driver's
// image path.
#include "FileTestHelpers.h"
#include "RecordingClient.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "ops/RegistryOperations.h"
#include <doctest/doctest.h>

using namespace opstest;
using SSETUP::CContextDefault;
using SSETUP::CDeinstallFile;
using SSETUP::CInstallFile;

namespace {

const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const std::string kPkg = "C:\\OPSN\\PKG";
const std::string kSys = "C:\\OPSN\\SYS";

// The pending rename list as one text, entries separated by '|'; "(none)" without it.
std::string PendingRenames() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "(none)";
    }
    DWORD size = 0;
    std::string text = "(none)";
    if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr, nullptr, &size) ==
        ERROR_SUCCESS) {
        std::string bytes(size, '\0');
        if (RegQueryValueExA(key, "PendingFileRenameOperations", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(&bytes[0]), &size) == ERROR_SUCCESS) {
            bytes.resize(size);
            for (char& c : bytes) {
                c = c == '\0' ? '|' : c;
            }
            text = bytes;
        }
    }
    RegCloseKey(key);
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_CASE("NT family: install over a file in use and deinstall of a file in use") {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    REQUIRE(GetVersionExA(&version));
    REQUIRE(version.dwPlatformId == VER_PLATFORM_WIN32_NT);

    CreateDirectoryA("C:\\OPSN", nullptr);
    FreshFolder(kPkg);
    FreshFolder(kSys);
    CRecordingClient client;
    CNotifyRecorder<CInstallFile::IInstallFileNotify, CInstallFile::CNotifyRecord> installed(
        client);
    CNotifyRecorder<CDeinstallFile::IDeinstallFileNotify, CDeinstallFile::CNotifyRecord> removed(
        client);
    CContextDefault context(&client);

    PutFile(kPkg + "\\zvIFDH.sys", "driver 1.1");
    PutFile(kSys + "\\zvIFDH.sys", "driver 1.0");
    PutFile(kSys + "\\zvOLD.dll", "old library");
    CHeldFile driver(kSys + "\\zvIFDH.sys");
    CHeldFile library(kSys + "\\zvOLD.dll");
    REQUIRE(driver.IsHeld());
    REQUIRE(library.IsHeld());

    CInstallFile install((kPkg + "\\zvIFDH.sys").c_str(), (kSys + "\\zvIFDH.sys").c_str(), true);
    REQUIRE(install.Perform(context));
    CHECK(install.IsRebootPending());
    CHECK(context.IsRebootNeeded());
    REQUIRE(installed.records.size() == 1);
    CHECK(installed.records[0].result == CInstallFile::ResultAtReboot);
    CHECK(installed.records[0].tempPath == kSys + "\\_zvIFDH.sys");
    CHECK(FileBytes(kSys + "\\_zvIFDH.sys") == "driver 1.1");
    CHECK(FileBytes(kSys + "\\zvIFDH.sys") == "driver 1.0");
    CHECK(Contains(PendingRenames(), "_zvIFDH.sys"));

    CDeinstallFile remove((kSys + "\\zvOLD.dll").c_str(), true);
    REQUIRE(remove.Perform(context));
    REQUIRE(removed.records.size() == 1);
    CHECK(removed.records[0].result == CDeinstallFile::ResultAtReboot);
    CHECK(Contains(PendingRenames(), "zvOLD.dll"));
    CHECK(FileBytes(kSys + "\\zvOLD.dll") == "old library");

    // Each rollback cancels its own entry.
    CHECK(remove.Rollback(context));
    CHECK_FALSE(Contains(PendingRenames(), "zvOLD.dll"));
    CHECK(install.Rollback(context));
    CHECK_FALSE(Contains(PendingRenames(), "_zvIFDH.sys"));
    CHECK_FALSE(install.IsRebootPending());
    CHECK_FALSE(Exists(kSys + "\\_zvIFDH.sys"));
    CHECK(FileBytes(kSys + "\\zvIFDH.sys") == "driver 1.0");
}

TEST_CASE("NT family: a driver's image path is relative to the Windows folder") {
    SSETUPREG::CDriverServiceInfo info;
    info.SetImageFile("zvIFDH.sys");
    CHECK(info.ImagePath == "System32\\drivers\\zvIFDH.sys");
}
