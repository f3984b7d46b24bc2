// File install and deinstall with real files on the 98 machine: backups and rollbacks,
// targets in use replaced or deleted at the next restart through WININIT.INI.
#include "FileTestHelpers.h"
#include "RecordingClient.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
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

std::string Pkg(const char* name) {
    return kPkg + "\\" + name;
}
std::string Sys(const char* name) {
    return kSys + "\\" + name;
}

// The run's setup temp folder, where backups go.
std::string SetupTempFolder() {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    return manager->GetOperations()->CreateSetupTempFolder();
}

} // namespace

TEST_CASE("install over an existing file; its rollback restores the old file") {
    // Holds the OS manager, and so the setup temp folder, for the whole case.
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Pkg("zvAPI.dll"), "new module");
    PutFile(Sys("zvAPI.dll"), "old module");
    CInstallFile operation(Pkg("zvAPI.dll").c_str(), Sys("zvAPI.dll").c_str(), true);
    CHECK(operation.IsCritical());
    REQUIRE(operation.Perform(context));
    CHECK(operation.IsPerformed());
    CHECK_FALSE(operation.IsRebootPending());
    CHECK_FALSE(context.IsRebootNeeded());
    CHECK(FileBytes(Sys("zvAPI.dll")) == "new module");
    CHECK(sink.installQuery.asked == 1);
    REQUIRE(sink.installed.records.size() == 1);
    const CInstallFile::CNotifyRecord& record = sink.installed.records[0];
    CHECK(record.result == CInstallFile::ResultCopied);
    CHECK(record.tempPath.empty());
    CHECK(record.operation == &operation);
    CHECK(record.operation->GetSourcePath() == Pkg("zvAPI.dll"));
    CHECK(record.operation->GetTargetPath() == Sys("zvAPI.dll"));
    // The old file was put aside in the setup temp folder.
    CHECK(FileBytes(SetupTempFolder() + "\\zvAPI.dll") == "old module");

    CHECK(operation.Rollback(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(FileBytes(Sys("zvAPI.dll")) == "old module");
    CHECK(sink.installed.records.size() == 1);
    // A second rollback has nothing to do.
    CHECK_FALSE(operation.Rollback(context));
    CHECK(FileBytes(Sys("zvAPI.dll")) == "old module");
}

TEST_CASE("install into a new place; its rollback leaves the new file") {
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Pkg("zvERR.dll"), "error texts");
    CInstallFile operation(Pkg("zvERR.dll").c_str(), Sys("zvERR.dll").c_str(), false);
    CHECK_FALSE(operation.IsCritical());
    REQUIRE(operation.Perform(context));
    CHECK(FileBytes(Sys("zvERR.dll")) == "error texts");
    // Nothing to restore: the result is false and the file stays.
    CHECK_FALSE(operation.Rollback(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(FileBytes(Sys("zvERR.dll")) == "error texts");
}

TEST_CASE("a missing source fails with result 1 and leaves the target") {
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Sys("zvCSP.dll"), "installed");
    CInstallFile operation(Pkg("zvCSP.dll").c_str(), Sys("zvCSP.dll").c_str(), true);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK_FALSE(operation.IsRebootPending());
    REQUIRE(sink.installed.records.size() == 1);
    CHECK(sink.installed.records[0].result == CInstallFile::ResultFailed);
    CHECK(sink.installed.records[0].tempPath.empty());
    CHECK(FileBytes(Sys("zvCSP.dll")) == "installed");
    CHECK(RenameLines().empty());
}

TEST_CASE("a read-only source installs, and the rollback still restores the old file") {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    FreshFolders();
    CContextDefault context(nullptr);
    PutFile(Pkg("zvICCSP.dll"), "from a read-only medium");
    REQUIRE(SetFileAttributesA(Pkg("zvICCSP.dll").c_str(), FILE_ATTRIBUTE_READONLY));
    PutFile(Sys("zvICCSP.dll"), "before");
    CInstallFile operation(Pkg("zvICCSP.dll").c_str(), Sys("zvICCSP.dll").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(FileBytes(Sys("zvICCSP.dll")) == "from a read-only medium");
    // Windows copies the read-only attribute along (Wine does not): make it so here.
    SetFileAttributesA(Sys("zvICCSP.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(operation.Rollback(context));
    CHECK(FileBytes(Sys("zvICCSP.dll")) == "before");
    // The old file comes back as it was, not with the read-only mark of the new one.
    CHECK((GetFileAttributesA(Sys("zvICCSP.dll").c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
    SetFileAttributesA(Pkg("zvICCSP.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE("install that the client does not want: success, nothing done, nothing sent") {
    FreshFolders();
    CClient sink;
    sink.installQuery.answer = false;
    CContextDefault context(&sink.client);
    PutFile(Pkg("zvAPIEX.dll"), "new");
    PutFile(Sys("zvAPIEX.dll"), "newer on the machine");
    CInstallFile operation(Pkg("zvAPIEX.dll").c_str(), Sys("zvAPIEX.dll").c_str(), true);
    CHECK(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(sink.installQuery.asked == 1);
    CHECK(sink.installed.records.empty());
    CHECK_FALSE(operation.Rollback(context));
    CHECK(FileBytes(Sys("zvAPIEX.dll")) == "newer on the machine");
}

TEST_CASE("a second Perform of an install fails and sends nothing") {
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Pkg("a.dll"), "one");
    CInstallFile operation(Pkg("a.dll").c_str(), Sys("a.dll").c_str(), true);
    REQUIRE(operation.Perform(context));
    PutFile(Pkg("a.dll"), "two");
    CHECK_FALSE(operation.Perform(context));
    CHECK(sink.installed.records.size() == 1);
    CHECK(sink.installQuery.asked == 1);
    CHECK(FileBytes(Sys("a.dll")) == "one");
}

TEST_CASE("without a client the install runs and counts as wanted") {
    FreshFolders();
    CContextDefault context(nullptr);
    PutFile(Pkg("b.dll"), "quiet");
    CInstallFile operation(Pkg("b.dll").c_str(), Sys("b.dll").c_str(), true);
    CHECK(operation.Perform(context));
    CHECK(FileBytes(Sys("b.dll")) == "quiet");
}

TEST_CASE("install over a target in use: temporary copy beside it, replaced at restart") {
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Pkg("zvIFDH.sys"), "driver 1.1");
    PutFile(Sys("zvIFDH.sys"), "driver 1.0");
    CHeldFile held(Sys("zvIFDH.sys"));
    REQUIRE(held.IsHeld());
    CInstallFile operation(Pkg("zvIFDH.sys").c_str(), Sys("zvIFDH.sys").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(operation.IsPerformed());
    CHECK(operation.IsRebootPending());
    CHECK(context.IsRebootNeeded());
    REQUIRE(sink.installed.records.size() == 1);
    const CInstallFile::CNotifyRecord record = sink.installed.records[0];
    CHECK(record.result == CInstallFile::ResultAtReboot);
    CHECK(record.tempPath == Sys("_zvIFDH.sys"));
    CHECK(FileBytes(Sys("_zvIFDH.sys")) == "driver 1.1");
    CHECK(FileBytes(Sys("zvIFDH.sys")) == "driver 1.0");
    const std::vector<std::string> scheduled{Sys("zvIFDH.sys") + " = " +
                                             ShortPath(Sys("_zvIFDH.sys"))};
    CHECK(RenameLines() == scheduled);

    SUBCASE("its rollback cancels the rename and removes the copy") {
        CHECK(operation.Rollback(context));
        CHECK_FALSE(operation.IsPerformed());
        CHECK_FALSE(operation.IsRebootPending());
        CHECK(RenameLines().empty());
        CHECK_FALSE(Exists(Sys("_zvIFDH.sys")));
        CHECK(FileBytes(Sys("zvIFDH.sys")) == "driver 1.0");
    }
    SUBCASE("a set that holds it is reboot-pending") {
        SSETUP::COperationSet set(false);
        auto* second =
            new CInstallFile(Pkg("zvIFDH.sys").c_str(), Sys("zvIFDH.sys").c_str(), false);
        set.Add(second, false);
        CHECK_FALSE(set.IsRebootPending());
        // The name beside the target is taken now: the system makes another one.
        REQUIRE(set.Perform(context));
        CHECK(set.IsRebootPending());
        REQUIRE(sink.installed.records.size() == 2);
        const std::string other = sink.installed.records[1].tempPath;
        CHECK(other != Sys("_zvIFDH.sys"));
        CHECK(other.compare(0, kSys.size() + 1, kSys + "\\") == 0);
        CHECK(FileBytes(other) == "driver 1.1");
        CHECK(RenameLines().size() == 2);
    }
}

TEST_CASE("install over a target in use when the restart rename cannot be written fails") {
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Pkg("zvUSB.sys"), "usb new");
    PutFile(Sys("zvUSB.sys"), "usb old");
    CHeldFile held(Sys("zvUSB.sys"));
    REQUIRE(held.IsHeld());
    // WININIT.INI held open by someone else: the rename cannot be scheduled.
    PutFile(WininitPath(), "[Rename]\r\n");
    CHeldFile wininit(WininitPath());
    REQUIRE(wininit.IsHeld());
    CInstallFile operation(Pkg("zvUSB.sys").c_str(), Sys("zvUSB.sys").c_str(), true);
    CHECK_FALSE(operation.Perform(context));
    wininit.Release();
    CHECK_FALSE(operation.IsPerformed());
    // Nothing waits for the restart, and no stray copy is left beside the target.
    CHECK_FALSE(operation.IsRebootPending());
    CHECK_FALSE(context.IsRebootNeeded());
    CHECK_FALSE(Exists(Sys("_zvUSB.sys")));
    REQUIRE(sink.installed.records.size() == 1);
    CHECK(sink.installed.records[0].result == CInstallFile::ResultFailed);
    CHECK(sink.installed.records[0].tempPath.empty());
    CHECK(RenameLines().empty());
    CHECK(FileBytes(Sys("zvUSB.sys")) == "usb old");
}

TEST_CASE("visitors see a file install with its paths") {
    struct CFileVisitor : SSetupVisitor::CVisitorDefault {
        void Visit(const SSETUP::IInstallFileOperation* operation) override {
            seen.push_back(operation->GetSourcePath() + ">" + operation->GetTargetPath());
        }
        std::vector<std::string> seen;
    } visitor;
    SSETUP::COperationSet set(false);
    set.Add(new CInstallFile("C:\\P\\a.dll", "C:\\S\\a.dll", true), false);
    set.Add(new CDeinstallFile("C:\\S\\b.dll", true), false);
    set.Add(new CInstallFile("C:\\P\\c.sys", "C:\\S\\c.sys", false), false);
    set.Accept(visitor);
    CHECK(visitor.seen ==
          std::vector<std::string>{"C:\\P\\a.dll>C:\\S\\a.dll", "C:\\P\\c.sys>C:\\S\\c.sys"});
}

TEST_CASE("deinstall removes the file; its rollback puts it back") {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Sys("zvPKCS11.dll"), "pkcs module");
    CDeinstallFile operation(Sys("zvPKCS11.dll").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(operation.IsPerformed());
    CHECK_FALSE(Exists(Sys("zvPKCS11.dll")));
    CHECK_FALSE(context.IsRebootNeeded());
    CHECK(sink.removeQuery.asked == 1);
    REQUIRE(sink.removed.records.size() == 1);
    CHECK(sink.removed.records[0].result == CDeinstallFile::ResultDeleted);
    CHECK(sink.removed.records[0].operation->GetPath() == Sys("zvPKCS11.dll"));
    CHECK(FileBytes(SetupTempFolder() + "\\zvPKCS11.dll") == "pkcs module");

    CHECK(operation.Rollback(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(FileBytes(Sys("zvPKCS11.dll")) == "pkcs module");
    // The backup was moved back, not copied.
    CHECK_FALSE(Exists(SetupTempFolder() + "\\zvPKCS11.dll"));
    CHECK_FALSE(operation.Rollback(context));
}

TEST_CASE("deinstall of an absent file fails without notification") {
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    CDeinstallFile operation(Sys("absent.dll").c_str(), false);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(sink.removed.records.empty());
    // In a set, only a critical one would matter.
    SSETUP::COperationSet set(true);
    set.Add(new CDeinstallFile(Sys("absent.dll").c_str(), false), false);
    CHECK(set.Perform(context));
}

TEST_CASE("deinstall that the client does not want: success, file stays") {
    FreshFolders();
    CClient sink;
    sink.removeQuery.answer = false;
    CContextDefault context(&sink.client);
    PutFile(Sys("keep.dll"), "keep");
    CDeinstallFile operation(Sys("keep.dll").c_str(), true);
    CHECK(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(sink.removed.records.empty());
    CHECK(FileBytes(Sys("keep.dll")) == "keep");
}

TEST_CASE("deinstall of a file in use: deleted at restart; the rollback cancels that line") {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    FreshFolders();
    CClient sink;
    CContextDefault context(&sink.client);
    PutFile(Sys("other.dll"), "someone else's");
    PutFile(Sys("other.new"), "someone else's update");
    // A rename of another program, scheduled before ours.
    REQUIRE(manager->GetOperations()->MoveFileAtReboot(Sys("other.new").c_str(),
                                                       Sys("other.dll").c_str()));
    const std::vector<std::string> before = RenameLines();
    REQUIRE(before.size() == 1);

    PutFile(Sys("zvService.exe"), "service");
    CHeldFile held(Sys("zvService.exe"));
    REQUIRE(held.IsHeld());
    CDeinstallFile operation(Sys("zvService.exe").c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(operation.IsPerformed());
    CHECK(context.IsRebootNeeded());
    CHECK(FileBytes(Sys("zvService.exe")) == "service");
    REQUIRE(sink.removed.records.size() == 1);
    CHECK(sink.removed.records[0].result == CDeinstallFile::ResultAtReboot);
    std::vector<std::string> scheduled = before;
    scheduled.push_back("NUL = " + ShortPath(Sys("zvService.exe")));
    CHECK(RenameLines() == scheduled);
    // The backup is dropped: the rollback is a cancel, not a restore.
    CHECK_FALSE(Exists(SetupTempFolder() + "\\zvService.exe"));

    CHECK(operation.Rollback(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK(RenameLines() == before);
    CHECK(FileBytes(Sys("zvService.exe")) == "service");
}
