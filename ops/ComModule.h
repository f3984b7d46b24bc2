#pragma once
// COM module registration: what its notifications carry to the client.
#include "setup/Context.h"
#include <windows.h>
#include <string>

namespace SSETUPCOMDLL {

// The read-only view of a module registration that notification handlers get.
class IRegisterCOMModuleOperation;

// runResult when no RegSvr32.exe run is reported.
const DWORD RunResultUndefined = 0xDEADBEEF;

class IRegisterCOMModuleNotify : public SSETUP::IClientNotifyContext2 {
public:
    // Values of CNotifyRecord::result.
    enum : int {
        ResultRegistered = 1,
        ResultFailed = 2,
        ResultAtReboot = 3,
    };
    struct CNotifyRecord {
        const IRegisterCOMModuleOperation* operation;
        int result;
        bool performing; // always true
        DWORD runResult;
    };

    static constexpr const char* InterfaceName = "IRegisterCOMModuleNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const CNotifyRecord& record) = 0;

protected:
    ~IRegisterCOMModuleNotify() = default;
};

// The name keeps its historical spelling: it is the key the client is asked by.
class IUnregsiterCOMModuleNotify : public SSETUP::IClientNotifyContext2 {
public:
    struct CNotifyRecord {
        std::string modulePath;
        bool success;
        bool performing; // always true
    };

    static constexpr const char* InterfaceName = "IUnregsiterCOMModuleNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const CNotifyRecord& record) = 0;

protected:
    ~IUnregsiterCOMModuleNotify() = default;
};

} // namespace SSETUPCOMDLL
