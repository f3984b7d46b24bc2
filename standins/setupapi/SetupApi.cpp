// Stand-in setupapi.dll for the device tests: Wine's own builds no class driver list, kills
// the process in SetupDiSetSelectedDriverA and cannot rescan the device tree. This one does
// those parts and passes every other call to Wine's setupapi.dll from the system folder, so
// device information, registry properties and removal stay Wine's own.
//
// Loaded only for a program under test that has it beside itself (WINEDLLOVERRIDES
// "setupapi=n,b"), with Wine's own beside it as winesetupapi.dll; see TestSwitches below for what a
// test can steer.
#define _SETUPAPI_ // this module defines the functions it exports
#include <windows.h>
#include <setupapi.h>
#include <string>
#include <vector>

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

// HKLM\SOFTWARE\Morvisk\TestSwitches\SetupApi
//   "FailInstalls"   REG_SZ   one character per coming DIF_INSTALLDEVICE: '1' fails it with
//                             "InstallError" (REG_DWORD, default ERROR_GEN_FAILURE), '0'
//                             lets it succeed; each call takes its character off the front
//   "FailRemovals"   REG_SZ   the same for every coming DIF_REMOVE (ERROR_ACCESS_DENIED)
//   "NeedReboot"     REG_DWORD non-zero: every successful install or removal asks for a
//                             restart (DI_NEEDREBOOT)
//   "LocateResult"   REG_DWORD what CM_Locate_DevNodeA answers (default CR_SUCCESS)
//   "Reenumerations" REG_DWORD counted up by every CM_Reenumerate_DevNode
const char kSwitchesKey[] = "SOFTWARE\\Morvisk\\TestSwitches\\SetupApi";

class CSwitches {
public:
    CSwitches() {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSwitchesKey, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            key = nullptr;
        }
    }
    ~CSwitches() {
        if (key != nullptr) {
            RegCloseKey(key);
        }
    }
    CSwitches(const CSwitches&) = delete;
    CSwitches& operator=(const CSwitches&) = delete;

    DWORD Dword(const char* name, DWORD otherwise) const {
        DWORD value = 0;
        DWORD size = sizeof(value);
        DWORD type = 0;
        if (key == nullptr ||
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD) {
            return otherwise;
        }
        return value;
    }
    void SetDword(const char* name, DWORD value) {
        if (key != nullptr) {
            RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof(value));
        }
    }
    // Takes the first character of a REG_SZ value off; '\0' when there is none.
    char TakeFirst(const char* name) {
        char text[256] = {};
        DWORD size = sizeof(text) - 1;
        if (key == nullptr ||
            RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) !=
                ERROR_SUCCESS ||
            text[0] == '\0') {
            return '\0';
        }
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text + 1),
                       static_cast<DWORD>(strlen(text + 1) + 1));
        return text[0];
    }

private:
    HKEY key = nullptr;
};

// Wine's setupapi.dll, copied beside this module as winesetupapi.dll: under its own name it
// would be the module that a lookup of "SetupApi.Dll" by name finds.
FARPROC Real(const char* name) {
    static HMODULE module = [] {
        char path[MAX_PATH] = {};
        const DWORD length =
            GetModuleFileNameA(reinterpret_cast<HMODULE>(&__ImageBase), path, MAX_PATH);
        char* slash = strrchr(path, '\\');
        if (length == 0 || length >= MAX_PATH - 20 || slash == nullptr) {
            return static_cast<HMODULE>(nullptr);
        }
        lstrcpyA(slash + 1, "winesetupapi.dll");
        return LoadLibraryA(path);
    }();
    return module != nullptr ? GetProcAddress(module, name) : nullptr;
}

template <class Function> Function RealAs(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(Real(name)));
}

// The class driver of a device: the INF's first model, read when the list is built.
struct CDriver {
    HDEVINFO set;
    DWORD devInst;
    std::string description;
    std::string manufacturer;
    std::string provider;
    std::string hardwareId;
    bool selected;
};
std::vector<CDriver> drivers;

CDriver* FindDriver(HDEVINFO set, const SP_DEVINFO_DATA* device) {
    for (CDriver& driver : drivers) {
        if (driver.set == set && device != nullptr && driver.devInst == device->DevInst) {
            return &driver;
        }
    }
    return nullptr;
}

std::string Field(INFCONTEXT& context, DWORD index) {
    char text[512] = {};
    using GetField = BOOL(WINAPI*)(PINFCONTEXT, DWORD, PSTR, DWORD, PDWORD);
    if (!RealAs<GetField>("SetupGetStringFieldA")(&context, index, text, sizeof(text), nullptr)) {
        return {};
    }
    return text;
}

// The first model of the INF's first manufacturer.
bool ReadFirstModel(const char* infPath, CDriver& driver) {
    using Open = HINF(WINAPI*)(PCSTR, PCSTR, DWORD, PUINT);
    using FindFirst = BOOL(WINAPI*)(HINF, PCSTR, PCSTR, PINFCONTEXT);
    using Close = void(WINAPI*)(HINF);
    const HINF inf = RealAs<Open>("SetupOpenInfFileA")(infPath, nullptr, INF_STYLE_WIN4, nullptr);
    if (inf == INVALID_HANDLE_VALUE) {
        return false;
    }
    const auto findFirst = RealAs<FindFirst>("SetupFindFirstLineA");
    INFCONTEXT line = {};
    bool found = false;
    if (findFirst(inf, "Manufacturer", nullptr, &line)) {
        driver.manufacturer = Field(line, 0);
        const std::string models = Field(line, 1);
        if (findFirst(inf, models.c_str(), nullptr, &line)) {
            driver.description = Field(line, 0);
            driver.hardwareId = Field(line, 2);
            found = !driver.hardwareId.empty();
        }
    }
    if (findFirst(inf, "Version", "Provider", &line)) {
        driver.provider = Field(line, 1);
    }
    RealAs<Close>("SetupCloseInfFile")(inf);
    return found;
}

// Devices whose removal asked for a restart. Wine keeps no install parameters for a removed
// device; Windows still answers with them, DI_NEEDREBOOT included.
struct CRemoved {
    HDEVINFO set;
    DWORD devInst;
};
std::vector<CRemoved> removedWithReboot;

bool RemovedWithReboot(HDEVINFO set, const SP_DEVINFO_DATA* device) {
    for (const CRemoved& removed : removedWithReboot) {
        if (removed.set == set && device != nullptr && removed.devInst == device->DevInst) {
            return true;
        }
    }
    return false;
}

void AskForReboot(HDEVINFO set, SP_DEVINFO_DATA* device) {
    SP_DEVINSTALL_PARAMS_A params = {};
    params.cbSize = sizeof(params);
    if (SetupDiGetDeviceInstallParamsA(set, device, &params)) {
        params.Flags |= DI_NEEDREBOOT;
        SetupDiSetDeviceInstallParamsA(set, device, &params);
    }
}

// What DIF_INSTALLDEVICE does to a root device here: it gets the model's hardware ID.
BOOL InstallSelectedDriver(HDEVINFO set, SP_DEVINFO_DATA* device, const CDriver& driver) {
    CSwitches switches;
    if (switches.TakeFirst("FailInstalls") == '1') {
        SetLastError(switches.Dword("InstallError", ERROR_GEN_FAILURE));
        return FALSE;
    }
    std::string ids = driver.hardwareId;
    ids.append(2, '\0');
    if (!SetupDiSetDeviceRegistryPropertyA(set, device, SPDRP_HARDWAREID,
                                           reinterpret_cast<const BYTE*>(ids.data()),
                                           static_cast<DWORD>(ids.size()))) {
        return FALSE;
    }
    if (switches.Dword("NeedReboot", 0) != 0) {
        AskForReboot(set, device);
    }
    return TRUE;
}

} // namespace

#define FORWARD(result, name, parameters, arguments)                                               \
    extern "C" result WINAPI name parameters {                                                     \
        using Function = result(WINAPI*) parameters;                                               \
        static const Function real = RealAs<Function>(#name);                                      \
        return real arguments;                                                                     \
    }

FORWARD(BOOL, SetupDiClassGuidsFromNameA, (PCSTR n, LPGUID g, DWORD s, PDWORD r), (n, g, s, r))
FORWARD(BOOL, SetupDiCreateDeviceInfoA,
        (HDEVINFO l, PCSTR n, CONST GUID* g, PCSTR d, HWND w, DWORD f, PSP_DEVINFO_DATA o),
        (l, n, g, d, w, f, o))
FORWARD(HDEVINFO, SetupDiCreateDeviceInfoList, (CONST GUID * g, HWND w), (g, w))
FORWARD(BOOL, SetupDiEnumDeviceInfo, (HDEVINFO l, DWORD i, PSP_DEVINFO_DATA d), (l, i, d))
FORWARD(HDEVINFO, SetupDiGetClassDevsA, (CONST GUID * g, PCSTR e, HWND w, DWORD f), (g, e, w, f))
FORWARD(BOOL, SetupDiGetDeviceInstanceIdA,
        (HDEVINFO l, PSP_DEVINFO_DATA d, PSTR b, DWORD s, PDWORD r), (l, d, b, s, r))
FORWARD(BOOL, SetupDiGetDeviceRegistryPropertyA,
        (HDEVINFO l, PSP_DEVINFO_DATA d, DWORD p, PDWORD t, PBYTE b, DWORD s, PDWORD r),
        (l, d, p, t, b, s, r))
FORWARD(BOOL, SetupDiGetINFClassA, (PCSTR i, LPGUID g, PSTR n, DWORD s, PDWORD r), (i, g, n, s, r))
FORWARD(BOOL, SetupDiRegisterDeviceInfo,
        (HDEVINFO l, PSP_DEVINFO_DATA d, DWORD f, PSP_DETSIG_CMPPROC c, PVOID x,
         PSP_DEVINFO_DATA o),
        (l, d, f, c, x, o))
FORWARD(BOOL, SetupDiSetDeviceInstallParamsA,
        (HDEVINFO l, PSP_DEVINFO_DATA d, PSP_DEVINSTALL_PARAMS_A p), (l, d, p))
FORWARD(BOOL, SetupDiSetDeviceRegistryPropertyA,
        (HDEVINFO l, PSP_DEVINFO_DATA d, DWORD p, CONST BYTE* b, DWORD s), (l, d, p, b, s))
FORWARD(BOOL, SetupDiSetSelectedDevice, (HDEVINFO l, PSP_DEVINFO_DATA d), (l, d))

extern "C" BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set) {
    for (auto it = drivers.begin(); it != drivers.end();) {
        it = it->set == set ? drivers.erase(it) : it + 1;
    }
    for (auto it = removedWithReboot.begin(); it != removedWithReboot.end();) {
        it = it->set == set ? removedWithReboot.erase(it) : it + 1;
    }
    using Function = BOOL(WINAPI*)(HDEVINFO);
    return RealAs<Function>("SetupDiDestroyDeviceInfoList")(set);
}

extern "C" BOOL WINAPI SetupDiGetDeviceInstallParamsA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                                      PSP_DEVINSTALL_PARAMS_A params) {
    using Function = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, PSP_DEVINSTALL_PARAMS_A);
    const BOOL read = RealAs<Function>("SetupDiGetDeviceInstallParamsA")(set, device, params);
    if (params == nullptr || params->cbSize != sizeof(*params) || !RemovedWithReboot(set, device)) {
        return read;
    }
    if (!read) {
        *params = SP_DEVINSTALL_PARAMS_A();
        params->cbSize = sizeof(*params);
    }
    params->Flags |= DI_NEEDREBOOT;
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiBuildDriverInfoList(HDEVINFO set, PSP_DEVINFO_DATA device,
                                                  DWORD type) {
    SP_DEVINSTALL_PARAMS_A params = {};
    params.cbSize = sizeof(params);
    if (type != SPDIT_CLASSDRIVER || device == nullptr ||
        !SetupDiGetDeviceInstallParamsA(set, device, &params) ||
        (params.Flags & DI_ENUMSINGLEINF) == 0) {
        using Function = BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD);
        return RealAs<Function>("SetupDiBuildDriverInfoList")(set, device, type);
    }
    CDriver driver = {set, device->DevInst, {}, {}, {}, {}, false};
    if (!ReadFirstModel(params.DriverPath, driver)) {
        SetLastError(ERROR_INVALID_INF_LOGCONFIG);
        return FALSE;
    }
    if (CDriver* const known = FindDriver(set, device)) {
        *known = driver;
    } else {
        drivers.push_back(driver);
    }
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiEnumDriverInfoA(HDEVINFO set, PSP_DEVINFO_DATA device, DWORD type,
                                              DWORD index, PSP_DRVINFO_DATA_A data) {
    const CDriver* const driver = FindDriver(set, device);
    if (type != SPDIT_CLASSDRIVER || driver == nullptr) {
        using Function =
            BOOL(WINAPI*)(HDEVINFO, PSP_DEVINFO_DATA, DWORD, DWORD, PSP_DRVINFO_DATA_A);
        return RealAs<Function>("SetupDiEnumDriverInfoA")(set, device, type, index, data);
    }
    if (index != 0) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return FALSE;
    }
    if (data == nullptr || data->cbSize != sizeof(SP_DRVINFO_DATA_A)) {
        SetLastError(ERROR_INVALID_USER_BUFFER);
        return FALSE;
    }
    data->DriverType = SPDIT_CLASSDRIVER;
    lstrcpynA(data->Description, driver->description.c_str(), LINE_LEN);
    lstrcpynA(data->MfgName, driver->manufacturer.c_str(), LINE_LEN);
    lstrcpynA(data->ProviderName, driver->provider.c_str(), LINE_LEN);
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiSetSelectedDriverA(HDEVINFO set, PSP_DEVINFO_DATA device,
                                                 PSP_DRVINFO_DATA_A data) {
    CDriver* const driver = FindDriver(set, device);
    if (driver == nullptr || data == nullptr || data->DriverType != SPDIT_CLASSDRIVER) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    driver->selected = true;
    return TRUE;
}

extern "C" BOOL WINAPI SetupDiCallClassInstaller(DI_FUNCTION function, HDEVINFO set,
                                                 PSP_DEVINFO_DATA device) {
    const CDriver* const driver = FindDriver(set, device);
    if (function == DIF_INSTALLDEVICE && driver != nullptr && driver->selected) {
        return InstallSelectedDriver(set, device, *driver);
    }
    if (function == DIF_REMOVE && CSwitches().TakeFirst("FailRemovals") == '1') {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    using Function = BOOL(WINAPI*)(DI_FUNCTION, HDEVINFO, PSP_DEVINFO_DATA);
    const BOOL done = RealAs<Function>("SetupDiCallClassInstaller")(function, set, device);
    if (done && function == DIF_REMOVE && device != nullptr &&
        CSwitches().Dword("NeedReboot", 0) != 0) {
        removedWithReboot.push_back({set, device->DevInst});
    }
    return done;
}

extern "C" DWORD WINAPI CM_Locate_DevNodeA(PDWORD devInst, PSTR deviceId, ULONG flags) {
    if (devInst == nullptr || deviceId != nullptr || flags != 0) {
        return 0x1F; // CR_INVALID_DATA: only the root is asked for
    }
    *devInst = 1;
    return CSwitches().Dword("LocateResult", 0);
}

extern "C" DWORD WINAPI CM_Reenumerate_DevNode(DWORD devInst, ULONG) {
    CSwitches switches;
    if (devInst != 1) {
        return 0x05; // CR_INVALID_DEVNODE
    }
    switches.SetDword("Reenumerations", switches.Dword("Reenumerations", 0) + 1);
    return 0;
}
