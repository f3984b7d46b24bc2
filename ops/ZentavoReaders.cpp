// The token manager's reader count: reader device nodes on the NT family, the reader
// driver's "ReadersCount" value on the 9x family.
#include "ops/Registry.h"
#include "ops/ZentavoManager.h"
#include <setupapi.h>
#include <cstring>
#include <memory>

namespace SINSTPNP {
// Creates one device from the INF (the device operations).
bool InstallRootDevice(const char* infPath, bool* rebootNeeded);
} // namespace SINSTPNP

namespace SZentavoManager {

namespace {

const char kReadersCountValue[] = "ReadersCount";
const DWORD kHardwareIdBufferSize = 200;
const DWORD kClassNameLength = 32;

// A device information set, destroyed with the object.
class CDeviceInfoSet {
public:
    explicit CDeviceInfoSet(HDEVINFO set) : set(set) {}
    ~CDeviceInfoSet() {
        if (IsValid()) {
            SetupDiDestroyDeviceInfoList(set);
        }
    }
    CDeviceInfoSet(const CDeviceInfoSet&) = delete;
    CDeviceInfoSet& operator=(const CDeviceInfoSet&) = delete;

    bool IsValid() const { return set != INVALID_HANDLE_VALUE && set != nullptr; }
    HDEVINFO Get() const { return set; }

private:
    const HDEVINFO set;
};

// Whether any string of the device's hardware IDs equals hardwareId, letter case aside.
bool HasHardwareId(HDEVINFO set, SP_DEVINFO_DATA& device, const std::string& hardwareId) {
    // Two spare zeros end the multi-string even when the property fills the buffer.
    char ids[kHardwareIdBufferSize + 2] = {};
    DWORD type = 0;
    DWORD size = 0;
    if (!SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, &type,
                                           reinterpret_cast<BYTE*>(ids), kHardwareIdBufferSize,
                                           &size)) {
        return false;
    }
    const std::size_t end = size < kHardwareIdBufferSize ? size : kHardwareIdBufferSize;
    for (std::size_t at = 0; at < end && ids[at] != '\0';) {
        if (lstrcmpiA(&ids[at], hardwareId.c_str()) == 0) {
            return true;
        }
        at += std::strlen(&ids[at]) + 1;
    }
    return false;
}

// Every device of the INF's class, present or not, and those that carry hardwareId in
// enumeration order. Success when the enumeration reached its end.
struct CReaderDevices {
    explicit CReaderDevices(HDEVINFO set) : set(set) {}
    CDeviceInfoSet set;
    std::vector<SP_DEVINFO_DATA> matches;
    bool complete = false;
};

std::unique_ptr<CReaderDevices> FindDevicesOfInfClass(const std::string& infPath,
                                                      const std::string& hardwareId) {
    GUID classGuid{};
    char className[kClassNameLength] = {};
    if (!SetupDiGetINFClassA(infPath.c_str(), &classGuid, className, kClassNameLength, nullptr)) {
        return std::make_unique<CReaderDevices>(INVALID_HANDLE_VALUE);
    }
    auto found =
        std::make_unique<CReaderDevices>(SetupDiGetClassDevsA(&classGuid, nullptr, nullptr, 0));
    if (!found->set.IsValid()) {
        return found;
    }
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof(device);
    for (DWORD index = 0; SetupDiEnumDeviceInfo(found->set.Get(), index, &device); ++index) {
        if (HasHardwareId(found->set.Get(), device, hardwareId)) {
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
        const auto devices =
            FindDevicesOfInfClass(GetReaderInfPath(), variationPoint->GetReaderHardwareId());
        return static_cast<unsigned>(devices->matches.size());
    }
    SREGISTRY::CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, variationPoint->GetDriverServiceKey().c_str(),
                 KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        return 0;
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key.Get(), kReadersCountValue, nullptr, &type,
                         reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return 0;
    }
    return value;
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
    const auto devices =
        FindDevicesOfInfClass(GetReaderInfPath(), variationPoint->GetReaderHardwareId());
    if (!devices->complete) {
        return false;
    }
    const std::size_t found = devices->matches.size();
    const std::size_t removing = count < found ? count : found;
    bool allRemoved = true;
    // The last devices of the enumeration go first.
    for (std::size_t i = found; i > found - removing; --i) {
        SP_DEVINFO_DATA& device = devices->matches[i - 1];
        if (!SetupDiCallClassInstaller(DIF_REMOVE, devices->set.Get(), &device)) {
            allRemoved = false;
            continue;
        }
        SP_DEVINSTALL_PARAMS_A params{};
        params.cbSize = sizeof(params);
        if (rebootNeeded != nullptr &&
            SetupDiGetDeviceInstallParamsA(devices->set.Get(), &device, &params) &&
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
