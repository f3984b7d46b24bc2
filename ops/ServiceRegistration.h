#pragma once
// Service registration and control: what its notifications carry to the client.
#include "setup/Context.h"
#include <windows.h>
#include <string>

namespace SRegATLService {

enum ServiceAction : DWORD {
    ServiceRegistration = 1,
    ServiceUnregistration = 2,
    ServiceStop = 3,
    ServiceStart = 4,
};

struct ServiceEvent {
    ServiceAction action;
    bool succeeded;
    bool registration; // true in registration records only
    std::string serviceName;
    std::string executablePath; // empty in stop and start records
    // Registration and unregistration: the executable's exit code (-1: not started);
    // stop and start: 0 or the system error that ended the attempt.
    DWORD code;
};

class IRegATLServiceNotify : public SSETUP::IClientNotifyContext2 {
public:
    static constexpr const char* InterfaceName = "IRegATLServiceNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const ServiceEvent& record) = 0;

protected:
    ~IRegATLServiceNotify() = default;
};

} // namespace SRegATLService
