#pragma once
// Plug-and-play driver operations: what their notifications carry to the client.
#include "setup/Context.h"
#include <string>

namespace SINSTPNP {

// The read-only view of a driver registration that notification handlers get.
class IRegisterPNPDriver;

class CUnRegisterPNPDriver {
public:
    struct CNotifyRecord {
        bool success;
        bool rebootNeeded; // false when success is false
        bool performing;   // always true
        std::string hardwareId;
        std::string infPath;
    };

    class IUnregisterPNPDriverNotify : public SSETUP::IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IUnregisterPNPDriverNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IUnregisterPNPDriverNotify() = default;
    };
};

class CRegisterPNPDriver {
public:
    // Values of CNotifyRecord::result.
    enum : int {
        ResultDeviceInstalled = 0,
        ResultDeviceFailed = 1,
        ResultAllSucceeded = 2,
        ResultAllFailed = 3,
    };

    struct CNotifyRecord {
        bool performing; // always true
        int result;
        const IRegisterPNPDriver* operation;
        int index;         // the device from 0; -1 in a total record
        bool rebootNeeded; // result 0: this or an earlier device asked for a restart
    };

    class IRegisterPNPDriverNotify : public SSETUP::IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IRegisterPNPDriverNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IRegisterPNPDriverNotify() = default;
    };
};

} // namespace SINSTPNP
