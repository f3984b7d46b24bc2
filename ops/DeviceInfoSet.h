#pragma once
// Owner of a Setup API device information set, and the hardware-ID list of a device.
#include <windows.h>
#include <setupapi.h>
#include <string>
#include <vector>

namespace SINSTPNP {

// Destroys the set on every path out of the function that made it. The destruction keeps
// the thread's last error, so a failure code read after the set is gone is the failing
// call's own.
class CDeviceInfoSet {
public:
    explicit CDeviceInfoSet(HDEVINFO handle) : handle(handle) {}
    ~CDeviceInfoSet() {
        if (IsValid()) {
            const DWORD error = GetLastError();
            SetupDiDestroyDeviceInfoList(handle);
            SetLastError(error);
        }
    }
    CDeviceInfoSet(const CDeviceInfoSet&) = delete;
    CDeviceInfoSet& operator=(const CDeviceInfoSet&) = delete;

    bool IsValid() const { return handle != INVALID_HANDLE_VALUE && handle != nullptr; }
    HDEVINFO Get() const { return handle; }

private:
    HDEVINFO handle;
};

// The strings of a REG_MULTI_SZ block of size bytes, walked only within those bytes; a
// block without its closing terminators still ends at its size.
std::vector<std::string> SplitMultiString(const char* block, std::size_t size);

// The device's hardware IDs in their order; empty when the property cannot be read.
std::vector<std::string> ReadHardwareIds(HDEVINFO set, SP_DEVINFO_DATA& device);

// Hardware IDs compare without regard to letter case, multi-byte characters included.
bool SameHardwareId(const std::string& left, const std::string& right);

} // namespace SINSTPNP
