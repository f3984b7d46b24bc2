// COM module operations with the sample modules and the system's RegSvr32 on the 98 machine
// (com.sh lays the modules out, then restarts the machine for the deferred registration).
// A registration shows as HKLM\SOFTWARE\Norvane\Zentavo\Registered\<name> naming the path.
#include "ops/ComModule.h"
#include "tests/ops/FileTestHelpers.h"
#include "tests/ops/RecordingClient.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>

using namespace opstest;
using SSETUPCOMDLL::IRegisterCOMModuleNotify;

namespace {

const std::string kNew = "C:\\COMT\\NEW\\"; // current package modules
const std::string kOld = "C:\\COMT\\OLD\\"; // older package modules
const std::string kBad = "C:\\COMT\\BAD\\"; // a zvCSP.dll whose DllRegisterServer fails
const std::string kTarget = "C:\\Program Files\\Zentavo\\"; // a space, as installers meet

using RegisterNotify =
    CNotifyRecorder<IRegisterCOMModuleNotify, IRegisterCOMModuleNotify::CNotifyRecord>;
using UnregisterNotify = CNotifyRecorder<SSETUPCOMDLL::IUnregsiterCOMModuleNotify,
                                         SSETUPCOMDLL::IUnregsiterCOMModuleNotify::CNotifyRecord>;
using InstallQuery = CQueryAnswerer<SSETUP::CInstallFile::IInstallFileNeededQuery,
                                    SSETUP::CInstallFile::CQueryRecord>;

struct CClient {
    CRecordingClient client;
    RegisterNotify registered{client};
    UnregisterNotify unregistered{client};
    InstallQuery installQuery{client};
};

// A string value under HKLM; "(none)" when it is not there.
std::string ReadString(const std::string& key, const char* name) {
    const CValue value = ReadValue(HKEY_LOCAL_MACHINE, key, name);
    return value.exists ? std::string(value.bytes.c_str()) : "(none)";
}

// The path the module's registration names.
std::string Registered(const char* name) {
    return ReadString(std::string("SOFTWARE\\Norvane\\Zentavo\\Registered\\") + name, "ModulePath");
}

std::string SystemDir() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

// The older package's module installed at the target and registered, as an earlier
// installation left it.
std::string InstallOld(const char* name) {
    const std::string target = kTarget + name + ".dll";
    CreateDirectoryA("C:\\Program Files", nullptr);
    CreateDirectoryA(kTarget.c_str(), nullptr);
    REQUIRE(CopyFileA((kOld + name + ".dll").c_str(), target.c_str(), FALSE));
    REQUIRE(SSETUPCOMDLL::RegisterWithRegSvr32(target.c_str()));
    REQUIRE(Registered(name) == target);
    return target;
}

// A critical step that fails, after which the set rolls everything back.
SSETUP::ISetupOperation* FailingStep() {
    return new SSETUP::CInstallFile("C:\\COMT\\missing.dll", "C:\\COMT\\never.dll", true);
}

} // namespace

TEST_CASE("a module is registered, refused, and its rollback unregisters it") {
    const std::string target = kTarget + "zvCSP.dll";
    CreateDirectoryA("C:\\Program Files", nullptr);
    CreateDirectoryA(kTarget.c_str(), nullptr);
    Remove(target);
    CClient client;
    SSETUP::CContextDefault context(&client.client);

    SSETUPCOMDLL::CInstallCOMDLL install((kNew + "zvCSP.dll").c_str(), target.c_str(), true);
    REQUIRE(install.Perform(context));
    REQUIRE(client.registered.records.size() == 1);
    CHECK(client.registered.records[0].result == IRegisterCOMModuleNotify::ResultRegistered);
    CHECK(client.registered.records[0].runResult == 0);
    CHECK(Registered("zvCSP") == target);
    CHECK_FALSE(context.IsRebootNeeded());

    // RegSvr32 exits 5 when the entry point fails: no success, and the exit code reported.
    SSETUPCOMDLL::CInstallCOMDLL refused((kBad + "zvCSP.dll").c_str(), target.c_str(), true);
    CHECK_FALSE(refused.Perform(context));
    CHECK_FALSE(refused.IsPerformed());
    REQUIRE(client.registered.records.size() == 2);
    CHECK(client.registered.records[1].result == IRegisterCOMModuleNotify::ResultFailed);
    CHECK(client.registered.records[1].runResult == 5);
    CHECK(FileBytes(target) == FileBytes(kNew + "zvCSP.dll"));
    CHECK(Registered("zvCSP") == target);

    // A module that cannot be loaded at all: RegSvr32 exits 3.
    DWORD runResult = 0;
    CHECK_FALSE(SSETUPCOMDLL::RegisterWithRegSvr32("C:\\COMT\\nothere.dll", &runResult));
    CHECK(runResult == 3);

    install.Rollback(context);
    CHECK_FALSE(install.IsPerformed());
    CHECK(Registered("zvCSP") == "(none)");
}

// Each way the new module may not stay leaves the old file, byte for byte, and registered.
TEST_CASE("the old module stays registered when the new one does not stay") {
    enum Kind { Install, RegisterAfterInstall };
    enum Scenario { Refused, Declined, RolledBack };
    const std::string target = kTarget + "zvCSP.dll";
    for (const Kind kind : {Install, RegisterAfterInstall}) {
        for (const Scenario scenario : {Refused, Declined, RolledBack}) {
            CAPTURE(kind);
            CAPTURE(scenario);
            InstallOld("zvCSP");
            CClient client;
            client.installQuery.answer = scenario != Declined;
            SSETUP::CContextDefault context(&client.client);
            const std::string source = (scenario == Refused ? kBad : kNew) + "zvCSP.dll";
            SSETUP::ISetupOperation* const operation =
                kind == Install
                    ? static_cast<SSETUP::ISetupOperation*>(
                          new SSETUPCOMDLL::CInstallCOMDLL(source.c_str(), target.c_str(), true))
                    : new SSETUPCOMDLL::CRegisterCOMDLL(
                          target.c_str(),
                          new SSETUP::CInstallFile(source.c_str(), target.c_str(), true), true);
            SSETUP::COperationSet procedure(
                true, operation, scenario == RolledBack ? FailingStep() : nullptr, nullptr);

            CHECK(procedure.Perform(context) == (scenario == Declined));
            CHECK_FALSE(operation->IsPerformed());
            CHECK(FileBytes(target) == FileBytes(kOld + "zvCSP.dll"));
            CHECK(Registered("zvCSP") == target);
            if (scenario == Declined) {
                CHECK(client.registered.records.empty());
            } else {
                REQUIRE_FALSE(client.registered.records.empty());
                const int want = scenario == Refused ? IRegisterCOMModuleNotify::ResultFailed
                                                     : IRegisterCOMModuleNotify::ResultRegistered;
                CHECK(client.registered.records.back().result == want);
            }
        }
    }
}

TEST_CASE("a module is unregistered and deleted; its rollback brings both back") {
    const std::string target = InstallOld("zvCSP");
    CClient client;
    SSETUP::CContextDefault context(&client.client);

    SSETUPCOMDLL::CDeinstallCOMDLL missing("C:\\COMT\\nothere.dll", false);
    CHECK_FALSE(missing.Perform(context));
    SSETUPCOMDLL::CDeinstallCOMDLL remove(target.c_str(), false);
    CHECK(remove.Perform(context));
    REQUIRE(client.unregistered.records.size() == 2);
    CHECK_FALSE(client.unregistered.records[0].success);
    CHECK(client.unregistered.records[1].success);
    CHECK_FALSE(Exists(target));
    CHECK(Registered("zvCSP") == "(none)");

    CHECK(remove.Rollback(context));
    CHECK(FileBytes(target) == FileBytes(kOld + "zvCSP.dll"));
    CHECK(Registered("zvCSP") == target);
}

// The module in use is replaced at the restart and registered by the RunOnce command then;
// com.sh restarts the machine and checks the registration.
TEST_CASE("a module in use is registered after the restart") {
    const std::string target = InstallOld("zvICCSP");
    CHeldFile held(target);
    REQUIRE(held.IsHeld());
    CClient client;
    SSETUP::CContextDefault context(&client.client);

    SSETUPCOMDLL::CInstallCOMDLL install((kNew + "zvICCSP.dll").c_str(), target.c_str(), true);
    REQUIRE(install.Perform(context));
    CHECK(context.IsRebootNeeded());
    REQUIRE(client.registered.records.size() == 1);
    CHECK(client.registered.records[0].result == IRegisterCOMModuleNotify::ResultAtReboot);
    CHECK(client.registered.records[0].runResult == SSETUPCOMDLL::RunResultUndefined);
    CHECK(Registered("zvICCSP") == "(none)");
    CHECK(ReadString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "zvICCSP.dll") ==
          "\"" + SystemDir() + "\\RegSvr32.exe\" /s \"" + target + "\"");
}
