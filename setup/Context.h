#pragma once
// The execution context of a run and the notification mechanism: operations never know the
// client's class; they ask it for an interface by its name string and call it if offered.
//
// A notification interface derives from IClientNotifyContext2, is declared inside the
// operation class that calls it, names itself by a static InterfaceName (the exact name
// string, also returned by GetInterfaceName) and adds one operation:
//   void Notify(const Record&)   for names ending in Notify,
//   void Query(Record&)          for names ending in NeededQuery (the record has `needed`).
// Operations send through SendNotify / AskNeeded below.
#include <string>
#include <utility>
#include <vector>

namespace SSETUP {

class IClientNotifyContext2 {
public:
    static constexpr const char* InterfaceName = "IClientNotifyContext2";

    virtual const char* GetInterfaceName() const = 0;
    // The client's implementation of the interface called name, as the IClientNotifyContext2
    // base of an object of that interface; null when the client does not offer it.
    virtual IClientNotifyContext2* QueryNotifyInterface(const char* name) = 0;

protected:
    // Interfaces are implemented by the client's sub-objects and never deleted through here.
    ~IClientNotifyContext2() = default;
};

class IContext {
public:
    // Records whether a restart is needed; returns the argument.
    virtual bool SetRebootNeeded(bool needed) = 0;
    // The client's notification sink; null when nobody listens.
    virtual IClientNotifyContext2* GetNotifyContext() = 0;
    // True asks the running operation sets to stop and roll back.
    virtual bool IsAbortRequested() = 0;
    virtual ~IContext() = default;
};

// The one context of the system: made on the stack for one flow.
class CContextDefault : public IContext {
public:
    explicit CContextDefault(IClientNotifyContext2* client) : client(client) {}

    bool SetRebootNeeded(bool needed) override {
        rebootNeeded = needed;
        return needed;
    }
    IClientNotifyContext2* GetNotifyContext() override { return client; }
    bool IsAbortRequested() override { return false; }
    bool IsRebootNeeded() const { return rebootNeeded; }

private:
    bool rebootNeeded = false;
    IClientNotifyContext2* const client;
};

// The client's implementation of Interface, looked up by Interface::InterfaceName; null when
// nobody listens, the client does not offer it, or answers with an object of another type.
template <class Interface> Interface* FindNotifyInterface(IContext& context) {
    IClientNotifyContext2* const client = context.GetNotifyContext();
    if (client == nullptr) {
        return nullptr;
    }
    IClientNotifyContext2* const found = client->QueryNotifyInterface(Interface::InterfaceName);
    if (found == nullptr) {
        return nullptr;
    }
    return dynamic_cast<Interface*>(found);
}

// Sends record to the client's Interface, if there is one; a missing listener is no error.
template <class Interface, class Record> void SendNotify(IContext& context, const Record& record) {
    if (Interface* const sink = FindNotifyInterface<Interface>(context)) {
        sink->Notify(record);
    }
}

// Asks the client's needed-query Interface; record.needed must be filled with true and the
// asking operation beforehand. Without a listener the answer stays true.
template <class Interface, class Record> bool AskNeeded(IContext& context, Record& record) {
    if (Interface* const query = FindNotifyInterface<Interface>(context)) {
        query->Query(record);
    }
    return record.needed;
}

// A client's table from name string to the sub-object that implements that interface.
// Names are compared as byte strings, letter case included.
class CNotifyInterfaceTable {
public:
    void Register(const char* name, IClientNotifyContext2* implementation);
    IClientNotifyContext2* Find(const char* name) const;

private:
    std::vector<std::pair<std::string, IClientNotifyContext2*>> entries;
};

} // namespace SSETUP
