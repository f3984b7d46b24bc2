// Linked only into the fault-sweep build of the program: the import pointers (__imp_NAME) of
// the system calls through which the product changes or reads the machine point here, at
// wrappers that number every call and make the calls numbered in MORVISK_FAIL_AT (one number,
// or several joined by commas; NAME@N stands for the Nth call of the function NAME) fail the
// way the real function fails (its failure result and last error). Every other call goes on
// to the real function. Functions the product looks up at run time (the smart-card resource
// manager, the NT family's Setup API, service manager and pending renames) are caught in
// GetProcAddress, which hands out the same wrappers. When MORVISK_FAULT_TRACE names a file,
// each call is written to it as "number name caller", so that a sweep can tell the call
// sites apart. MORVISK_FAULT_PLANT=restores proves that the sweep sees a rollback that puts
// nothing back: after the first failed call, file copies and value writes report success and
// do nothing. MORVISK_CUT_AT=N ends the process at once when call N is about to be made, as
// a power loss would: no rollback, no clean-up, exit code 99 (a code the program never
// returns itself).
#include "os/ImportPointer.h"
#include <windows.h>
#include <cfgmgr32.h>
#include <setupapi.h>
#include <winscard.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <type_traits>

namespace {

struct CSite {
    const char* dll;
    const char* name;
    // What the real function returns and leaves as last error when it fails.
    intptr_t failure;
    DWORD error;
    // The planted fault makes this call report success (0 or TRUE, by its result type).
    bool skippable;
};

class CFaultPlan {
public:
    // Whether this call is one to fail; writes the trace line first.
    bool Next(const CSite& site, const void* caller) {
        if (!started) {
            Start();
        }
        ++count;
        if (trace != nullptr) {
            std::fprintf(trace, "%lu %s %p\n", count, site.name, caller);
            std::fflush(trace);
        }
        if (count == cutAt) {
            TerminateProcess(GetCurrentProcess(), cutExitCode);
        }
        bool fails = failName[0] != '\0' && std::strcmp(site.name, failName) == 0 &&
                     ++nameCount == failNameAt;
        for (unsigned i = 0; i < failCount; ++i) {
            fails = fails || failAt[i] == count;
        }
        failed = failed || fails;
        return fails;
    }

    // Whether the planted fault skips this call: a restoring write after the first failure.
    bool Skipped(const CSite& site) const { return planted && failed && site.skippable; }

private:
    static constexpr UINT cutExitCode = 99;

    void Start() {
        started = true;
        char text[96] = "";
        if (GetEnvironmentVariableA("MORVISK_FAIL_AT", text, sizeof text) > 0) {
            for (char* token = std::strtok(text, ","); token != nullptr && failCount < maxFailures;
                 token = std::strtok(nullptr, ",")) {
                if (std::strchr(token, '@') == nullptr) {
                    failAt[failCount++] = std::strtoul(token, nullptr, 10);
                } else if (std::sscanf(token, "%47[^@]@%lu", failName, &failNameAt) != 2) {
                    failName[0] = '\0';
                }
            }
        }
        planted = GetEnvironmentVariableA("MORVISK_FAULT_PLANT", text, sizeof text) > 0 &&
                  std::strcmp(text, "restores") == 0;
        if (GetEnvironmentVariableA("MORVISK_CUT_AT", text, sizeof text) > 0) {
            cutAt = std::strtoul(text, nullptr, 10);
        }
        char path[MAX_PATH] = "";
        if (GetEnvironmentVariableA("MORVISK_FAULT_TRACE", path, sizeof path) > 0) {
            trace = std::fopen(path, "w");
        }
    }

    static constexpr unsigned maxFailures = 4;
    bool started = false;
    bool planted = false;
    bool failed = false;
    unsigned long failAt[maxFailures] = {};
    unsigned failCount = 0;
    char failName[48] = "";
    unsigned long failNameAt = 0;
    unsigned long nameCount = 0;
    unsigned long cutAt = 0;
    unsigned long count = 0;
    FILE* trace = nullptr;
};

CFaultPlan plan;

// The import of GetProcAddress is this file's wrapper: the real lookup goes through ntdll.
struct CAnsiString {
    USHORT length;
    USHORT maximumLength;
    const char* buffer;
};
extern "C" LONG WINAPI LdrGetProcedureAddress(HMODULE, const CAnsiString*, ULONG, void**);

FARPROC RealGetProcAddress(HMODULE module, const char* name) {
    void* function = nullptr;
    if (IS_INTRESOURCE(name)) {
        return LdrGetProcedureAddress(module, nullptr,
                                      static_cast<ULONG>(reinterpret_cast<uintptr_t>(name)),
                                      &function) == 0
                   ? reinterpret_cast<FARPROC>(function)
                   : nullptr;
    }
    const auto length = static_cast<USHORT>(std::strlen(name));
    const CAnsiString text = {length, static_cast<USHORT>(length + 1), name};
    if (LdrGetProcedureAddress(module, &text, 0, &function) != 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<FARPROC>(function);
}

FARPROC RealFunction(const CSite& site) {
    HMODULE module = GetModuleHandleA(site.dll);
    if (module == nullptr) {
        module = LoadLibraryA(site.dll);
    }
    FARPROC function = module != nullptr ? RealGetProcAddress(module, site.name) : nullptr;
    if (function == nullptr) {
        // No way to go on as the product would: say which and stop.
        std::fprintf(stderr, "fault build: %s!%s not found\n", site.dll, site.name);
        std::abort();
    }
    return function;
}

template <typename R> R FailureResult(intptr_t value) {
    if constexpr (std::is_pointer_v<R>) {
        return reinterpret_cast<R>(value);
    } else {
        return static_cast<R>(value);
    }
}

template <typename F> struct CWrapper;

template <typename R, typename... A> struct CWrapper<R(WINAPI*)(A...)> {
    using Function = R(WINAPI*)(A...);

    template <const CSite& site> static R WINAPI Call(A... arguments) {
        static Function real = nullptr;
        if (plan.Next(site, __builtin_return_address(0))) {
            SetLastError(site.error);
            return FailureResult<R>(site.failure);
        }
        if (plan.Skipped(site)) {
            return FailureResult<R>(std::is_same_v<R, BOOL> ? TRUE : ERROR_SUCCESS);
        }
        if (real == nullptr) {
            // Through void(*)(): the generic FARPROC is no function type of its own.
            real = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(RealFunction(site)));
        }
        return real(arguments...);
    }
};

// The writes a rollback puts files and values back with.
constexpr bool Restores(const char* name) {
    return std::string_view(name) == "CopyFileA" || std::string_view(name) == "RegSetValueExA" ||
           std::string_view(name) == "RegSetValueExW";
}

} // namespace

// Headers that declare a function without dllimport make the product call the import
// library's jump stub, which would bring the library's own pointer along: these functions
// get a stub here, jumping through the pointer below.
#ifdef _WIN64
#define STUB_SYMBOL(name, bytes) #name
#define STUB_JUMP(name, bytes) "jmp *__imp_" #name "(%rip)"
#else
#define STUB_SYMBOL(name, bytes) "_" #name "@" #bytes
#define STUB_JUMP(name, bytes) "jmp *__imp__" #name "@" #bytes
#endif
#define JUMP_STUB(name, bytes)                                                                     \
    extern "C" __attribute__((naked)) void stub_##name() __asm__(STUB_SYMBOL(name, bytes));        \
    void stub_##name() {                                                                           \
        __asm__(STUB_JUMP(name, bytes));                                                           \
    }

// FAULT(dll, function, argument bytes, failure result, last error); STUBBED_FAULT the same
// for a function declared without dllimport; SITE for one that is only looked up at run time.
#define SITE(dll, name, failure, error)                                                            \
    namespace {                                                                                    \
    const CSite site_##name = {dll, #name, (intptr_t)(failure), error, Restores(#name)};           \
    }
#define FAULT(dll, name, bytes, failure, error)                                                    \
    SITE(dll, name, failure, error)                                                                \
    extern "C" decltype(&name) const import_##name __asm__(IMPORT_POINTER(name, bytes));           \
    extern "C" decltype(&name) const import_##name = CWrapper<decltype(&name)>::Call<site_##name>;
#define STUBBED_FAULT(dll, name, bytes, failure, error)                                            \
    FAULT(dll, name, bytes, failure, error)                                                        \
    JUMP_STUB(name, bytes)

// Files and folders.
FAULT("kernel32.dll", CopyFileA, 12, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", CreateDirectoryA, 8, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", CreateFileA, 28, INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", DeleteFileA, 4, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", MoveFileA, 8, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", MoveFileExA, 12, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", RemoveDirectoryA, 4, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", SetFileAttributesA, 8, FALSE, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", GetFileAttributesA, 4, INVALID_FILE_ATTRIBUTES, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", WriteFile, 20, FALSE, ERROR_DISK_FULL)
FAULT("kernel32.dll", SetEndOfFile, 4, FALSE, ERROR_DISK_FULL)
FAULT("kernel32.dll", GetTempFileNameA, 16, 0, ERROR_ACCESS_DENIED)
FAULT("kernel32.dll", FindFirstFileA, 8, INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED)
// Child processes (RegSvr32, the service's own registration).
FAULT("kernel32.dll", CreateProcessA, 40, FALSE, ERROR_NOT_ENOUGH_MEMORY)
FAULT("kernel32.dll", GetExitCodeProcess, 8, FALSE, ERROR_INVALID_HANDLE)
// Versions of the package's and the machine's files.
STUBBED_FAULT("version.dll", GetFileVersionInfoSizeA, 8, 0, ERROR_ACCESS_DENIED)
STUBBED_FAULT("version.dll", GetFileVersionInfoA, 16, FALSE, ERROR_ACCESS_DENIED)
// Registry.
FAULT("advapi32.dll", RegCreateKeyExA, 36, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", RegOpenKeyExA, 20, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", RegSetValueExA, 24, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", RegQueryValueExA, 24, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", RegDeleteKeyA, 8, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", RegDeleteValueA, 8, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", RegEnumKeyExA, 32, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
// Service manager.
FAULT("advapi32.dll", OpenSCManagerA, 12, nullptr, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", OpenServiceA, 12, nullptr, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", StartServiceA, 12, FALSE, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", ControlService, 12, FALSE, ERROR_ACCESS_DENIED)
FAULT("advapi32.dll", QueryServiceStatus, 8, FALSE, ERROR_ACCESS_DENIED)
// Device installer (the NT family's drivers).
FAULT("setupapi.dll", SetupDiGetClassDevsA, 16, INVALID_HANDLE_VALUE, ERROR_NOT_ENOUGH_MEMORY)
FAULT("setupapi.dll", SetupDiCallClassInstaller, 12, FALSE, ERROR_ACCESS_DENIED)
FAULT("setupapi.dll", SetupDiGetINFClassA, 20, FALSE, ERROR_FILE_NOT_FOUND)
// Looked up at run time: the smart-card resource manager, the NT family's device installer,
// service manager and pending renames.
SITE("winscard.dll", SCardEstablishContext, SCARD_E_NO_SERVICE, 0)
SITE("winscard.dll", SCardListReadersA, SCARD_E_NO_SERVICE, 0)
SITE("winscard.dll", SCardIntroduceCardTypeA, SCARD_E_NO_SERVICE, 0)
SITE("winscard.dll", SCardForgetCardTypeA, SCARD_E_NO_SERVICE, 0)
SITE("winscard.dll", SCardForgetReaderA, SCARD_E_NO_SERVICE, 0)
SITE("setupapi.dll", SetupDiCreateDeviceInfoList, INVALID_HANDLE_VALUE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiCreateDeviceInfoA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiRegisterDeviceInfo, FALSE, ERROR_ACCESS_DENIED)
SITE("setupapi.dll", SetupDiGetDeviceInstallParamsA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiSetDeviceInstallParamsA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiBuildDriverInfoList, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiEnumDriverInfoA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiSetSelectedDriverA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiEnumDeviceInfo, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiGetDeviceRegistryPropertyA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", SetupDiClassGuidsFromNameA, FALSE, ERROR_NOT_ENOUGH_MEMORY)
SITE("setupapi.dll", CM_Locate_DevNodeA, CR_FAILURE, 0)
SITE("setupapi.dll", CM_Reenumerate_DevNode, CR_FAILURE, 0)
SITE("advapi32.dll", ChangeServiceConfigA, FALSE, ERROR_ACCESS_DENIED)
SITE("advapi32.dll", CreateServiceA, nullptr, ERROR_ACCESS_DENIED)
SITE("advapi32.dll", DeleteService, FALSE, ERROR_ACCESS_DENIED)
SITE("advapi32.dll", RegQueryValueExW, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)
SITE("advapi32.dll", RegSetValueExW, ERROR_ACCESS_DENIED, ERROR_ACCESS_DENIED)

namespace {

struct CLookedUp {
    const char* name;
    FARPROC wrapper;
};

template <typename F, const CSite& site> FARPROC LookedUpWrapper() {
    return reinterpret_cast<FARPROC>(
        reinterpret_cast<void (*)()>(CWrapper<F>::template Call<site>));
}

// clang-format off
#define LOOKED_UP(name) {#name, LookedUpWrapper<decltype(&name), site_##name>()}
// clang-format on
const CLookedUp lookedUp[] = {
    LOOKED_UP(SCardEstablishContext),
    LOOKED_UP(SCardListReadersA),
    LOOKED_UP(SCardIntroduceCardTypeA),
    LOOKED_UP(SCardForgetCardTypeA),
    LOOKED_UP(SCardForgetReaderA),
    LOOKED_UP(SetupDiGetINFClassA),
    LOOKED_UP(SetupDiCreateDeviceInfoList),
    LOOKED_UP(SetupDiCreateDeviceInfoA),
    LOOKED_UP(SetupDiRegisterDeviceInfo),
    LOOKED_UP(SetupDiGetDeviceInstallParamsA),
    LOOKED_UP(SetupDiSetDeviceInstallParamsA),
    LOOKED_UP(SetupDiBuildDriverInfoList),
    LOOKED_UP(SetupDiEnumDriverInfoA),
    LOOKED_UP(SetupDiSetSelectedDriverA),
    LOOKED_UP(SetupDiCallClassInstaller),
    LOOKED_UP(SetupDiGetClassDevsA),
    LOOKED_UP(SetupDiEnumDeviceInfo),
    LOOKED_UP(SetupDiGetDeviceRegistryPropertyA),
    LOOKED_UP(SetupDiClassGuidsFromNameA),
    LOOKED_UP(CM_Locate_DevNodeA),
    LOOKED_UP(CM_Reenumerate_DevNode),
    LOOKED_UP(OpenSCManagerA),
    LOOKED_UP(OpenServiceA),
    LOOKED_UP(StartServiceA),
    LOOKED_UP(ControlService),
    LOOKED_UP(QueryServiceStatus),
    LOOKED_UP(ChangeServiceConfigA),
    LOOKED_UP(CreateServiceA),
    LOOKED_UP(DeleteService),
    LOOKED_UP(RegQueryValueExW),
    LOOKED_UP(RegSetValueExW),
};

FARPROC WINAPI FaultGetProcAddress(HMODULE module, LPCSTR name) {
    const FARPROC function = RealGetProcAddress(module, name);
    if (function == nullptr || IS_INTRESOURCE(name)) {
        return function;
    }
    // Until the table is filled in (the start-up code's own lookups) every lookup passes.
    for (const CLookedUp& entry : lookedUp) {
        if (entry.name != nullptr && std::strcmp(entry.name, name) == 0) {
            return entry.wrapper;
        }
    }
    return function;
}

} // namespace

extern "C" decltype(&GetProcAddress)
    const import_GetProcAddress __asm__(IMPORT_POINTER(GetProcAddress, 8));
extern "C" decltype(&GetProcAddress) const import_GetProcAddress = FaultGetProcAddress;
