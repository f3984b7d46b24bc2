#pragma once
// Plug-and-play driver operations: root devices created from an INF and devices removed by
// hardware ID through the Setup API, the sets that combine them with the driver files, and
// the rescan of the device tree.
#include "ops/RegistryOperations.h"
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <string>
#include <vector>

namespace SSETUP {

// The read-only view of a driver registration that notification handlers get.
class IRegisterPNPDriver {
public:
    virtual std::string GetInfPath() const = 0;
    virtual std::string GetHardwareId() const = 0;
    virtual int GetDeviceCount() const = 0;
    virtual bool GetAnyDeviceSuffices() const = 0;

protected:
    ~IRegisterPNPDriver() = default;
};

} // namespace SSETUP

namespace SINSTPNP {

using SSETUP::IRegisterPNPDriver;

// Creates one root-enumerated device of the INF's setup class and installs the INF's first
// driver for that class on it. rebootNeeded (may be null) receives Setup's restart request.
// On failure nothing of the new device stays behind and GetLastError() tells why.
bool InstallRootDevice(const char* infPath, bool* rebootNeeded);
// Removes every device, present or not, of the INF's setup class whose first hardware ID is
// hardwareId, and those without any hardware ID. removedIds (may be null) receives the
// instance IDs of the devices with hardwareId removed, also when a later device fails.
bool RemoveDevicesOfInfClass(const char* infPath, const char* hardwareId, bool* rebootNeeded,
                             std::vector<std::string>* removedIds = nullptr);
// Removes every device of every setup class called className that lists hardwareId among
// its hardware IDs. A class name that no class has leaves nothing to do.
bool RemoveDevicesByClassName(const char* className, const char* hardwareId);

class CUnRegisterPNPDriver : public SSETUP::CSetupOperationsDefault {
public:
    struct CNotifyRecord {
        bool success;
        bool rebootNeeded; // false when success is false
        bool performing;   // false: from Rollback, which could not make devices again
        std::string hardwareId;
        std::string infPath;
        std::string missingDevices; // Rollback: the instance IDs of the devices not made again
    };

    class IUnregisterPNPDriverNotify : public SSETUP::IClientNotifyContext2 {
    public:
        static constexpr const char* InterfaceName = "IUnregisterPNPDriverNotify";
        const char* GetInterfaceName() const override { return InterfaceName; }
        virtual void Notify(const CNotifyRecord& record) = 0;

    protected:
        ~IUnregisterPNPDriverNotify() = default;
    };

    CUnRegisterPNPDriver(const char* infPath, const char* hardwareId, bool isCritical);

    // Performed only when it removed at least one device.
    bool Perform(SSETUP::IContext& context) override;
    // Creates again as many devices as Perform removed; names those it could not.
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    std::string infPath;
    std::string hardwareId;
    std::vector<std::string> removedIds;
};

class CRegisterPNPDriver : public SSETUP::CSetupOperationsDefault,
                           public SSETUP::IRegisterPNPDriver {
public:
    // Values of CNotifyRecord::result.
    enum : int {
        ResultDeviceInstalled = 0,
        ResultDeviceFailed = 1,
        ResultAllSucceeded = 2,
        ResultAllFailed = 3,
        ResultRemovalFailed = 4, // Rollback: a device it made could not be removed
    };

    struct CNotifyRecord {
        bool performing; // false: from Rollback
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

    // anyDeviceSuffices: one installed device of deviceCount makes a success; otherwise all
    // must be installed. hardwareId serves only to remove the devices again.
    CRegisterPNPDriver(const char* infPath, const char* hardwareId, int deviceCount,
                       bool anyDeviceSuffices, bool isCritical);

    bool Perform(SSETUP::IContext& context) override;
    // Removes the devices of its hardware ID again; says so when one stays.
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

    std::string GetInfPath() const override { return infPath; }
    std::string GetHardwareId() const override { return hardwareId; }
    int GetDeviceCount() const override { return deviceCount; }
    bool GetAnyDeviceSuffices() const override { return anyDeviceSuffices; }

private:
    void NotifyDevice(SSETUP::IContext& context, int result, int index, bool rebootNeeded) const;

    std::string infPath;
    std::string hardwareId;
    int deviceCount;
    bool anyDeviceSuffices;
};

// Removes the devices of a named setup class (e.g. "USB") that carry hardwareId. Nothing to
// roll back: the devices come back when the hardware is found again.
class CUnRegisterPNPDriverByClassNameAndID : public SSETUP::CSetupOperationsDefault {
public:
    CUnRegisterPNPDriverByClassNameAndID(const char* className, const char* hardwareId,
                                         bool isCritical);

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    std::string className;
    std::string hardwareId;
};

// The devices of the INF's class go, then the INF and the driver file.
class CUnInstallPNPDriver : public SSETUP::COperationSet {
public:
    CUnInstallPNPDriver(const char* infPath, const char* driverFilePath, const char* hardwareId,
                        bool isCritical);
};

// While the devices are being replaced, the number wanted is kept in the value
// "PendingReadersCount" of a key (HKEY_LOCAL_MACHINE): a run cut short in between leaves fewer
// devices than that, and the next run takes the number from there instead of counting them.
// The keeping operation writes it (its rollback takes it away), the clearing one takes it
// away after the devices; a key that holds nothing else then goes with it. Failures are
// reported as those of a DWORD value (CInstallRegDWORDValue's notification).
class CPendingDeviceCount : public SSETUP::CSetupOperationsDefault,
                            public SSETUP::ISetRegDWORDValueOperation {
public:
    // CInstallRegDWORDValue's record.failed for a value that could not be taken away.
    enum : int { ResultNotCleared = 2 };

    CPendingDeviceCount(const char* keyPath, DWORD count, bool clearing);

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}

    HKEY GetRootKey() const override { return HKEY_LOCAL_MACHINE; }
    std::string GetKeyPath() const override { return keyPath; }
    std::string GetValueName() const override;
    DWORD GetData() const override { return count; }

private:
    bool Clear() const;
    void Notify(SSETUP::IContext& context, bool performing, int failed) const;

    std::string keyPath;
    DWORD count;
    bool clearing;
};

// The number a cut run left in keyPath (see CPendingDeviceCount); 0 when there is none.
DWORD ReadPendingDeviceCount(const char* keyPath);

// The driver file is installed and, only when it really was (now or at the restart), the old
// devices go, the INF follows and the new devices are created from it. countKeyPath (may be
// null) keeps the number of devices meanwhile (CPendingDeviceCount).
class CReInstallPNPDriver : public SSETUP::COperationSet {
public:
    CReInstallPNPDriver(const char* infSourcePath, const char* infTargetPath,
                        const char* driverSourcePath, const char* driverTargetPath,
                        const char* hardwareId, int deviceCount, bool anyDeviceSuffices,
                        bool isCritical, const char* countKeyPath = nullptr);
};

// Asks the configuration manager to enumerate the device tree again from its root.
class CForceScanHWChanges : public SSETUP::CSetupOperationsDefault {
public:
    explicit CForceScanHWChanges(bool isCritical);

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}
};

} // namespace SINSTPNP
