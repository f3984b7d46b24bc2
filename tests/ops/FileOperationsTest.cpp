// File install and deinstall with real files on the 98 machine: backups and rollbacks,
// targets in use replaced or deleted at the next restart through WININIT.INI; what visitors
// see of file and registry operations.
#include "FileTestHelpers.h"
#include "RecordingClient.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "ops/RegistryOperations.h"
#include "setup/Visitor.h"
#include <doctest/doctest.h>

using namespace opstest;
using SSETUP::CContextDefault;
using SSETUP::CDeinstallFile;
using SSETUP::CInstallFile;

namespace {

const std::string kPkg = "C:\\OPSF\\PKG";
const std::string kSys = "C:\\OPSF\\SYS";

using InstallNotify =
    CNotifyRecorder<CInstallFile::IInstallFileNotify, CInstallFile::CNotifyRecord>;
using InstallQuery =
    CQueryAnswerer<CInstallFile::IInstallFileNeededQuery, CInstallFile::CQueryRecord>;
using DeinstallNotify =
    CNotifyRecorder<CDeinstallFile::IDeinstallFileNotify, CDeinstallFile::CNotifyRecord>;
using DeinstallQuery =
    CQueryAnswerer<CDeinstallFile::IDeinstallFileNeededQuery, CDeinstallFile::CQueryRecord>;

struct CClient {
    CRecordingClient client;
    InstallNotify installed{client};
    InstallQuery installQuery{client};
    DeinstallNotify removed{client};
    DeinstallQuery removeQuery{client};
};

// Both folders empty, and no Rename lines left by an earlier case.
void FreshFolders() {
    CreateDirectoryA("C:\\OPSF", nullptr);
    FreshFolder(kPkg);
    FreshFolder(kSys);
    Remove(WininitPath());
}

std::string Pkg(const std::string& name) {
    return kPkg + "\\" + name;
}
std::string Sys(const std::string& name) {
    return kSys + "\\" + name;
}

// The run's setup temp folder, where backups go.
std::string SetupTempFolder() {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    return manager->GetOperations()->CreateSetupTempFolder();
}

// Empty folders, no Rename lines, a client that records everything. Holds the OS manager,
// and so the setup temp folder, for the whole case.
struct CFileCase {
    CFileCase() { FreshFolders(); }
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    CClient sink;
    CContextDefault context{&sink.client};
};

// Files in the places of all the names a setup temp folder can take.
class CSetupTempNamesTaken {
public:
    CSetupTempNamesTaken() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        for (int n = 0; n < 100; ++n) {
            const std::string name = std::string(temp) + "NvSETUP." + std::to_string(n);
            if (!Exists(name)) {
                PutFile(name, "taken");
                made.push_back(name);
            }
        }
    }
    ~CSetupTempNamesTaken() {
        for (const std::string& name : made) {
            Remove(name);
        }
    }

private:
    std::vector<std::string> made;
};

} // namespace

TEST_CASE_FIXTURE(CFileCase, "install over an existing file; its rollback restores the old file") {
    PutFile(Pkg("zvAPI.dll"), "new module");
    PutFile(Sys("zvAPI.dll"), "old module");
    CInstallFile operation(Pkg("zvAPI.dll").c_str(), Sys("zvAPI.dll").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK_FALSE(operation.IsRebootPending());
    CHECK_FALSE(context.IsRebootNeeded());
    CHECK(FileBytes(Sys("zvAPI.dll")) == "new module");
    REQUIRE(sink.installed.records.size() == 1);
    CHECK(sink.installed.records[0].result == CInstallFile::ResultCopied);
    CHECK(FileBytes(SetupTempFolder() + "\\zvAPI.dll") == "old module");

    // Windows copies a read-only mark along from a read-only medium (Wine does not): the
    // restore must clear it, and the old file comes back without it.
    SetFileAttributesA(Sys("zvAPI.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(operation.Rollback(context));
    CHECK(FileBytes(Sys("zvAPI.dll")) == "old module");
    CHECK((GetFileAttributesA(Sys("zvAPI.dll").c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
    CHECK_FALSE(operation.Rollback(context));
}

TEST_CASE("a rollback that cannot copy the backup back moves it, or reports the failure") {
    // Keeps the setup temp folder from one row to the next.
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    const struct {
        const char* name;
        DWORD backupShare; // of a handle held on the backup: it cannot be read either way
        bool restored;
    } rows[] = {
        {"the backup can still be renamed: moved into place", FILE_SHARE_DELETE, true},
        {"the backup cannot be touched: reported with its path", 0, false},
    };
    int n = 0;
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        FreshFolders();
        CClient sink;
        CContextDefault context(&sink.client);
        const std::string name = "r" + std::to_string(++n) + ".dll";
        PutFile(Pkg(name), "new");
        PutFile(Sys(name), "old");
        CInstallFile operation(Pkg(name).c_str(), Sys(name).c_str(), true);
        REQUIRE(operation.Perform(context));
        const std::string backup = SetupTempFolder() + "\\" + name;
        REQUIRE(FileBytes(backup) == "old");
        CHeldFile held(backup, row.backupShare);
        REQUIRE(held.IsHeld());
        REQUIRE_FALSE(CopyFileA(backup.c_str(), Sys("copy.tmp").c_str(), FALSE));

        CHECK(operation.Rollback(context) == row.restored);
        CHECK_FALSE(operation.IsPerformed());
        held.Release();
        if (row.restored) {
            CHECK(FileBytes(Sys(name)) == "old");
            CHECK(sink.installed.records.size() == 1);
        } else {
            REQUIRE(sink.installed.records.size() == 2);
            CHECK(sink.installed.records[1].result == CInstallFile::ResultRestoreFailed);
            CHECK(sink.installed.records[1].tempPath == backup);
            CHECK(Exists(backup));
        }
    }
}

TEST_CASE_FIXTURE(CFileCase,
                  "without a setup temp folder a file is neither overwritten nor deleted") {
    CSetupTempNamesTaken taken;
    REQUIRE(manager->GetOperations()->CreateSetupTempFolder().empty());
    PutFile(Pkg("zvCSP.dll"), "new");
    PutFile(Sys("zvCSP.dll"), "old");
    PutFile(Sys("zvERR.dll"), "kept");

    CInstallFile install(Pkg("zvCSP.dll").c_str(), Sys("zvCSP.dll").c_str(), true);
    CHECK_FALSE(install.Perform(context));
    CHECK(FileBytes(Sys("zvCSP.dll")) == "old");
    REQUIRE(sink.installed.records.size() == 1);
    CHECK(sink.installed.records[0].result == CInstallFile::ResultFailed);

    CDeinstallFile remove(Sys("zvERR.dll").c_str(), true);
    CHECK_FALSE(remove.Perform(context));
    CHECK(FileBytes(Sys("zvERR.dll")) == "kept");
    REQUIRE(sink.removed.records.size() == 1);
    CHECK(sink.removed.records[0].result == CDeinstallFile::ResultFailed);
}

TEST_CASE_FIXTURE(CFileCase, "install without a previous file or a source; deinstall of nothing") {
    PutFile(Pkg("zvERR.dll"), "error texts");
    PutFile(Sys("zvCSP.dll"), "installed");
    CInstallFile created(Pkg("zvERR.dll").c_str(), Sys("zvERR.dll").c_str(), false);
    CInstallFile sourceless(Pkg("zvCSP.dll").c_str(), Sys("zvCSP.dll").c_str(), true);
    REQUIRE(created.Perform(context));
    CHECK_FALSE(sourceless.Perform(context));
    CHECK_FALSE(sourceless.IsPerformed());
    REQUIRE(sink.installed.records.size() == 2);
    CHECK(sink.installed.records[1].result == CInstallFile::ResultFailed);
    CHECK(FileBytes(Sys("zvCSP.dll")) == "installed");
    // A file that is not there fails silently.
    CDeinstallFile absent(Sys("absent.dll").c_str(), false);
    CHECK_FALSE(absent.Perform(context));
    CHECK(sink.removed.records.empty());
    // No previous file: the rollback removes the new one.
    CHECK(created.Rollback(context));
    CHECK(FileBytes(Sys("zvERR.dll")) == "(missing)");
}

TEST_CASE_FIXTURE(CFileCase,
                  "what the client does not want is not done, and a second Perform fails") {
    PutFile(Pkg("a.dll"), "new");
    PutFile(Sys("a.dll"), "newer on the machine");
    sink.installQuery.answer = false;
    sink.removeQuery.answer = false;
    CInstallFile install(Pkg("a.dll").c_str(), Sys("a.dll").c_str(), true);
    CDeinstallFile remove(Sys("a.dll").c_str(), true);
    CHECK(install.Perform(context));
    CHECK(remove.Perform(context));
    CHECK_FALSE(remove.IsPerformed());
    CHECK(sink.installed.records.empty());
    CHECK(sink.removed.records.empty());
    CHECK(FileBytes(Sys("a.dll")) == "newer on the machine");

    sink.installQuery.answer = true;
    REQUIRE(install.Perform(context));
    PutFile(Pkg("a.dll"), "two");
    CHECK_FALSE(install.Perform(context));
    CHECK(sink.installed.records.size() == 1);
    CHECK(sink.installQuery.asked == 2);
    CHECK(FileBytes(Sys("a.dll")) == "new");
}

TEST_CASE_FIXTURE(CFileCase,
                  "install over a target in use: temporary copy beside it, replaced at restart") {
    PutFile(Pkg("zvIFDH.sys"), "driver 1.1");
    PutFile(Sys("zvIFDH.sys"), "driver 1.0");
    CHeldFile held(Sys("zvIFDH.sys"));
    REQUIRE(held.IsHeld());
    CInstallFile operation(Pkg("zvIFDH.sys").c_str(), Sys("zvIFDH.sys").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(operation.IsRebootPending());
    CHECK(context.IsRebootNeeded());
    REQUIRE(sink.installed.records.size() == 1);
    CHECK(sink.installed.records[0].result == CInstallFile::ResultAtReboot);
    CHECK(sink.installed.records[0].tempPath == Sys("_zvIFDH.sys"));
    // The rename line itself and the restart are checked by tests/os/restart-9x.sh. The
    // rollback cancels the rename and removes the copy; nothing to restore or report.
    REQUIRE(RenameLines().size() == 1);
    CHECK(operation.Rollback(context));
    CHECK_FALSE(operation.IsRebootPending());
    CHECK(RenameLines().empty());
    CHECK_FALSE(Exists(Sys("_zvIFDH.sys")));
    CHECK(FileBytes(Sys("zvIFDH.sys")) == "driver 1.0");
}

TEST_CASE_FIXTURE(CFileCase,
                  "a restart rename that cannot be written fails and asks for no restart") {
    PutFile(Pkg("zvUSB.sys"), "usb new");
    PutFile(Sys("zvUSB.sys"), "usb old");
    CHeldFile held(Sys("zvUSB.sys"));
    REQUIRE(held.IsHeld());
    // WININIT.INI held open by someone else: no rename can be scheduled.
    PutFile(WininitPath(), "[Rename]\r\n");
    CHeldFile wininit(WininitPath());
    REQUIRE(wininit.IsHeld());
    SUBCASE("install") {
        CInstallFile operation(Pkg("zvUSB.sys").c_str(), Sys("zvUSB.sys").c_str(), true);
        CHECK_FALSE(operation.Perform(context));
        CHECK_FALSE(operation.IsRebootPending());
        // No stray copy is left beside the target.
        CHECK_FALSE(Exists(Sys("_zvUSB.sys")));
        REQUIRE(sink.installed.records.size() == 1);
        CHECK(sink.installed.records[0].result == CInstallFile::ResultFailed);
    }
    SUBCASE("deinstall") {
        CDeinstallFile operation(Sys("zvUSB.sys").c_str(), true);
        CHECK_FALSE(operation.Perform(context));
        REQUIRE(sink.removed.records.size() == 1);
        CHECK(sink.removed.records[0].result == CDeinstallFile::ResultFailed);
    }
    CHECK_FALSE(context.IsRebootNeeded());
    wininit.Release();
    CHECK(RenameLines().empty());
    CHECK(FileBytes(Sys("zvUSB.sys")) == "usb old");
}

TEST_CASE("visitors see file installs and registry key installs, nothing else") {
    struct CVisitor : SSetupVisitor::CVisitorDefault {
        void Visit(const SSETUP::IInstallFileOperation* operation) override {
            seen.push_back(operation->GetSourcePath() + ">" + operation->GetTargetPath());
        }
        void Visit(const SSETUP::IInstallRegKeyOperation* operation) override {
            seen.push_back(operation->GetKeyPath());
        }
        std::vector<std::string> seen;
    } visitor;
    SSETUP::COperationSet set(false);
    auto* key = new SSETUPREG::CInstallRegKey(HKEY_LOCAL_MACHINE, "Software\\A", true);
    set.Add(new CInstallFile("C:\\P\\a.dll", "C:\\S\\a.dll", true), false);
    set.Add(new CDeinstallFile("C:\\S\\b.dll", true), false);
    set.Add(key, false);
    set.Add(new SSETUPREG::CInstallRegStringValue(*key, nullptr, "v", "x", true), false);
    set.Add(new SSETUPREG::CDeleteRegKeyOperation(HKEY_LOCAL_MACHINE, "Software\\B", false), false);
    set.Accept(visitor);
    CHECK(visitor.seen == std::vector<std::string>{"C:\\P\\a.dll>C:\\S\\a.dll", "Software\\A"});
}

TEST_CASE_FIXTURE(CFileCase, "deinstall removes the file; its rollback puts it back") {
    PutFile(Sys("zvPKCS11.dll"), "pkcs module");
    CDeinstallFile operation(Sys("zvPKCS11.dll").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK_FALSE(Exists(Sys("zvPKCS11.dll")));
    CHECK_FALSE(context.IsRebootNeeded());
    REQUIRE(sink.removed.records.size() == 1);
    CHECK(sink.removed.records[0].result == CDeinstallFile::ResultDeleted);

    CHECK(operation.Rollback(context));
    CHECK(FileBytes(Sys("zvPKCS11.dll")) == "pkcs module");
    // The backup was moved back, not copied.
    CHECK_FALSE(Exists(SetupTempFolder() + "\\zvPKCS11.dll"));
    CHECK_FALSE(operation.Rollback(context));
}

TEST_CASE_FIXTURE(
    CFileCase, "deinstall of a file in use: deleted at restart; the rollback cancels that line") {
    PutFile(Sys("zvService.exe"), "service");
    CHeldFile held(Sys("zvService.exe"));
    REQUIRE(held.IsHeld());
    CDeinstallFile operation(Sys("zvService.exe").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(context.IsRebootNeeded());
    REQUIRE(sink.removed.records.size() == 1);
    CHECK(sink.removed.records[0].result == CDeinstallFile::ResultAtReboot);
    REQUIRE(RenameLines().size() == 1);
    // The backup is dropped: the rollback is a cancel, not a restore.
    CHECK_FALSE(Exists(SetupTempFolder() + "\\zvService.exe"));

    CHECK(operation.Rollback(context));
    CHECK(RenameLines().empty());
    CHECK(FileBytes(Sys("zvService.exe")) == "service");
}
