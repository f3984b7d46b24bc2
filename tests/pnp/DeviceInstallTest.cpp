// Root devices installed from the reader INF, the operations over them, and the rescan, with
// the stand-in setupapi.dll for what Wine lacks.
#include "DeviceFixtures.h"
#include "ops/PnpDriver.h"
#include "tests/lib/TestFiles.h"
#include "tests/ops/RecordingClient.h"
#include <doctest/doctest.h>
#include <vector>

using namespace pnptest;
using namespace opstest;
using SINSTPNP::CRegisterPNPDriver;
using SINSTPNP::CUnRegisterPNPDriver;

namespace {

using CRegisterRecorder = CNotifyRecorder<CRegisterPNPDriver::IRegisterPNPDriverNotify,
                                          CRegisterPNPDriver::CNotifyRecord>;
using CUnregisterRecorder = CNotifyRecorder<CUnRegisterPNPDriver::IUnregisterPNPDriverNotify,
                                            CUnRegisterPNPDriver::CNotifyRecord>;

void AddReaders(int count) {
    for (int i = 0; i < count; ++i) {
        REQUIRE(SINSTPNP::InstallRootDevice(kReaderInf, nullptr));
    }
}

} // namespace

TEST_CASE("a root device gets the INF's driver; a failed one leaves no device behind") {
    RemoveAllDevices(kReaderInf);
    AddReaders(2); // the reboot flag: "registering several devices" below

    // Failing after the device was registered: the device goes, the error stays.
    SetSwitch("InstallError", 1234);
    SetSwitch("FailInstalls", "1");
    CHECK_FALSE(SINSTPNP::InstallRootDevice(kReaderInf, nullptr));
    CHECK(GetLastError() == 1234);
    CHECK(CountDevices(kReaderInf) == 2);

    const std::string longInf = "C:\\TEST\\" + std::string(260, 'x') + ".inf";
    CHECK_FALSE(SINSTPNP::InstallRootDevice(longInf.c_str(), nullptr));
    CHECK(GetLastError() == ERROR_FILENAME_EXCED_RANGE);
    CHECK(CountDevices(kReaderInf) == 2);
}

TEST_CASE("registering several devices reports each and the total") {
    struct {
        int count;
        bool anySuffices;
        const char* failures; // one character per device: '1' fails it
        DWORD needReboot;
        std::vector<int> results; // the records' results in order, the total last
        int devicesAfter;
    } const cases[] = {
        {3, true, "101", 0, {1, 0, 1, 2}, 1},
        {3, false, "101", 0, {1, 0, 1, 3}, 0}, // the clean-up removes the installed one
        {0, true, "", 0, {3}, 0},
        {2, false, "", 1, {0, 0, 2}, 2},
    };
    for (const auto& c : cases) {
        CAPTURE(c.count);
        CAPTURE(c.failures);
        RemoveAllDevices(kReaderInf);
        SetSwitch("FailInstalls", c.failures);
        SetSwitch("NeedReboot", c.needReboot);
        CRecordingClient client;
        CRegisterRecorder records(client);
        SSETUP::CContextDefault context(&client);
        CRegisterPNPDriver operation(kReaderInf, kReaderId, c.count, c.anySuffices, true);
        const bool ok = c.results.back() == CRegisterPNPDriver::ResultAllSucceeded;

        CHECK(operation.Perform(context) == ok);
        CHECK(operation.IsPerformed() == ok);
        CHECK(context.IsRebootNeeded() == (c.needReboot != 0));
        CHECK(CountDevices(kReaderInf, kReaderId) == c.devicesAfter);
        REQUIRE(records.records.size() == c.results.size());
        for (std::size_t i = 0; i < c.results.size(); ++i) {
            const CRegisterPNPDriver::CNotifyRecord& record = records.records[i];
            const bool total = i + 1 == c.results.size();
            CHECK(record.result == c.results[i]);
            CHECK(record.index == (total ? -1 : static_cast<int>(i)));
            CHECK(record.rebootNeeded == (record.result == 0 && c.needReboot != 0));
        }
        CHECK(operation.Rollback(context) == ok);
        CHECK(CountDevices(kReaderInf) == 0);
    }
    SetSwitch("NeedReboot", 0u);
}

TEST_CASE("unregistering is performed only when it removed devices, and undone in number") {
    RemoveAllDevices(kReaderInf);
    CRecordingClient client;
    CUnregisterRecorder records(client);
    SSETUP::CContextDefault context(&client);

    CUnRegisterPNPDriver nothing(kReaderInf, kReaderId, true);
    CHECK(nothing.Perform(context));
    CHECK_FALSE(nothing.IsPerformed());
    CHECK_FALSE(nothing.Rollback(context));
    CHECK(CountDevices(kReaderInf) == 0);

    AddReaders(3);
    SetSwitch("NeedReboot", 1);
    CUnRegisterPNPDriver three(kReaderInf, kReaderId, true);
    CHECK(three.Perform(context));
    SetSwitch("NeedReboot", 0u);
    CHECK(three.IsPerformed());
    CHECK(context.IsRebootNeeded());
    CHECK(CountDevices(kReaderInf) == 0);
    CHECK(three.Rollback(context));
    CHECK(CountDevices(kReaderInf, kReaderId) == 3);

    REQUIRE(records.records.size() == 2);
    CHECK(records.records[0].success);
    CHECK_FALSE(records.records[0].rebootNeeded);
    CHECK(records.records[1].success);
    CHECK(records.records[1].rebootNeeded);
    CHECK(records.records[1].hardwareId == kReaderId);
    CHECK(records.records[1].infPath == kReaderInf);
}

TEST_CASE("a failed reinstall keeps every old reader; uninstall removes devices and files") {
    using namespace testfiles;
    const std::string pkg = FreshFolder("C:\\TEST\\PKG");
    const std::string sys = FreshFolder("C:\\TEST\\SYS");
    PutFile(pkg + "\\zvIFDH.inf", FileBytes(kReaderInf));
    PutFile(pkg + "\\zvIFDH.sys", "driver");
    const std::string pkgInf = pkg + "\\zvIFDH.inf", sysInf = sys + "\\zvIFDH.inf";
    const std::string pkgSys = pkg + "\\zvIFDH.sys", sysSys = sys + "\\zvIFDH.sys";
    RemoveAllDevices(kReaderInf);
    AddReaders(5);
    SSETUP::CContextDefault context(nullptr);

    SetSwitch("FailInstalls", "11");
    SINSTPNP::CReInstallPNPDriver failing(pkgInf.c_str(), sysInf.c_str(), pkgSys.c_str(),
                                          sysSys.c_str(), kReaderId, 2, true, true);
    CHECK_FALSE(failing.Perform(context));
    CHECK(CountDevices(kReaderInf, kReaderId) == 5);
    CHECK(CountDevices(kReaderInf) == 5);

    SINSTPNP::CReInstallPNPDriver reinstall(pkgInf.c_str(), sysInf.c_str(), pkgSys.c_str(),
                                            sysSys.c_str(), kReaderId, 2, true, true);
    CHECK(reinstall.Perform(context));
    CHECK(CountDevices(kReaderInf, kReaderId) == 2);
    CHECK(Exists(sysInf));
    CHECK(Exists(sysSys));

    SINSTPNP::CUnInstallPNPDriver uninstall(sysInf.c_str(), sysSys.c_str(), kReaderId, false);
    CHECK(uninstall.Perform(context));
    CHECK(CountDevices(kReaderInf) == 0);
    CHECK_FALSE(Exists(sysInf));
    CHECK_FALSE(Exists(sysSys));
}

TEST_CASE("the device tree is rescanned from its root") {
    SSETUP::CContextDefault context(nullptr);
    SetSwitch("Reenumerations", 0u);
    SINSTPNP::CForceScanHWChanges scan(false);
    CHECK(scan.Perform(context));
    CHECK(scan.IsPerformed());
    CHECK(GetSwitch("Reenumerations") == 1);

    SetSwitch("LocateResult", 0x13); // CR_FAILURE
    SINSTPNP::CForceScanHWChanges failing(false);
    CHECK_FALSE(failing.Perform(context));
    CHECK_FALSE(failing.IsPerformed());
    CHECK(GetSwitch("Reenumerations") == 1);
}
