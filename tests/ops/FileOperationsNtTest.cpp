// File install and deinstall over files in use on the NT family: the replacement waits in
// the system's pending rename list instead of WININIT.INI. Also the NT form of a driver's
// image path.
#include "FileTestHelpers.h"
#include "RecordingClient.h"
#include "RegistryTestKeys.h"
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

// Whether the pending rename list names the file.
bool Pending(const std::string& name) {
    return ReadValue(HKEY_LOCAL_MACHINE, kSessionManager, "PendingFileRenameOperations")
               .bytes.find(name) != std::string::npos;
}

} // namespace

TEST_CASE("NT family: install over a file in use and deinstall of a file in use") {
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
    REQUIRE(Pending("_zvIFDH.sys"));

    CDeinstallFile remove((kSys + "\\zvOLD.dll").c_str(), true);
    REQUIRE(remove.Perform(context));
    REQUIRE(removed.records.size() == 1);
    CHECK(removed.records[0].result == CDeinstallFile::ResultAtReboot);
    REQUIRE(Pending("zvOLD.dll"));
    // What the restart does with them is checked by tests/os/restart-nt.sh; each rollback
    // cancels its own entry.
    CHECK(remove.Rollback(context));
    CHECK_FALSE(Pending("zvOLD.dll"));
    CHECK(install.Rollback(context));
    CHECK_FALSE(Pending("_zvIFDH.sys"));
    CHECK_FALSE(install.IsRebootPending());
    CHECK_FALSE(Exists(kSys + "\\_zvIFDH.sys"));
    CHECK(FileBytes(kSys + "\\zvIFDH.sys") == "driver 1.0");
}

TEST_CASE("NT family: a driver's image path is relative to the Windows folder") {
    SSETUPREG::CDriverServiceInfo info;
    info.SetImageFile("zvIFDH.sys");
    CHECK(info.ImagePath == "System32\\drivers\\zvIFDH.sys");
}
