#pragma once
// A notification client for the operation tests: one recorder sub-object per interface,
// found through a name table the way the controller finds its own.
#include "setup/Context.h"
#include <vector>

namespace opstest {

class CRecordingClient : public SSETUP::IClientNotifyContext2 {
public:
    CRecordingClient() { table.Register(InterfaceName, this); }
    const char* GetInterfaceName() const override { return InterfaceName; }
    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        return table.Find(name);
    }
    void Offer(SSETUP::IClientNotifyContext2* implementation) {
        table.Register(implementation->GetInterfaceName(), implementation);
    }

private:
    SSETUP::CNotifyInterfaceTable table;
};

// Keeps every record of a Notify interface.
template <class Interface, class Record> class CNotifyRecorder : public Interface {
public:
    explicit CNotifyRecorder(CRecordingClient& client) : client(client) { client.Offer(this); }
    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        return client.QueryNotifyInterface(name);
    }
    void Notify(const Record& record) override { records.push_back(record); }

    std::vector<Record> records;

private:
    CRecordingClient& client;
};

// Answers a NeededQuery interface with `answer` and counts the questions.
template <class Interface, class Record> class CQueryAnswerer : public Interface {
public:
    explicit CQueryAnswerer(CRecordingClient& client) : client(client) { client.Offer(this); }
    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        return client.QueryNotifyInterface(name);
    }
    void Query(Record& record) override {
        ++asked;
        record.needed = answer;
    }

    bool answer = true;
    int asked = 0;

private:
    CRecordingClient& client;
};

} // namespace opstest
