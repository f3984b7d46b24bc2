// Device operations on root devices of the reader INF's class (beside this program), with
// the stand-in setupapi.dll for what Wine lacks.
#include "ops/DeviceInfoSet.h"
#include "ops/InstallFile.h"
#include "ops/PnpDriver.h"
#include "tests/lib/TestFiles.h"
#include "tests/ops/RecordingClient.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

using namespace SINSTPNP;
using namespace std::string_literals;

namespace {

const char kReaderInf[] = "C:\\TEST\\zvIFDH.inf"; // class SmartCardReader, model *ZV0001
const char kReaderId[] = "*ZV0001";
const char kSwitches[] = "SOFTWARE\\Morvisk\\TestSwitches\\SetupApi";
// Where a reinstall keeps the number of devices it is making.
const char kCountKey[] = "SOFTWARE\\Morvisk\\TestDevices";

void SetSwitch(const char* name, const std::string& bytes, DWORD type = REG_DWORD) {
    opstest::PutValue(HKEY_LOCAL_MACHINE, kSwitches, name, type, bytes);
}

GUID ReaderClass(char (&name)[64]) {
    GUID guid = {};
    SetupDiGetINFClassA(kReaderInf, &guid, name, sizeof(name), nullptr);
    return guid;
}

// The first hardware ID of every device of the reader class ("-" for a device without any),
// sorted; with removeAll, the devices go.
std::string Devices(bool removeAll = false) {
    char name[64] = {};
    const GUID guid = ReaderClass(name);
    const HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, 0);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    std::vector<std::string> ids;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        char id[1024] = {};
        SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                          reinterpret_cast<BYTE*>(id), sizeof(id) - 2, nullptr);
        ids.push_back(id[0] != '\0' ? id : "-");
        if (removeAll) {
            SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    std::sort(ids.begin(), ids.end());
    std::string joined;
    for (const std::string& id : ids) {
        joined += (joined.empty() ? "" : " ") + id;
    }
    return joined;
}

// A registered root device of the reader class with these hardware IDs ('|' between them);
// "-": without any, as a device install cut short leaves it.
void AddDevice(std::string ids) {
    std::replace(ids.begin(), ids.end(), '|', '\0');
    ids += "\0\0"s;
    char name[64] = {};
    GUID guid = ReaderClass(name);
    const HDEVINFO set = SetupDiCreateDeviceInfoList(&guid, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    REQUIRE(
        (SetupDiCreateDeviceInfoA(set, name, &guid, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
         SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr) &&
         (ids == "-\0\0"s ||
          SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                            reinterpret_cast<const BYTE*>(ids.data()),
                                            static_cast<DWORD>(ids.size())))));
    SetupDiDestroyDeviceInfoList(set);
}

} // namespace

TEST_CASE("multi-strings are walked within their size") {
    using CRow = std::pair<std::string, std::vector<std::string>>;
    for (const CRow& row : {CRow{"A\0BC\0\0"s, {"A", "BC"}}, CRow{"A\0BC"s, {"A", "BC"}},
                            CRow{"AB\0\0C\0\0"s, {"AB"}}, CRow{""s, {}}}) {
        CHECK(SplitMultiString(row.first.data(), row.first.size()) == row.second);
    }
}

TEST_CASE("devices removed, installed and reinstalled, and their rollback") {
    // The class key a real system gets with the class's first device; Wine's prefix lacks it.
    opstest::PutValue(HKEY_LOCAL_MACHINE,
                      "SYSTEM\\CurrentControlSet\\Control\\Class\\"
                      "{50DD5230-BA8A-11D1-BF5D-0000F805F530}",
                      "Class", REG_SZ, opstest::Sz("SmartCardReader"));
    const std::string pkgInf = kReaderInf, pkgSys = "C:\\TEST\\zvIFDH.sys";
    const std::string sysInf = "C:\\TEST\\SYS\\zvIFDH.inf", sysSys = "C:\\TEST\\SYS\\zvIFDH.sys";
    testfiles::PutFile(pkgSys, "driver");
    struct {
        const char* operation;
        const char* before;   // devices, see AddDevice; "+files": the installed INF and driver
        const char* failures; // the stand-in's FailInstalls
        bool reboot;          // the stand-in asks for a restart after each install or removal
        bool result, performed;
        const char* after;      // Devices(), and "+files" while the installed files are there
        const char* rolledBack; // the same after Rollback; null: not rolled back
    } const rows[] = {
        // clang-format off
        {"unregister", "*ZV0001 *zv0001|OTHER OTHER|*ZV0001 OTHER", "", true, true, true, "OTHER OTHER", "*ZV0001 *ZV0001 OTHER OTHER"},
        {"unregister", "OTHER -", "", false, true, false, "OTHER", "OTHER"},
        {"class SmartCardReader *zv0001", "*ZV0001 OTHER|*ZV0001 OTHER", "", false, true, true, "OTHER", nullptr},
        {"class NoSuchClassAtAll *ZV0001", "*ZV0001", "", false, true, true, "*ZV0001", nullptr},
        {"register 3 any", "", "101", false, true, true, "*ZV0001", ""},
        {"register 3 all", "", "101", false, false, false, "", nullptr},
        {"register 0 any", "", "", false, false, false, "", nullptr},
        {"register 2 all", "", "", true, true, true, "*ZV0001 *ZV0001", ""},
        {"register 2 all stuck", "", "", false, true, true, "*ZV0001 *ZV0001", "*ZV0001 *ZV0001"},
        {"reinstall 2", "*ZV0001 *ZV0001 *ZV0001", "11", false, false, true, "*ZV0001 *ZV0001 *ZV0001", nullptr},
        {"reinstall 2", "*ZV0001 *ZV0001 *ZV0001", "", false, true, true, "*ZV0001 *ZV0001 +files", nullptr},
        {"reinstall 2 declined", "*ZV0001 *ZV0001", "", false, true, true, "*ZV0001 *ZV0001", nullptr},
        {"uninstall", "*ZV0001 OTHER +files", "", false, true, true, "OTHER", nullptr},
        // clang-format on
    };
    for (const auto& row : rows) {
        INFO((std::string(row.operation) + " over " + row.before));
        SetSwitch("FailRemovals", opstest::Sz(""), REG_SZ);
        Devices(true);
        testfiles::FreshFolder("C:\\TEST\\SYS");
        std::istringstream before(row.before);
        for (std::string word; before >> word;) {
            if (word != "+files") {
                AddDevice(word);
                continue;
            }
            testfiles::PutFile(sysInf, testfiles::FileBytes(kReaderInf));
            testfiles::PutFile(sysSys, "driver");
        }
        SetSwitch("FailInstalls", opstest::Sz(row.failures), REG_SZ);
        SetSwitch("NeedReboot", opstest::Dword(row.reboot));
        std::istringstream words(row.operation);
        std::string kind, name, id;
        int count = 0;
        words >> kind;
        std::unique_ptr<SSETUP::ISetupOperation> step;
        if (kind == "unregister") {
            step.reset(new CUnRegisterPNPDriver(kReaderInf, kReaderId, true));
        } else if (kind == "class" && words >> name >> id) {
            step.reset(new CUnRegisterPNPDriverByClassNameAndID(name.c_str(), id.c_str(), false));
        } else if (kind == "register" && words >> count >> name) {
            step.reset(new CRegisterPNPDriver(kReaderInf, kReaderId, count, name == "any", true));
        } else if (kind == "reinstall" && words >> count) {
            step.reset(new CReInstallPNPDriver(pkgInf.c_str(), sysInf.c_str(), pkgSys.c_str(),
                                               sysSys.c_str(), kReaderId, count, true, true,
                                               kCountKey));
        } else {
            step.reset(new CUnInstallPNPDriver(sysInf.c_str(), sysSys.c_str(), kReaderId, false));
        }
        // The number kept for a cut run must never outlive the reinstall.
        const auto state = [&] {
            return Devices() +
                   (testfiles::Exists(sysInf) && testfiles::Exists(sysSys) ? " +files" : "") +
                   (ReadPendingDeviceCount(kCountKey) != 0 ? " +count" : "");
        };
        // "declined": the client answers that no file is to be installed; "stuck": the
        // devices made cannot be removed again, which the rollback must say.
        std::string option;
        words >> option;
        opstest::CRecordingClient client;
        opstest::CQueryAnswerer<SSETUP::CInstallFile::IInstallFileNeededQuery,
                                SSETUP::CInstallFile::CQueryRecord>
            installQuery{client};
        installQuery.answer = option != "declined";
        opstest::CNotifyRecorder<CRegisterPNPDriver::IRegisterPNPDriverNotify,
                                 CRegisterPNPDriver::CNotifyRecord>
            registrations{client};
        SSETUP::CContextDefault context(&client);
        CHECK(step->Perform(context) == row.result);
        CHECK(step->IsPerformed() == row.performed);
        CHECK(context.IsRebootNeeded() == (row.reboot && row.result));
        CHECK(state() == row.after);
        if (row.rolledBack != nullptr) {
            SetSwitch("FailRemovals", opstest::Sz(option == "stuck" ? "1" : ""), REG_SZ);
            step->Rollback(context);
            CHECK(state() == row.rolledBack);
            const bool named =
                !registrations.records.empty() &&
                registrations.records.back().result == CRegisterPNPDriver::ResultRemovalFailed;
            CHECK(named == (option == "stuck"));
        }
    }

    // An INF path past MAX_PATH is refused.
    const std::string longInf = "C:\\TEST\\" + std::string(260, 'x') + ".inf";
    CHECK_FALSE(InstallRootDevice(longInf.c_str(), nullptr));
    CHECK(GetLastError() == ERROR_FILENAME_EXCED_RANGE);
}
