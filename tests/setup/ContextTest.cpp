// The default context and the lookup of notification interfaces by their name strings.
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "ops/RegistryOperations.h"
#include "setup/Context.h"
#include "tests/ops/RecordingClient.h"
#include <doctest/doctest.h>
#include <cstring>
#include <string>
#include <vector>

using SSETUP::CContextDefault;
using SSETUP::CInstallFile;
using SSETUP::CNotifyInterfaceTable;
using SSETUP::IClientNotifyContext2;

namespace {

// A recording client that also keeps every name it is asked for.
struct CTestClient : opstest::CRecordingClient {
    IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        asked.push_back(name);
        return CRecordingClient::QueryNotifyInterface(name);
    }
    std::vector<std::string> asked;
    opstest::CNotifyRecorder<CInstallFile::IInstallFileNotify, CInstallFile::CNotifyRecord> notify{
        *this};
    opstest::CQueryAnswerer<CInstallFile::IInstallFileNeededQuery, CInstallFile::CQueryRecord>
        query{*this};
};

// A client that answers every name with its own base object: of the wrong type.
class CConfusedClient : public IClientNotifyContext2 {
public:
    const char* GetInterfaceName() const override { return InterfaceName; }
    IClientNotifyContext2* QueryNotifyInterface(const char*) override { return this; }
};

} // namespace

TEST_CASE("notifications reach the client's interface of the exact name") {
    CTestClient client;
    CContextDefault context(&client);
    CHECK(context.SetRebootNeeded(true));
    CHECK(context.IsRebootNeeded());
    CHECK_FALSE(context.IsAbortRequested());
    const CInstallFile::CNotifyRecord record = {nullptr, std::string(), 2};
    SSETUP::SendNotify<CInstallFile::IInstallFileNotify>(context, record);
    REQUIRE(client.notify.records.size() == 1);
    CHECK(client.notify.records[0].result == 2);
    CHECK(client.asked == std::vector<std::string>{"IInstallFileNotify"});

    CInstallFile::CQueryRecord query = {true, nullptr};
    client.query.answer = false;
    CHECK_FALSE(SSETUP::AskNeeded<CInstallFile::IInstallFileNeededQuery>(context, query));
    client.query.answer = true;
    query.needed = true;
    CHECK(SSETUP::AskNeeded<CInstallFile::IInstallFileNeededQuery>(context, query));
}

TEST_CASE("without a listener nothing is sent and every needed-query counts as needed") {
    CContextDefault alone(nullptr);
    const CInstallFile::CNotifyRecord record = {nullptr, std::string(), 0};
    SSETUP::SendNotify<CInstallFile::IInstallFileNotify>(alone, record);
    SSETUP::CDeinstallFile::CQueryRecord query = {true, nullptr};
    CHECK(SSETUP::AskNeeded<SSETUP::CDeinstallFile::IDeinstallFileNeededQuery>(alone, query));

    // A client without the interface.
    CTestClient client;
    CContextDefault context(&client);
    CHECK(SSETUP::AskNeeded<SSETUP::CDeinstallFile::IDeinstallFileNeededQuery>(context, query));
    CHECK(client.asked == std::vector<std::string>{"IDeinstallFileNeededQuery"});

    // A client that answers with an object of another interface is not called through it.
    CConfusedClient confused;
    CContextDefault confusedContext(&confused);
    CInstallFile::CQueryRecord fileQuery = {true, nullptr};
    CHECK(SSETUP::AskNeeded<CInstallFile::IInstallFileNeededQuery>(confusedContext, fileQuery));
    CHECK(SSETUP::FindNotifyInterface<CInstallFile::IInstallFileNotify>(confusedContext) ==
          nullptr);
}

TEST_CASE("the interface table compares names by content, letter case included") {
    CTestClient client;
    CNotifyInterfaceTable table;
    table.Register("IInstallFileNotify", &client);
    table.Register("IUnregsiterCOMModuleNotify", &client);
    // Another buffer with the same characters is found.
    const std::string copy = "IInstallFileNotify";
    CHECK(table.Find(copy.c_str()) == &client);
    CHECK(table.Find("IUnregsiterCOMModuleNotify") == &client);
    const char* const missing[] = {"IInstallFileNOTIFY", "IUnregisterCOMModuleNotify",
                                   "IInstallFileNotify ", "", nullptr};
    for (const char* name : missing) {
        CHECK(table.Find(name) == nullptr);
    }
}
