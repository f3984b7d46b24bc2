#include "TestSwitches.h"

#include "RegistryKey.h"

#include <string>

namespace WINSCARD_STANDIN {

namespace {
const char kSwitchesKey[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard";
}

bool TakeNoServiceTurn() {
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kSwitchesKey, KEY_QUERY_VALUE | KEY_SET_VALUE) !=
        ERROR_SUCCESS)
        return false;
    DWORD remaining = 0;
    if (!key.ReadDword("NoServiceCount", &remaining) || remaining == 0)
        return false;
    key.WriteDword("NoServiceCount", remaining - 1);
    return true;
}

bool ForcedResult(const char* function, LONG* result) {
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, std::string(kSwitchesKey) + "\\Fail", KEY_QUERY_VALUE) !=
        ERROR_SUCCESS)
        return false;
    DWORD code = 0;
    if (!key.ReadDword(function, &code))
        return false;
    *result = static_cast<LONG>(code);
    return true;
}

void CountCall(const char* function) {
    CRegistryKey switches;
    if (switches.Open(HKEY_LOCAL_MACHINE, kSwitchesKey, KEY_CREATE_SUB_KEY) != ERROR_SUCCESS)
        return;
    CRegistryKey key;
    if (key.Create(switches.Get(), "Calls", nullptr) != ERROR_SUCCESS)
        return;
    DWORD calls = 0;
    key.ReadDword(function, &calls);
    key.WriteDword(function, calls + 1);
}

} // namespace WINSCARD_STANDIN
