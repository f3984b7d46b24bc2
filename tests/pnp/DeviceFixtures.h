#pragma once
// Devices of the sample INFs' classes made and counted straight through the Setup API, and
// the stand-in's switches. The INFs lie beside the test program.
#include "tests/ops/RegistryTestKeys.h"
#include <windows.h>
#include <setupapi.h>
#include <cstdio>
#include <string>

namespace pnptest {

const char kReaderInf[] = "C:\\TEST\\zvIFDH.inf"; // class SmartCardReader, model *ZV0001
const char kReaderId[] = "*ZV0001";

inline GUID InfClass(const char* inf, char (*name)[64] = nullptr) {
    GUID guid = {};
    char own[64] = {};
    SetupDiGetINFClassA(inf, &guid, name ? *name : own, sizeof(own), nullptr);
    return guid;
}

// The class key that a real system gets with the class's first device, and by which class
// names are found; a fresh Wine prefix has none for these classes.
inline bool RegisterClassName(const char* inf) {
    char name[64] = {};
    const GUID guid = InfClass(inf, &name);
    char text[40] = {};
    snprintf(text, sizeof(text), "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
             static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
             guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    const std::string path = std::string("SYSTEM\\CurrentControlSet\\Control\\Class\\") + text;
    opstest::PutValue(HKEY_LOCAL_MACHINE, path, "Class", REG_SZ, opstest::Sz(name));
    return name[0] != 0 && opstest::ReadValue(HKEY_LOCAL_MACHINE, path, "Class").exists;
}

// A registered root device of the INF's class whose hardware-ID property holds these bytes.
inline bool AddDevice(const char* inf, const std::string& hardwareIds) {
    char name[64] = {};
    GUID guid = InfClass(inf, &name);
    const HDEVINFO set = SetupDiCreateDeviceInfoList(&guid, nullptr);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    const bool ok =
        SetupDiCreateDeviceInfoA(set, name, &guid, nullptr, nullptr, DICD_GENERATE_ID, &device) &&
        SetupDiRegisterDeviceInfo(set, &device, 0, nullptr, nullptr, nullptr) &&
        SetupDiSetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID,
                                          reinterpret_cast<const BYTE*>(hardwareIds.data()),
                                          static_cast<DWORD>(hardwareIds.size()));
    SetupDiDestroyDeviceInfoList(set);
    return ok;
}

// The devices of the INF's class whose hardware-ID property starts with firstId, or all of
// the class with "*": e.g. "*ZV0001" matches "*ZV0001\0OTHER\0\0".
inline int CountDevices(const char* inf, const std::string& firstId = "*",
                        bool removeThem = false) {
    const GUID guid = InfClass(inf);
    const HDEVINFO set = SetupDiGetClassDevsA(&guid, nullptr, nullptr, 0);
    SP_DEVINFO_DATA device = {};
    device.cbSize = sizeof(device);
    int count = 0;
    for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        char ids[1024] = {};
        const bool read = SetupDiGetDeviceRegistryPropertyA(set, &device, SPDRP_HARDWAREID, nullptr,
                                                            reinterpret_cast<BYTE*>(ids),
                                                            sizeof(ids) - 2, nullptr);
        if (firstId == "*" || (read && firstId == ids)) {
            ++count;
            if (removeThem) {
                SetupDiCallClassInstaller(DIF_REMOVE, set, &device);
            }
        }
    }
    SetupDiDestroyDeviceInfoList(set);
    return count;
}

inline void RemoveAllDevices(const char* inf) {
    CountDevices(inf, "*", true);
}

// The stand-in setupapi.dll's switches (standins/setupapi/SetupApi.cpp).
const char kSwitches[] = "SOFTWARE\\Morvisk\\TestSwitches\\SetupApi";
inline void SetSwitch(const char* name, DWORD value) {
    opstest::PutValue(HKEY_LOCAL_MACHINE, kSwitches, name, REG_DWORD, opstest::Dword(value));
}
inline void SetSwitch(const char* name, const std::string& text) {
    opstest::PutValue(HKEY_LOCAL_MACHINE, kSwitches, name, REG_SZ, opstest::Sz(text));
}
inline DWORD GetSwitch(const char* name) {
    DWORD value = 0;
    DWORD size = sizeof(value);
    RegGetValueA(HKEY_LOCAL_MACHINE, kSwitches, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

} // namespace pnptest
