#include "ops/DeviceInfoSet.h"

namespace SINSTPNP {

namespace {

// Most devices list one or two short IDs; a longer list is read again at its real size.
const DWORD kHardwareIdBufferSize = 200;
const DWORD kHardwareIdLimit = 64 * 1024;

const char kSetupApi[] = "SetupApi.Dll";

} // namespace

CSetupApi::CSetupApi() : library(kSetupApi) {
    Resolve(GetINFClass, "SetupDiGetINFClassA");
    Resolve(CreateDeviceInfoList, "SetupDiCreateDeviceInfoList");
    Resolve(CreateDeviceInfo, "SetupDiCreateDeviceInfoA");
    Resolve(RegisterDeviceInfo, "SetupDiRegisterDeviceInfo");
    Resolve(SetDeviceInstallParams, "SetupDiSetDeviceInstallParamsA");
    Resolve(GetDeviceInstallParams, "SetupDiGetDeviceInstallParamsA");
    Resolve(BuildDriverInfoList, "SetupDiBuildDriverInfoList");
    Resolve(EnumDriverInfo, "SetupDiEnumDriverInfoA");
    Resolve(SetSelectedDriver, "SetupDiSetSelectedDriverA");
    Resolve(CallClassInstaller, "SetupDiCallClassInstaller");
    Resolve(DestroyDeviceInfoList, "SetupDiDestroyDeviceInfoList");
    Resolve(GetClassDevs, "SetupDiGetClassDevsA");
    Resolve(EnumDeviceInfo, "SetupDiEnumDeviceInfo");
    Resolve(GetDeviceRegistryProperty, "SetupDiGetDeviceRegistryPropertyA");
    Resolve(SetSelectedDevice, "SetupDiSetSelectedDevice");
    Resolve(ClassGuidsFromName, "SetupDiClassGuidsFromNameA");
    Resolve(GetDeviceInstanceId, "SetupDiGetDeviceInstanceIdA");
}

template <class Function> void CSetupApi::Resolve(Function& function, const char* name) {
    try {
        function = library.GetProcAs<Function>(name);
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
        loaded = false;
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
        loaded = false;
    }
}

bool CSetupApi::IsLoaded() const {
    if (!loaded) {
        SetLastError(ERROR_PROC_NOT_FOUND);
    }
    return loaded;
}

std::vector<std::string> SplitMultiString(const char* block, std::size_t size) {
    std::vector<std::string> strings;
    std::size_t at = 0;
    while (at < size && block[at] != '\0') {
        std::size_t end = at;
        while (end < size && block[end] != '\0') {
            ++end;
        }
        strings.emplace_back(block + at, end - at);
        at = end + 1;
    }
    return strings;
}

std::vector<std::string> ReadHardwareIds(const CSetupApi& api, HDEVINFO set,
                                         SP_DEVINFO_DATA& device) {
    DWORD size = kHardwareIdBufferSize;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<char> buffer(size, '\0');
        DWORD type = 0;
        DWORD needed = 0;
        if (api.GetDeviceRegistryProperty(set, &device, SPDRP_HARDWAREID, &type,
                                          reinterpret_cast<BYTE*>(buffer.data()), size, &needed)) {
            const std::size_t filled = needed != 0 && needed < size ? needed : size;
            return SplitMultiString(buffer.data(), filled);
        }
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed <= size ||
            needed > kHardwareIdLimit) {
            break;
        }
        size = needed;
    }
    return {};
}

bool SameHardwareId(const std::string& left, const std::string& right) {
    return CompareStringA(LOCALE_SYSTEM_DEFAULT, NORM_IGNORECASE, left.data(),
                          static_cast<int>(left.size()), right.data(),
                          static_cast<int>(right.size())) == CSTR_EQUAL;
}

} // namespace SINSTPNP
