#include "ops/PnpDriver.h"
#include "ops/DeinstallFile.h"
#include "ops/DeviceInfoSet.h"
#include "ops/InstallFile.h"
#include "ops/Registry.h"
#include "os/ExplicitCall.h"
#include <cstring>
#include <functional>
#include <utility>

namespace SINSTPNP {

namespace {

const char kSetupApi[] = "SetupApi.Dll";
using LocateDevNodeA = DWORD(WINAPI*)(DWORD*, char*, ULONG);
using ReenumerateDevNode = DWORD(WINAPI*)(DWORD, ULONG);
const DWORD kConfigRetSuccess = 0;
// Setup class names are at most 32 characters with their terminator.
const DWORD kClassNameLength = 32;

// The INF's setup class; an INF path that does not fit Setup's path fields fails.
bool GetInfClass(const CSetupApi& api, const char* infPath, GUID& classGuid,
                 char (&className)[kClassNameLength]) {
    if (infPath == nullptr || std::strlen(infPath) >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return false;
    }
    return api.GetINFClass(infPath, &classGuid, className, kClassNameLength, nullptr) != FALSE;
}

bool NeedsReboot(const CSetupApi& api, HDEVINFO set, SP_DEVINFO_DATA& device) {
    SP_DEVINSTALL_PARAMS_A params = {};
    params.cbSize = sizeof(params);
    return api.GetDeviceInstallParams(set, &device, &params) && (params.Flags & DI_NEEDREBOOT) != 0;
}

// Installs the INF's first class driver on a registered device of the set.
bool InstallInfDriver(const CSetupApi& api, HDEVINFO set, SP_DEVINFO_DATA& device,
                      const char* infPath, bool* rebootNeeded) {
    SP_DEVINSTALL_PARAMS_A params = {};
    params.cbSize = sizeof(params);
    params.Flags = DI_QUIETINSTALL | DI_ENUMSINGLEINF;
    std::strcpy(params.DriverPath, infPath); // length checked by GetInfClass
    if (!api.SetDeviceInstallParams(set, &device, &params) ||
        !api.BuildDriverInfoList(set, &device, SPDIT_CLASSDRIVER)) {
        return false;
    }
    SP_DRVINFO_DATA_A driver = {};
    driver.cbSize = sizeof(driver);
    if (!api.EnumDriverInfo(set, &device, SPDIT_CLASSDRIVER, 0, &driver) ||
        !api.SetSelectedDriver(set, &device, &driver) ||
        !api.CallClassInstaller(DIF_INSTALLDEVICE, set, &device)) {
        return false;
    }
    if (rebootNeeded != nullptr) {
        SP_DEVINSTALL_PARAMS_A after = {};
        after.cbSize = sizeof(after);
        if (api.GetDeviceInstallParams(set, &device, &after)) {
            *rebootNeeded = (after.Flags & DI_NEEDREBOOT) != 0;
        }
    }
    return true;
}

using HardwareIdMatch = std::function<bool(const std::vector<std::string>&)>;

// Removes the devices of one class whose hardware IDs match; stops at the first device that
// cannot be selected or removed. Counts what it removed (devices without any hardware ID
// aside: nothing makes them again) and collects Setup's restart requests.
// A device whose IDs cannot be read (other than a device without any) may be one of those
// wanted: the others are still removed, and the removal fails with that device's error.
bool RemoveMatchingDevices(const CSetupApi& api, const GUID& classGuid,
                           const HardwareIdMatch& matches, bool& rebootNeeded,
                           std::vector<std::string>& removedIds) {
    CDeviceInfoSet set(api, api.GetClassDevs(&classGuid, nullptr, nullptr, 0));
    if (!set.IsValid()) {
        return false;
    }
    DWORD unreadError = ERROR_SUCCESS;
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; api.EnumDeviceInfo(set.Get(), index, &device); ++index) {
        SetLastError(ERROR_SUCCESS);
        const std::vector<std::string> ids = ReadHardwareIds(api, set.Get(), device);
        const DWORD readError = GetLastError();
        if (ids.empty() && readError != ERROR_SUCCESS && readError != ERROR_INVALID_DATA) {
            unreadError = readError;
            continue;
        }
        if (!matches(ids)) {
            continue;
        }
        if (!api.SetSelectedDevice(set.Get(), &device)) {
            return false;
        }
        // Device instance IDs are at most 200 characters (MAX_DEVICE_ID_LEN).
        char instanceId[201] = {};
        if (!api.GetDeviceInstanceId(set.Get(), &device, instanceId, sizeof(instanceId), nullptr)) {
            instanceId[0] = '\0';
        }
        const bool removed = api.CallClassInstaller(DIF_REMOVE, set.Get(), &device) != FALSE;
        const DWORD error = GetLastError();
        rebootNeeded = NeedsReboot(api, set.Get(), device) || rebootNeeded;
        if (!removed) {
            SetLastError(error);
            return false;
        }
        if (!ids.empty()) {
            removedIds.emplace_back(instanceId);
        }
    }
    if (GetLastError() != ERROR_NO_MORE_ITEMS) {
        return false;
    }
    SetLastError(unreadError);
    return unreadError == ERROR_SUCCESS;
}

} // namespace

bool InstallRootDevice(const char* infPath, bool* rebootNeeded) {
    const CSetupApi api;
    GUID classGuid = {};
    char className[kClassNameLength] = {};
    if (!api.IsLoaded() || !GetInfClass(api, infPath, classGuid, className)) {
        return false;
    }
    CDeviceInfoSet set(api, api.CreateDeviceInfoList(&classGuid, nullptr));
    if (!set.IsValid()) {
        return false;
    }
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    if (!api.CreateDeviceInfo(set.Get(), className, &classGuid, nullptr, nullptr, DICD_GENERATE_ID,
                              &device) ||
        !api.RegisterDeviceInfo(set.Get(), &device, 0, nullptr, nullptr, nullptr)) {
        return false;
    }
    if (InstallInfDriver(api, set.Get(), device, infPath, rebootNeeded)) {
        return true;
    }
    // Without its driver the device has no hardware ID, so no later removal would find it.
    const DWORD error = GetLastError();
    api.CallClassInstaller(DIF_REMOVE, set.Get(), &device);
    SetLastError(error);
    return false;
}

bool RemoveDevicesOfInfClass(const char* infPath, const char* hardwareId, bool* rebootNeeded,
                             std::vector<std::string>* removedIds) {
    const CSetupApi api;
    std::vector<std::string> removed;
    bool reboot = false;
    GUID classGuid = {};
    char className[kClassNameLength] = {};
    bool ok =
        hardwareId != nullptr && api.IsLoaded() && GetInfClass(api, infPath, classGuid, className);
    if (ok) {
        const std::string wanted = hardwareId;
        // Only the first, most specific ID counts here. A device of the class without any ID
        // was left by a device install cut short (the ID comes with its driver): it never
        // works, and a new install would only add its devices beside it.
        ok = RemoveMatchingDevices(
            api, classGuid,
            [&](const std::vector<std::string>& ids) {
                return ids.empty() || SameHardwareId(ids.front(), wanted);
            },
            reboot, removed);
    }
    if (removedIds != nullptr) {
        *removedIds = std::move(removed);
    }
    if (ok && rebootNeeded != nullptr) {
        *rebootNeeded = reboot;
    }
    return ok;
}

bool RemoveDevicesByClassName(const char* className, const char* hardwareId) {
    const CSetupApi api;
    if (className == nullptr || hardwareId == nullptr || !api.IsLoaded()) {
        return false;
    }
    std::vector<GUID> guids;
    DWORD count = 0;
    if (!api.ClassGuidsFromName(className, nullptr, 0, &count)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
            return false;
        }
        guids.resize(count);
        if (!api.ClassGuidsFromName(className, guids.data(), count, &count)) {
            return false;
        }
        guids.resize(count < guids.size() ? count : guids.size());
    }
    // Success without a buffer: no class of that name, nothing to remove.
    const std::string wanted = hardwareId;
    const HardwareIdMatch anyIdMatches = [&](const std::vector<std::string>& ids) {
        for (const std::string& id : ids) {
            if (SameHardwareId(id, wanted)) {
                return true;
            }
        }
        return false;
    };
    bool ok = true;
    for (const GUID& guid : guids) {
        bool reboot = false;
        std::vector<std::string> removed;
        ok = RemoveMatchingDevices(api, guid, anyIdMatches, reboot, removed) && ok;
    }
    return ok;
}

// CUnRegisterPNPDriver

CUnRegisterPNPDriver::CUnRegisterPNPDriver(const char* infPath, const char* hardwareId,
                                           bool isCritical)
    : CSetupOperationsDefault(isCritical), infPath(infPath ? infPath : ""),
      hardwareId(hardwareId ? hardwareId : "") {}

bool CUnRegisterPNPDriver::Perform(SSETUP::IContext& context) {
    if (performed) {
        return false;
    }
    bool reboot = false;
    removedIds.clear();
    const bool ok =
        RemoveDevicesOfInfClass(infPath.c_str(), hardwareId.c_str(), &reboot, &removedIds);
    // Devices removed before a failure are brought back by the rollback too.
    performed = !removedIds.empty();
    SSETUP::SendNotify<IUnregisterPNPDriverNotify>(
        context, CNotifyRecord{ok, ok && reboot, true, hardwareId, infPath, std::string()});
    if (ok && reboot) {
        context.SetRebootNeeded(true);
    }
    return ok;
}

bool CUnRegisterPNPDriver::Rollback(SSETUP::IContext& context) {
    if (!performed) {
        return false;
    }
    std::size_t created = 0;
    for (std::size_t i = 0; i < removedIds.size(); ++i) {
        created += InstallRootDevice(infPath.c_str(), nullptr) ? 1 : 0;
    }
    const bool ok = created == removedIds.size();
    if (!ok) {
        // New devices take the lowest free numbers: those missing are the last removed.
        std::string missing;
        for (std::size_t i = created; i < removedIds.size(); ++i) {
            missing += (missing.empty() ? "" : "', '") + removedIds[i];
        }
        SSETUP::SendNotify<IUnregisterPNPDriverNotify>(
            context, CNotifyRecord{false, false, false, hardwareId, infPath, missing});
    }
    performed = false;
    removedIds.clear();
    return ok;
}

// CRegisterPNPDriver

CRegisterPNPDriver::CRegisterPNPDriver(const char* infPath, const char* hardwareId, int deviceCount,
                                       bool anyDeviceSuffices, bool isCritical)
    : CSetupOperationsDefault(isCritical), infPath(infPath ? infPath : ""),
      hardwareId(hardwareId ? hardwareId : ""), deviceCount(deviceCount),
      anyDeviceSuffices(anyDeviceSuffices) {}

void CRegisterPNPDriver::NotifyDevice(SSETUP::IContext& context, int result, int index,
                                      bool rebootNeeded) const {
    SSETUP::SendNotify<IRegisterPNPDriverNotify>(
        context, CNotifyRecord{true, result, this, index, rebootNeeded});
}

bool CRegisterPNPDriver::Perform(SSETUP::IContext& context) {
    if (performed) {
        return false;
    }
    int installed = 0;
    bool reboot = false;
    for (int index = 0; index < deviceCount; ++index) {
        bool deviceReboot = false;
        if (InstallRootDevice(infPath.c_str(), &deviceReboot)) {
            ++installed;
            reboot = reboot || deviceReboot;
            NotifyDevice(context, ResultDeviceInstalled, index, reboot);
        } else {
            NotifyDevice(context, ResultDeviceFailed, index, false);
        }
    }
    const bool ok =
        deviceCount > 0 && (anyDeviceSuffices ? installed > 0 : installed == deviceCount);
    if (ok && reboot) {
        context.SetRebootNeeded(true);
    }
    if (!ok) {
        RemoveDevicesOfInfClass(infPath.c_str(), hardwareId.c_str(), nullptr);
    }
    NotifyDevice(context, ok ? ResultAllSucceeded : ResultAllFailed, -1, false);
    performed = ok;
    return ok;
}

bool CRegisterPNPDriver::Rollback(SSETUP::IContext& context) {
    if (!performed) {
        return false;
    }
    const bool ok = RemoveDevicesOfInfClass(infPath.c_str(), hardwareId.c_str(), nullptr);
    if (!ok) {
        SSETUP::SendNotify<IRegisterPNPDriverNotify>(
            context, CNotifyRecord{false, ResultRemovalFailed, this, -1, false});
    }
    performed = false;
    return ok;
}

// CUnRegisterPNPDriverByClassNameAndID

CUnRegisterPNPDriverByClassNameAndID::CUnRegisterPNPDriverByClassNameAndID(const char* className,
                                                                           const char* hardwareId,
                                                                           bool isCritical)
    : CSetupOperationsDefault(isCritical), className(className ? className : ""),
      hardwareId(hardwareId ? hardwareId : "") {}

bool CUnRegisterPNPDriverByClassNameAndID::Perform(SSETUP::IContext&) {
    performed = RemoveDevicesByClassName(className.c_str(), hardwareId.c_str());
    return performed;
}

bool CUnRegisterPNPDriverByClassNameAndID::Rollback(SSETUP::IContext&) {
    return false;
}

// The sets

CUnInstallPNPDriver::CUnInstallPNPDriver(const char* infPath, const char* driverFilePath,
                                         const char* hardwareId, bool isCritical)
    : COperationSet(isCritical) {
    Add(new CUnRegisterPNPDriver(infPath, hardwareId, isCritical), false);
    Add(new SSETUP::CDeinstallFile(infPath, isCritical), false);
    Add(new SSETUP::CDeinstallFile(driverFilePath, isCritical), false);
}

// CPendingDeviceCount

namespace {

const char kPendingCountValue[] = "PendingReadersCount";

} // namespace

CPendingDeviceCount::CPendingDeviceCount(const char* keyPath, DWORD count, bool clearing)
    : CSetupOperationsDefault(!clearing), keyPath(keyPath ? keyPath : ""), count(count),
      clearing(clearing) {}

std::string CPendingDeviceCount::GetValueName() const {
    return kPendingCountValue;
}

bool CPendingDeviceCount::Perform(SSETUP::IContext& context) {
    if (performed) {
        return false;
    }
    if (clearing) {
        // Left behind, the number only stands for as many devices as there are.
        const bool cleared = Clear();
        if (!cleared) {
            Notify(context, true, ResultNotCleared);
        }
        return cleared;
    }
    SREGISTRY::CKey key;
    const DWORD data = count;
    const bool written =
        key.Create(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_SET_VALUE, nullptr) == ERROR_SUCCESS &&
        RegSetValueExA(key.Get(), kPendingCountValue, 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&data), sizeof(data)) == ERROR_SUCCESS;
    Notify(context, true, written ? 0 : 1);
    // Nor the key it may just have made.
    if (!written && !Clear()) {
        Notify(context, false, 1);
    }
    performed = written;
    return written;
}

bool CPendingDeviceCount::Rollback(SSETUP::IContext& context) {
    if (!performed) {
        return false;
    }
    performed = false;
    const bool cleared = Clear();
    if (!cleared) {
        Notify(context, false, 1);
    }
    return cleared;
}

bool CPendingDeviceCount::Clear() const {
    SREGISTRY::CKey key;
    const LONG opened = key.Open(HKEY_LOCAL_MACHINE, keyPath.c_str(), KEY_ALL_ACCESS);
    if (opened == ERROR_FILE_NOT_FOUND) {
        return true;
    }
    if (opened != ERROR_SUCCESS) {
        return false;
    }
    const LONG deleted = RegDeleteValueA(key.Get(), kPendingCountValue);
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    DWORD subkeys = 1;
    DWORD values = 1;
    if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0) {
        key.Close();
        // The key was made for the number.
        return RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str()) == ERROR_SUCCESS;
    }
    return true;
}

void CPendingDeviceCount::Notify(SSETUP::IContext& context, bool performing, int failed) const {
    const SSETUPREG::CInstallRegDWORDValue::CNotifyRecord record = {this, performing, failed};
    SSETUP::SendNotify<SSETUPREG::CInstallRegDWORDValue::IInstallRegDWORDValueNotify>(context,
                                                                                      record);
}

DWORD ReadPendingDeviceCount(const char* keyPath) {
    return SREGISTRY::ReadDwordValue(HKEY_LOCAL_MACHINE, keyPath, kPendingCountValue, 0);
}

// CReInstallPNPDriver

CReInstallPNPDriver::CReInstallPNPDriver(const char* infSourcePath, const char* infTargetPath,
                                         const char* driverSourcePath, const char* driverTargetPath,
                                         const char* hardwareId, int deviceCount,
                                         bool anyDeviceSuffices, bool isCritical,
                                         const char* countKeyPath)
    : COperationSet(isCritical) {
    // The old devices go only when the new driver really comes: a declined copy would leave
    // the machine with no reader device at all.
    auto* const infAndDevices = new SSETUP::COperationSet(true);
    const DWORD count = static_cast<DWORD>(deviceCount);
    if (countKeyPath != nullptr) {
        infAndDevices->Add(new CPendingDeviceCount(countKeyPath, count, false), false);
    }
    infAndDevices->Add(new CUnRegisterPNPDriver(infSourcePath, hardwareId, false), false);
    infAndDevices->Add(new SSETUP::CInstallFile(infSourcePath, infTargetPath, true), false);
    infAndDevices->Add(
        new CRegisterPNPDriver(infTargetPath, hardwareId, deviceCount, anyDeviceSuffices, true),
        false);
    if (countKeyPath != nullptr) {
        infAndDevices->Add(new CPendingDeviceCount(countKeyPath, count, true), false);
    }
    Add(new SSETUP::CDependedOperation(
            new SSETUP::CInstallFile(driverSourcePath, driverTargetPath, true), infAndDevices,
            true),
        false);
}

// CForceScanHWChanges

CForceScanHWChanges::CForceScanHWChanges(bool isCritical) : CSetupOperationsDefault(isCritical) {}

bool CForceScanHWChanges::Perform(SSETUP::IContext&) {
    bool ok = false;
    try {
        SEXPL_CALL::CLibrary setupApi(kSetupApi);
        const auto locate = setupApi.GetProcAs<LocateDevNodeA>("CM_Locate_DevNodeA");
        const auto reenumerate = setupApi.GetProcAs<ReenumerateDevNode>("CM_Reenumerate_DevNode");
        DWORD root = 0;
        ok = locate(&root, nullptr, 0) == kConfigRetSuccess &&
             reenumerate(root, 0) == kConfigRetSuccess;
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
        ok = false;
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
        ok = false;
    }
    if (ok) {
        performed = true;
    }
    return ok;
}

bool CForceScanHWChanges::Rollback(SSETUP::IContext&) {
    performed = false;
    return true;
}

} // namespace SINSTPNP
