// The default context and the lookup of notification interfaces by their name strings.
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "ops/RegistryOperations.h"
#include "setup/Context.h"
#include <doctest/doctest.h>
#include <cstring>
#include <string>
#include <vector>

using SSETUP::CContextDefault;
using SSETUP::CInstallFile;
using SSETUP::CNotifyInterfaceTable;
using SSETUP::IClientNotifyContext2;

namespace {

// A client built the way the controller builds its own: one table from name to sub-object.
class CTestClient : public IClientNotifyContext2 {
public:
    CTestClient() : notify(*this), query(*this) {
        table.Register(IClientNotifyContext2::InterfaceName, this);
        table.Register(CInstallFile::IInstallFileNotify::InterfaceName, &notify);
        table.Register(CInstallFile::IInstallFileNeededQuery::InterfaceName, &query);
    }
    const char* GetInterfaceName() const override { return InterfaceName; }
    IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        asked.push_back(name);
        return table.Find(name);
    }

    std::vector<std::string> asked;
    std::vector<int> results;
    bool answer = true;

private:
    class CNotify : public CInstallFile::IInstallFileNotify {
    public:
        explicit CNotify(CTestClient& owner) : owner(owner) {}
        IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
            return owner.QueryNotifyInterface(name);
        }
        void Notify(const CInstallFile::CNotifyRecord& record) override {
            owner.results.push_back(record.result);
        }

    private:
        CTestClient& owner;
    };
    class CQuery : public CInstallFile::IInstallFileNeededQuery {
    public:
        explicit CQuery(CTestClient& owner) : owner(owner) {}
        IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
            return owner.QueryNotifyInterface(name);
        }
        void Query(CInstallFile::CQueryRecord& record) override { record.needed = owner.answer; }

    private:
        CTestClient& owner;
    };

    CNotify notify;
    CQuery query;
    CNotifyInterfaceTable table;
};

// A client that answers every name with its own base object: of the wrong type.
class CConfusedClient : public IClientNotifyContext2 {
public:
    const char* GetInterfaceName() const override { return InterfaceName; }
    IClientNotifyContext2* QueryNotifyInterface(const char*) override { return this; }
};

} // namespace

TEST_CASE("the default context: reboot flag, client, never an abort") {
    CTestClient client;
    CContextDefault context(&client);
    CHECK_FALSE(context.IsRebootNeeded());
    CHECK(context.GetNotifyContext() == &client);
    CHECK_FALSE(context.IsAbortRequested());
    CHECK(context.SetRebootNeeded(true));
    CHECK(context.IsRebootNeeded());
    CHECK_FALSE(context.IsAbortRequested());

    CContextDefault alone(nullptr);
    CHECK(alone.GetNotifyContext() == nullptr);
}

TEST_CASE("notifications reach the client's interface of the exact name") {
    CTestClient client;
    CContextDefault context(&client);
    const CInstallFile::CNotifyRecord record = {nullptr, std::string(), 2};
    SSETUP::SendNotify<CInstallFile::IInstallFileNotify>(context, record);
    CHECK(client.results == std::vector<int>{2});
    CHECK(client.asked == std::vector<std::string>{"IInstallFileNotify"});

    CInstallFile::CQueryRecord query = {true, nullptr};
    client.answer = false;
    CHECK_FALSE(SSETUP::AskNeeded<CInstallFile::IInstallFileNeededQuery>(context, query));
    client.answer = true;
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
    CHECK(table.Find("iinstallfilenotify") == nullptr);
    CHECK(table.Find("IInstallFileNOTIFY") == nullptr);
    CHECK(table.Find("IUnregisterCOMModuleNotify") == nullptr);
    CHECK(table.Find("IInstallFileNotify ") == nullptr);
    CHECK(table.Find("") == nullptr);
    CHECK(table.Find(nullptr) == nullptr);
}
