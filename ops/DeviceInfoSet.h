#pragma once
// The Setup API functions of the device operations, an owner of a device information set,
// and the hardware-ID list of a device.
#include "os/ExplicitCall.h"
#include <windows.h>
#include <setupapi.h>
#include <string>
#include <vector>

namespace SINSTPNP {

// The device installer functions of "SetupApi.Dll", looked up by name: only the NT branch
// installs devices, and a static import that the Windows 98 setupapi.dll lacks would keep
// the whole program from loading there.
class CSetupApi {
public:
    CSetupApi();
    CSetupApi(const CSetupApi&) = delete;
    CSetupApi& operator=(const CSetupApi&) = delete;

    // False when the library or one of the functions is missing; GetLastError() then is
    // ERROR_PROC_NOT_FOUND.
    bool IsLoaded() const;

    decltype(&::SetupDiGetINFClassA) GetINFClass = nullptr;
    decltype(&::SetupDiCreateDeviceInfoList) CreateDeviceInfoList = nullptr;
    decltype(&::SetupDiCreateDeviceInfoA) CreateDeviceInfo = nullptr;
    decltype(&::SetupDiRegisterDeviceInfo) RegisterDeviceInfo = nullptr;
    decltype(&::SetupDiSetDeviceInstallParamsA) SetDeviceInstallParams = nullptr;
    decltype(&::SetupDiGetDeviceInstallParamsA) GetDeviceInstallParams = nullptr;
    decltype(&::SetupDiBuildDriverInfoList) BuildDriverInfoList = nullptr;
    decltype(&::SetupDiEnumDriverInfoA) EnumDriverInfo = nullptr;
    decltype(&::SetupDiSetSelectedDriverA) SetSelectedDriver = nullptr;
    decltype(&::SetupDiCallClassInstaller) CallClassInstaller = nullptr;
    decltype(&::SetupDiDestroyDeviceInfoList) DestroyDeviceInfoList = nullptr;
    decltype(&::SetupDiGetClassDevsA) GetClassDevs = nullptr;
    decltype(&::SetupDiEnumDeviceInfo) EnumDeviceInfo = nullptr;
    decltype(&::SetupDiGetDeviceRegistryPropertyA) GetDeviceRegistryProperty = nullptr;
    decltype(&::SetupDiSetSelectedDevice) SetSelectedDevice = nullptr;
    decltype(&::SetupDiClassGuidsFromNameA) ClassGuidsFromName = nullptr;
    decltype(&::SetupDiGetDeviceInstanceIdA) GetDeviceInstanceId = nullptr;

private:
    template <class Function> void Resolve(Function& function, const char* name);

    SEXPL_CALL::CLibrary library;
    bool loaded = true;
};

// Destroys the set on every path out of the function that made it. The destruction keeps
// the thread's last error, so a failure code read after the set is gone is the failing
// call's own.
class CDeviceInfoSet {
public:
    CDeviceInfoSet(const CSetupApi& api, HDEVINFO handle) : api(api), handle(handle) {}
    ~CDeviceInfoSet() {
        if (IsValid()) {
            const DWORD error = GetLastError();
            api.DestroyDeviceInfoList(handle);
            SetLastError(error);
        }
    }
    CDeviceInfoSet(const CDeviceInfoSet&) = delete;
    CDeviceInfoSet& operator=(const CDeviceInfoSet&) = delete;

    bool IsValid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    HDEVINFO Get() const { return handle; }

private:
    const CSetupApi& api;
    HDEVINFO handle;
};

// The strings of a REG_MULTI_SZ block of size bytes, walked only within those bytes; a
// block without its closing terminators still ends at its size.
std::vector<std::string> SplitMultiString(const char* block, std::size_t size);

// The device's hardware IDs in their order; empty when the property cannot be read.
std::vector<std::string> ReadHardwareIds(const CSetupApi& api, HDEVINFO set,
                                         SP_DEVINFO_DATA& device);

// Hardware IDs compare without regard to letter case, multi-byte characters included.
bool SameHardwareId(const std::string& left, const std::string& right);

} // namespace SINSTPNP
