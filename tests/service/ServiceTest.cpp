// Service operations with the sample zvService.exe on the XP machine (laid out by service.sh).
#include "ops/ServiceRegistration.h"
#include "ops/InstallFile.h"
#include "tests/lib/TestFiles.h"
#include "tests/ops/RecordingClient.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>
#include <vector>

using namespace opstest;
using namespace SRegATLService;

namespace {

const char* const kName = "Zentavo Service";
const std::string kSource = "C:\\SVCT\\PKG\\zvService.exe";
const std::string kFolder = "C:\\Program Files\\Zentavo";
const std::string kTarget = kFolder + "\\zvService.exe";
const char* const kSwitches = "SOFTWARE\\Morvisk\\TestSwitches\\zvService";

using ServiceNotify = CNotifyRecorder<IRegATLServiceNotify, ServiceEvent>;

// The service's current state (1 stopped, 4 running), or 1060 when there is no such service.
DWORD ServiceState() {
    const SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    REQUIRE(manager != nullptr);
    const SC_HANDLE service = OpenServiceA(manager, kName, SERVICE_QUERY_STATUS);
    DWORD result = GetLastError();
    if (service != nullptr) {
        SERVICE_STATUS status = {};
        result = QueryServiceStatus(service, &status) ? status.dwCurrentState : GetLastError();
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return result;
}

// "action:succeeded:code" of each record, for one comparison with the whole story.
std::vector<std::string> Story(const std::vector<ServiceEvent>& records) {
    std::vector<std::string> story;
    for (const ServiceEvent& record : records) {
        story.push_back(std::to_string(record.action) + ":" + (record.succeeded ? "ok" : "fail") +
                        ":" + std::to_string(static_cast<long>(record.code)));
    }
    return story;
}

void SetServiceExitCode(DWORD code) {
    PutValue(HKEY_LOCAL_MACHINE, kSwitches, "ServiceExitCode", REG_DWORD, Dword(code));
}

void ClearSwitches() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSwitches);
}

// A critical step that fails after the service install, so that the set rolls it back.
SSETUP::ISetupOperation* FailingStep() {
    return new SSETUP::CInstallFile("C:\\SVCT\\missing.dll", "C:\\SVCT\\never.dll", true);
}

void FreshMachine() {
    ClearSwitches();
    CreateDirectoryA("C:\\Program Files", nullptr);
    CreateDirectoryA(kFolder.c_str(), nullptr);
    testfiles::Remove(kTarget);
    REQUIRE(ServiceState() == ERROR_SERVICE_DOES_NOT_EXIST);
}

} // namespace

TEST_CASE("a service is installed, started, stopped and removed") {
    FreshMachine();
    CRecordingClient client;
    ServiceNotify notified(client);
    SSETUP::CContextDefault context(&client);

    CInstallATLService install(kSource.c_str(), kTarget.c_str(), kName);
    REQUIRE(install.Perform(context));
    CHECK(ServiceState() == SERVICE_RUNNING);
    // Nothing to stop yet (1060), no executable to unregister with yet (-1).
    CHECK(Story(notified.records) ==
          std::vector<std::string>{"3:fail:1060", "2:fail:-1", "1:ok:0", "4:ok:0"});
    REQUIRE(notified.records.size() == 4);
    CHECK(notified.records[2].registration);
    CHECK(notified.records[2].executablePath == kTarget);
    CHECK(notified.records[3].serviceName == kName);

    notified.records.clear();
    CUnInstallATLService uninstall(kTarget.c_str(), kName);
    REQUIRE(uninstall.Perform(context));
    CHECK(Story(notified.records) == std::vector<std::string>{"3:ok:0", "2:ok:0"});
    CHECK(ServiceState() == ERROR_SERVICE_DOES_NOT_EXIST);
    CHECK_FALSE(testfiles::Exists(kTarget));
}

// A fresh install rolled back leaves no service; over an earlier one, that one comes back
// (registered, not started); a refused registration fails the install.
TEST_CASE("rolled back and refused installs") {
    struct CCase {
        const char* what;
        bool earlierService;
        DWORD serviceExitCode; // 0: registration works
        DWORD stateAfter;
    };
    const CCase cases[] = {
        {"fresh install, later step fails", false, 0, ERROR_SERVICE_DOES_NOT_EXIST},
        {"reinstall, later step fails", true, 0, SERVICE_STOPPED},
        {"fresh install, registration refused", false, 5, ERROR_SERVICE_DOES_NOT_EXIST},
    };
    for (const CCase& c : cases) {
        CAPTURE(c.what);
        FreshMachine();
        CRecordingClient client;
        ServiceNotify notified(client);
        SSETUP::CContextDefault context(&client);
        if (c.earlierService) {
            CInstallATLService earlier(kSource.c_str(), kTarget.c_str(), kName);
            REQUIRE(earlier.Perform(context));
            REQUIRE(ServiceState() == SERVICE_RUNNING);
        }
        if (c.serviceExitCode != 0) {
            SetServiceExitCode(c.serviceExitCode);
        }
        notified.records.clear();
        SSETUP::COperationSet procedure(
            true, new CInstallATLService(kSource.c_str(), kTarget.c_str(), kName),
            c.serviceExitCode == 0 ? FailingStep() : nullptr, nullptr);
        CHECK_FALSE(procedure.Perform(context));
        ClearSwitches();
        CHECK(ServiceState() == c.stateAfter);
        if (c.serviceExitCode != 0) {
            REQUIRE(notified.records.size() >= 3);
            CHECK(Story({notified.records[2]}) == std::vector<std::string>{"1:fail:5"});
        }
        if (ServiceState() != ERROR_SERVICE_DOES_NOT_EXIST) {
            CUnInstallATLService(kTarget.c_str(), kName).Perform(context);
        }
    }
}
