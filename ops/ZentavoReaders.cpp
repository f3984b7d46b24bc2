// The token manager's reader count: reader device nodes on the NT family, the reader
// driver's "ReadersCount" value on the 9x family.
#include "ops/DeviceInfoSet.h"
#include "ops/PnpDriver.h"
#include "ops/Registry.h"
#include "ops/ZentavoManager.h"
#include <memory>

namespace SZentavoManager {

namespace {

using SINSTPNP::CDeviceInfoSet;
using SINSTPNP::CSetupApi;

const char kReadersCountValue[] = "ReadersCount";
const DWORD kClassNameLength = 32;

bool HasHardwareId(const CSetupApi& api, HDEVINFO set, SP_DEVINFO_DATA& device,
                   const std::string& hardwareId) {
    for (const std::string& id : SINSTPNP::ReadHardwareIds(api, set, device)) {
        if (SINSTPNP::SameHardwareId(id, hardwareId)) {
            return true;
        }
    }
    return false;
}

// Every device of the INF's class, present or not, and those that carry hardwareId in
// enumeration order. Complete when the enumeration reached its end.
struct CReaderDevices {
    CReaderDevices(const CSetupApi& api, HDEVINFO set) : set(api, set) {}
    CDeviceInfoSet set;
    std::vector<SP_DEVINFO_DATA> matches;
    bool complete = false;
};

std::unique_ptr<CReaderDevices> FindDevicesOfInfClass(const CSetupApi& api,
                                                      const std::string& infPath,
                                                      const std::string& hardwareId) {
    GUID classGuid{};
    char className[kClassNameLength] = {};
    if (!api.IsLoaded() ||
        !api.GetINFClass(infPath.c_str(), &classGuid, className, kClassNameLength, nullptr)) {
        return std::make_unique<CReaderDevices>(api, INVALID_HANDLE_VALUE);
    }
    auto found =
        std::make_unique<CReaderDevices>(api, api.GetClassDevs(&classGuid, nullptr, nullptr, 0));
    if (!found->set.IsValid()) {
        return found;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; api.EnumDeviceInfo(found->set.Get(), index, &device); ++index) {
        if (HasHardwareId(api, found->set.Get(), device, hardwareId)) {
            found->matches.push_back(device);
        }
    }
    found->complete = GetLastError() == ERROR_NO_MORE_ITEMS;
    return found;
}

} // namespace

std::string CZentavoManager::GetReaderInfPath() {
    return osManager->GetOperations()->GetWindowsDir() + "\\INF\\" +
           variationPoint->GetReaderInfName();
}

unsigned CZentavoManager::GetReadersCount() {
    if (IsNT()) {
        const CSetupApi api;
        const auto devices =
            FindDevicesOfInfClass(api, GetReaderInfPath(), variationPoint->GetReaderHardwareId());
        return static_cast<unsigned>(devices->matches.size());
    }
    return SREGISTRY::ReadDwordValue(
        HKEY_LOCAL_MACHINE, variationPoint->GetDriverServiceKey().c_str(), kReadersCountValue, 0);
}

bool CZentavoManager::AddReaders(unsigned count, bool* rebootNeeded) {
    const std::string infPath = GetReaderInfPath();
    bool allCreated = true;
    bool restart = false;
    for (unsigned i = 0; i < count; ++i) {
        bool deviceRestart = false;
        if (!SINSTPNP::InstallRootDevice(infPath.c_str(), &deviceRestart)) {
            allCreated = false;
        }
        restart = restart || deviceRestart;
    }
    if (rebootNeeded != nullptr && restart) {
        *rebootNeeded = true;
    }
    return allCreated;
}

bool CZentavoManager::RemoveReaders(unsigned count, bool* rebootNeeded) {
    if (rebootNeeded != nullptr) {
        *rebootNeeded = false;
    }
    const CSetupApi api;
    const auto devices =
        FindDevicesOfInfClass(api, GetReaderInfPath(), variationPoint->GetReaderHardwareId());
    if (!devices->complete) {
        return false;
    }
    const std::size_t found = devices->matches.size();
    const std::size_t removing = count < found ? count : found;
    bool allRemoved = true;
    // The last devices of the enumeration go first.
    for (std::size_t i = found; i > found - removing; --i) {
        SP_DEVINFO_DATA& device = devices->matches[i - 1];
        if (!api.CallClassInstaller(DIF_REMOVE, devices->set.Get(), &device)) {
            allRemoved = false;
            continue;
        }
        SP_DEVINSTALL_PARAMS_A params{};
        params.cbSize = sizeof(params);
        if (rebootNeeded != nullptr &&
            api.GetDeviceInstallParams(devices->set.Get(), &device, &params) &&
            (params.Flags & DI_NEEDREBOOT) != 0) {
            *rebootNeeded = true;
        }
    }
    return allRemoved;
}

bool CZentavoManager::SetReadersCount(unsigned count, bool* rebootNeeded) {
    const unsigned current = GetReadersCount();
    if (IsNT()) {
        if (rebootNeeded != nullptr) {
            *rebootNeeded = false;
        }
        if (current < count) {
            return AddReaders(count - current, rebootNeeded);
        }
        if (current > count) {
            return RemoveReaders(current - count, rebootNeeded);
        }
        return true;
    }
    // The 9x reader driver reads the number when the system starts.
    if (rebootNeeded != nullptr) {
        *rebootNeeded = current != count;
    }
    SREGISTRY::CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, variationPoint->GetDriverServiceKey().c_str(), KEY_WRITE) !=
        ERROR_SUCCESS) {
        return false;
    }
    const DWORD value = count;
    return RegSetValueExA(key.Get(), kReadersCountValue, 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&value), sizeof(value)) == ERROR_SUCCESS;
}

} // namespace SZentavoManager
