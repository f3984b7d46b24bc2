#pragma once
// A notification client for the operation tests: one recorder or answerer per interface,
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

template <class Interface> class CClientPart : public Interface {
public:
    explicit CClientPart(CRecordingClient& client) : client(client) { client.Offer(this); }
    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        return client.QueryNotifyInterface(name);
    }

private:
    CRecordingClient& client;
};

// Keeps every record of a Notify interface.
template <class Interface, class Record> struct CNotifyRecorder : CClientPart<Interface> {
    using CClientPart<Interface>::CClientPart;
    void Notify(const Record& record) override { records.push_back(record); }
    std::vector<Record> records;
};

// Answers a NeededQuery interface with `answer`.
template <class Interface, class Record> struct CQueryAnswerer : CClientPart<Interface> {
    using CClientPart<Interface>::CClientPart;
    void Query(Record& record) override { record.needed = answer; }
    bool answer = true;
};

} // namespace opstest
