// The operations on real files, registry, COM modules (the system's RegSvr32) and services,
// laid out by ops.sh: versions, backups and rollbacks, files in use waiting in WININIT.INI.
#include "FileTestHelpers.h"
#include "RecordingClient.h"
#include "RegistryTestKeys.h"
#include "ops/ComModule.h"
#include "ops/DeinstallFile.h"
#include "ops/FileVersions.h"
#include "ops/InstallFile.h"
#include "ops/Registry.h"
#include "ops/RegistryOperations.h"
#include "ops/ServiceRegistration.h"
#include <doctest/doctest.h>
#include <memory>

using namespace opstest;
using namespace SSETUPREG;
using SSETUP::CDeinstallFile;
using SSETUP::CInstallFile;

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
const std::string kZentavo = "C:\\Program Files\\Zentavo\\"; // a space, as installers meet

std::string Pkg(const std::string& name) {
    return "C:\\OPSF\\PKG\\" + name;
}
std::string Sys(const std::string& name) {
    return "C:\\OPSF\\SYS\\" + name;
}

// Empty folders, no WININIT.INI, a fresh registry key; a client that records everything.
// Holds the OS manager, and so the setup temp folder where backups go, for the whole case.
struct CCase {
    CCase() {
        CreateDirectoryA("C:\\OPSF", nullptr);
        FreshFolder("C:\\OPSF\\PKG");
        FreshFolder("C:\\OPSF\\SYS");
        Remove(WininitPath());
        CreateDirectoryA("C:\\Program Files", nullptr);
        CreateDirectoryA(kZentavo.c_str(), nullptr);
        try {
            SREGISTRY::DeleteKeyTree(kRoot, key.c_str());
        } catch (const SREGISTRY::CRegException&) {
        }
        PutValue(kRoot, key);
    }
    std::string Backup(const std::string& name) {
        return manager->GetOperations()->CreateSetupTempFolder() + "\\" + name;
    }
    const std::string key = "Software\\MorviskOpsTest";
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    CRecordingClient client;
    CNotifyRecorder<CInstallFile::IInstallFileNotify, CInstallFile::CNotifyRecord> installed{
        client};
    CNotifyRecorder<CDeinstallFile::IDeinstallFileNotify, CDeinstallFile::CNotifyRecord> removed{
        client};
    CNotifyRecorder<CInstallRegStringValue::IInstallRegSTRINGValueNotify,
                    CInstallRegStringValue::CNotifyRecord>
        strings{client};
    CNotifyRecorder<SRegATLService::IRegATLServiceNotify, SRegATLService::ServiceEvent> services{
        client};
    CQueryAnswerer<CInstallFile::IInstallFileNeededQuery, CInstallFile::CQueryRecord> installQuery{
        client};
    SSETUP::CContextDefault context{&client};
};

// A critical step that fails, after which its set rolls back.
SSETUP::ISetupOperation* FailingStep() {
    return new CInstallFile("C:\\none", "C:\\n", true);
}

// The path a sample COM module's registration names; "(none)" when it is not registered.
std::string Registered(const char* name) {
    const CValue value = ReadValue(
        kRoot, std::string("SOFTWARE\\Norvane\\Zentavo\\Registered\\") + name, "ModulePath");
    return value.exists ? std::string(value.bytes.c_str()) : "(none)";
}

// The state of the sample service (1 stopped, 4 running), or 1060 when there is none.
DWORD ServiceState() {
    const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    REQUIRE(manager != nullptr);
    const SC_HANDLE service = OpenServiceA(manager, "Zentavo Service", SERVICE_QUERY_STATUS);
    DWORD result = GetLastError();
    if (service != nullptr) {
        SERVICE_STATUS status = {};
        result = QueryServiceStatus(service, &status) ? status.dwCurrentState : GetLastError();
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

} // namespace

// Also on the NT family, whose version functions fail differently.
TEST_CASE("versions decide the replacement of a module") {
    const char* const newer = "C:\\COMT\\NEW\\zvCSP.dll";
    const char* const older = "C:\\COMT\\OLD\\zvCSP.dll";
    const char* const unversioned = "C:\\VER\\nover.dll";
    CHECK(SFileVersions::IsReplacementNeeded(newer, older));
    CHECK_FALSE(SFileVersions::IsReplacementNeeded(older, newer));
    CHECK_FALSE(SFileVersions::IsReplacementNeeded(unversioned, older));
    // The package check tells an unversioned module by this code.
    SFileVersions::CFileVersionInfo reader(unversioned, false);
    try {
        reader.GetFixedInfo();
        FAIL("no exception");
    } catch (const SFileVersions::CFileVerExcpt& error) {
        CHECK(error.errorCode == ERROR_RESOURCE_TYPE_NOT_FOUND);
    }
}

TEST_CASE("an install's rollback restores the old file, by a move when the copy fails") {
    const struct {
        bool backupHeld; // then it cannot be read; with FILE_SHARE_DELETE still renamed
        DWORD share;
        bool restored;
    } rows[] = {{false, 0, true}, {true, FILE_SHARE_DELETE, true}, {true, 0, false}};
    for (const auto& row : rows) {
        INFO("backup held " << row.backupHeld << ", share " << row.share);
        CCase c;
        PutFile(Pkg("zvAPI.dll"), "new");
        PutFile(Sys("zvAPI.dll"), "old");
        CInstallFile operation(Pkg("zvAPI.dll").c_str(), Sys("zvAPI.dll").c_str(), true);
        REQUIRE(operation.Perform(c.context));
        CHECK(FileBytes(Sys("zvAPI.dll")) == "new");
        const std::string backup = c.Backup("zvAPI.dll");
        CHeldFile held(row.backupHeld ? backup : std::string(), row.share);
        REQUIRE((CopyFileA(backup.c_str(), Sys("copy").c_str(), FALSE) != FALSE) != row.backupHeld);
        // Windows copies a read-only mark along from a read-only medium: the restore clears it.
        SetFileAttributesA(Sys("zvAPI.dll").c_str(), FILE_ATTRIBUTE_READONLY);

        CHECK(operation.Rollback(c.context) == row.restored);
        held.Release();
        if (row.restored) {
            CHECK(FileBytes(Sys("zvAPI.dll")) == "old");
            CHECK((GetFileAttributesA(Sys("zvAPI.dll").c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
        } else {
            REQUIRE(c.installed.records.size() == 2);
            CHECK(c.installed.records[1].result == CInstallFile::ResultRestoreFailed);
            CHECK(c.installed.records[1].tempPath == backup);
            CHECK(FileBytes(backup) == "old");
        }
    }
}

// Without a copy to bring back, the file stays as it is until the restart replaces or deletes it.
TEST_CASE("without a setup temp folder a file is neither overwritten nor deleted now") {
    struct CNamesTaken : std::vector<std::string> {
        ~CNamesTaken() {
            for (const std::string& name : *this) {
                Remove(name);
            }
        }
    } taken;
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    for (int n = 0; n < 100; ++n) {
        const std::string name = std::string(temp) + "NvSETUP." + std::to_string(n);
        if (!Exists(name)) {
            PutFile(name, "taken");
            taken.push_back(name);
        }
    }
    CCase c;
    PutFile(Pkg("zvCSP.dll"), "new");
    PutFile(Sys("zvCSP.dll"), "old");
    CInstallFile install(Pkg("zvCSP.dll").c_str(), Sys("zvCSP.dll").c_str(), true);
    CDeinstallFile removal(Sys("zvCSP.dll").c_str(), true);
    CHECK(install.Perform(c.context));
    CHECK(removal.Perform(c.context));
    CHECK(FileBytes(Sys("zvCSP.dll")) == "old");
    CHECK(c.context.IsRebootNeeded());
    CHECK(removal.Rollback(c.context));
    CHECK(install.Rollback(c.context));
    CHECK_FALSE(IsScheduled());
    CHECK_FALSE(Exists(Sys("_zvCSP.dll")));
}

TEST_CASE("a file in use waits for the restart, and its rollback cancels that") {
    const struct {
        bool install;
        bool wininitHeld; // then nothing can be scheduled
        int result;
    } rows[] = {
        {true, false, CInstallFile::ResultAtReboot},
        {true, true, CInstallFile::ResultFailed},
        {false, false, CDeinstallFile::ResultAtReboot},
        {false, true, CDeinstallFile::ResultFailed},
    };
    for (const auto& row : rows) {
        INFO("install " << row.install << ", WININIT.INI held " << row.wininitHeld);
        CCase c;
        PutFile(Pkg("zvIFDH.sys"), "driver 1.1");
        PutFile(Sys("zvIFDH.sys"), "driver 1.0");
        CHeldFile held(Sys("zvIFDH.sys"));
        REQUIRE(held.IsHeld());
        PutFile(WininitPath(), "[Rename]\r\n");
        CHeldFile wininit(row.wininitHeld ? WininitPath() : std::string());
        REQUIRE(wininit.IsHeld() == row.wininitHeld);
        std::unique_ptr<SSETUP::ISetupOperation> operation;
        if (row.install) {
            operation.reset(
                new CInstallFile(Pkg("zvIFDH.sys").c_str(), Sys("zvIFDH.sys").c_str(), true));
        } else {
            operation.reset(new CDeinstallFile(Sys("zvIFDH.sys").c_str(), true));
        }
        CHECK(operation->Perform(c.context) == !row.wininitHeld);
        CHECK(c.context.IsRebootNeeded() == !row.wininitHeld);
        CHECK((row.install ? c.installed.records.at(0).result : c.removed.records.at(0).result) ==
              row.result);
        wininit.Release();
        if (!row.wininitHeld) {
            CHECK(IsScheduled());
            CHECK(operation->Rollback(c.context));
        }
        CHECK_FALSE(IsScheduled());
        CHECK_FALSE(Exists(Sys("_zvIFDH.sys")));
        CHECK(FileBytes(Sys("zvIFDH.sys")) == "driver 1.0");
    }
}

TEST_CASE("a value written twice comes back with its data and type, or goes") {
    const struct {
        bool existed;
        DWORD type;
        std::string bytes;
        const char* text; // a string value with this text, else a DWORD value
    } rows[] = {
        {true, REG_EXPAND_SZ, Sz("%SystemRoot%\\old"), "C:\\n"},
        {true, REG_DWORD, Dword(4), nullptr},
        {true, REG_BINARY, std::string(), ""},
        {false, 0, std::string(), nullptr},
    };
    for (const auto& row : rows) {
        CAPTURE(row.type);
        CCase c;
        if (row.existed) {
            PutValue(kRoot, c.key, "V", row.type, row.bytes);
        }
        CInstallRegStringValue first(kRoot, c.key.c_str(), "V", "first", true);
        std::unique_ptr<CInstallRegValue> second;
        if (row.text != nullptr) {
            second.reset(new CInstallRegStringValue(kRoot, c.key.c_str(), "V", row.text, true));
        } else {
            second.reset(new CInstallRegDWORDValue(kRoot, c.key.c_str(), "V", 0x10002, true));
        }
        REQUIRE(first.Perform(c.context));
        REQUIRE(second->Perform(c.context));
        const CValue written = ReadValue(kRoot, c.key, "V");
        CHECK(written.type == (row.text ? REG_SZ : REG_DWORD));
        // A string is written with its terminating zero, the empty one as one byte.
        CHECK(written.bytes == (row.text ? Sz(row.text) : Dword(0x10002)));

        CHECK(second->Rollback(c.context));
        CHECK(first.Rollback(c.context));
        const CValue back = ReadValue(kRoot, c.key, "V");
        CHECK(back.exists == row.existed);
        CHECK(back.type == row.type);
        CHECK(back.bytes == row.bytes);
    }
}

TEST_CASE("a value that cannot be saved first is not overwritten") {
    // The previous value as the registry gives it, except that it changed between the queries.
    class CBackupFails : public CInstallRegStringValue {
    public:
        CBackupFails(const std::string& path, DWORD probedSize)
            : CInstallRegStringValue(kRoot, path.c_str(), "V", "new", true),
              probedSize(probedSize) {}

    private:
        LONG QueryValue(HKEY, DWORD* type, BYTE* data, DWORD* size) const override {
            *type = REG_SZ;
            if (data != nullptr) {
                return ERROR_MORE_DATA;
            }
            *size = probedSize;
            return ERROR_SUCCESS;
        }
        const DWORD probedSize;
    };
    for (const DWORD probedSize : {DWORD(4), DWORD(MAXDWORD)}) {
        CAPTURE(probedSize);
        CCase c;
        PutValue(kRoot, c.key, "V", REG_SZ, Sz("old"));
        CHECK_FALSE(CBackupFails(c.key, probedSize).Perform(c.context));
        CHECK(ReadValue(kRoot, c.key, "V").bytes == Sz("old"));
        REQUIRE(c.strings.records.size() == 1);
        CHECK(c.strings.records[0].failed == 1);
    }
}

TEST_CASE("a malformed key path is refused and the tree below the root stays") {
    CCase c;
    PutValue(kRoot, c.key + "\\Sub\\Inner", "v", REG_SZ, Sz("kept"));
    // The root is the test key, so that a path taken for the root could only wipe that one.
    HKEY root = nullptr;
    REQUIRE(RegOpenKeyExA(kRoot, c.key.c_str(), 0, KEY_ALL_ACCESS, &root) == ERROR_SUCCESS);
    for (const char* path : {(const char*)nullptr, "", "\\", "\\Sub", "Sub\\", "Sub\\\\Inner"}) {
        CAPTURE(std::string(path ? path : "(null)"));
        CHECK_FALSE(CDeleteRegKeyOperation(root, path, false).Perform(c.context));
        CHECK_FALSE(CInstallRegStringValue(root, path, "v", "x", true).Perform(c.context));
        CHECK(ReadValue(kRoot, c.key + "\\Sub\\Inner", "v").bytes == Sz("kept"));
        CHECK_FALSE(ReadValue(kRoot, c.key, "v").exists);
    }
    RegCloseKey(root);
}

TEST_CASE("the old COM module stays registered when the new one does not stay") {
    enum Scenario { Refused, Declined, RolledBack };
    const std::string target = kZentavo + "zvCSP.dll";
    for (const bool withFile : {true, false}) {
        for (const Scenario scenario : {Refused, Declined, RolledBack}) {
            INFO("with file " << withFile << ", scenario " << scenario);
            CCase c;
            REQUIRE(CopyFileA("C:\\COMT\\OLD\\zvCSP.dll", target.c_str(), FALSE));
            REQUIRE(SSETUPCOMDLL::RegisterWithRegSvr32(target.c_str()));
            c.installQuery.answer = scenario != Declined;
            // C:\COMT\BAD holds a zvCSP.dll whose DllRegisterServer fails.
            const std::string source =
                std::string(scenario == Refused ? "C:\\COMT\\BAD\\" : "C:\\COMT\\NEW\\") +
                "zvCSP.dll";
            REQUIRE(Exists(source));
            SSETUP::ISetupOperation* const operation =
                withFile ? static_cast<SSETUP::ISetupOperation*>(new SSETUPCOMDLL::CInstallCOMDLL(
                               source.c_str(), target.c_str(), true))
                         : new SSETUPCOMDLL::CRegisterCOMDLL(
                               target.c_str(),
                               new CInstallFile(source.c_str(), target.c_str(), true), true);
            SSETUP::COperationSet procedure(
                true, operation, scenario == RolledBack ? FailingStep() : nullptr, nullptr);
            CHECK(procedure.Perform(c.context) == (scenario == Declined));
            CHECK(FileBytes(target) == FileBytes("C:\\COMT\\OLD\\zvCSP.dll"));
            CHECK(Registered("zvCSP") == target);
        }
    }
}

// The NT family only: the others have no services.
TEST_CASE("service install, rolled back, refused, and its removal") {
    using namespace SRegATLService;
    const char* const source = "C:\\SVCT\\PKG\\zvService.exe";
    const std::string target = kZentavo + "zvService.exe";
    // Makes the sample service's registration exit with its code.
    const char* const switches = "SOFTWARE\\Morvisk\\TestSwitches\\zvService";
    const struct {
        char earlier;   // 'S' a service installed before, 'F' only its executable in place
        DWORD exitCode; // of the registration
        bool laterStepFails;
        DWORD stateAfter;  // right after the install: its waits must have seen it there
        const char* story; // "action:succeeded:code" of the install's records
    } rows[] = {
        {0, 0, false, SERVICE_RUNNING, "3:fail:1060 2:fail:-1 1:ok:0 4:ok:0 "},
        {0, 0, true, ERROR_SERVICE_DOES_NOT_EXIST, ""},
        {'S', 0, true, SERVICE_STOPPED, ""}, // the earlier one comes back, not started
        {0, 5, false, ERROR_SERVICE_DOES_NOT_EXIST, "1:fail:5 "},
        {'F', 0, true, ERROR_SERVICE_DOES_NOT_EXIST, ""}, // no service made up by the rollback
        {'S', 5, false, ERROR_SERVICE_DOES_NOT_EXIST, "1:fail:5 1:fail:5 "}, // lost: said so
    };
    for (const auto& row : rows) {
        INFO("state " << row.stateAfter << ", story " << row.story);
        CCase c;
        Remove(target);
        REQUIRE(ServiceState() == ERROR_SERVICE_DOES_NOT_EXIST);
        if (row.earlier == 'S') {
            REQUIRE(
                CInstallATLService(source, target.c_str(), "Zentavo Service").Perform(c.context));
            c.services.records.clear();
        } else if (row.earlier == 'F') {
            REQUIRE(CopyFileA(source, target.c_str(), FALSE));
        }
        if (row.exitCode != 0) {
            PutValue(kRoot, switches, "ServiceExitCode", REG_DWORD, Dword(row.exitCode));
        }
        if (row.stateAfter == SERVICE_RUNNING) {
            // The service reports "start pending" for a while before it runs.
            PutValue(kRoot, switches, "StartPendingMs", REG_DWORD, Dword(3000));
        }
        SSETUP::COperationSet procedure(
            true, new CInstallATLService(source, target.c_str(), "Zentavo Service"),
            row.laterStepFails ? FailingStep() : nullptr, nullptr);
        CHECK(procedure.Perform(c.context) == (row.stateAfter == SERVICE_RUNNING));
        RegDeleteKeyA(kRoot, switches);
        CHECK(ServiceState() == row.stateAfter);
        std::string story;
        for (const ServiceEvent& record : c.services.records) {
            story += std::to_string(record.action) + (record.succeeded ? ":ok:" : ":fail:") +
                     std::to_string(static_cast<long>(record.code)) + " ";
        }
        CHECK(story.find(row.story) != std::string::npos);
        if (row.stateAfter != ERROR_SERVICE_DOES_NOT_EXIST) {
            CHECK(CUnInstallATLService(target.c_str(), "Zentavo Service").Perform(c.context));
            CHECK(ServiceState() == ERROR_SERVICE_DOES_NOT_EXIST);
            CHECK_FALSE(Exists(target));
        }
    }
}
