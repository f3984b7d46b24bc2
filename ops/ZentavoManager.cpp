// The token manager's resource manager calls and the smart-card service start.
#include "ops/ZentavoManager.h"
#include "os/ExplicitCall.h"
#include <cstring>
#include <new>
#include <utility>

namespace SZentavoManager {

using SEXCPT::CZentavoManExcpt;

namespace {

// The resource manager of a freshly started service needs a moment before it answers.
const int kNoServiceRetries = 30;
const DWORD kNoServiceWaitMs = 1000;

// Service manager calls, resolved at run time so that the program still loads where they
// are missing; only the NT family uses them.
class CServiceApi {
public:
    using OpenSCManagerFn = SC_HANDLE(WINAPI*)(LPCSTR, LPCSTR, DWORD);
    using OpenServiceFn = SC_HANDLE(WINAPI*)(SC_HANDLE, LPCSTR, DWORD);
    using StartServiceFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPCSTR*);
    using CloseServiceHandleFn = BOOL(WINAPI*)(SC_HANDLE);
    using ChangeServiceConfigFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, DWORD, DWORD, LPCSTR, LPCSTR,
                                                LPDWORD, LPCSTR, LPCSTR, LPCSTR, LPCSTR);

    // Throws the explicit-call exceptions when the library or a function is missing.
    CServiceApi()
        : openSCManager(library.GetProcAs<OpenSCManagerFn>("OpenSCManagerA")),
          openService(library.GetProcAs<OpenServiceFn>("OpenServiceA")),
          startService(library.GetProcAs<StartServiceFn>("StartServiceA")),
          closeServiceHandle(library.GetProcAs<CloseServiceHandleFn>("CloseServiceHandle")),
          changeServiceConfig(library.GetProcAs<ChangeServiceConfigFn>("ChangeServiceConfigA")) {}

private:
    // Declared before the functions: it must be loaded before they are resolved.
    SEXPL_CALL::CLibrary library{"advapi32.dll"};

public:
    const OpenSCManagerFn openSCManager;
    const OpenServiceFn openService;
    const StartServiceFn startService;
    const CloseServiceHandleFn closeServiceHandle;
    const ChangeServiceConfigFn changeServiceConfig;
};

// A service or service manager handle, closed with the object.
class CServiceHandle {
public:
    CServiceHandle(const CServiceApi& api, SC_HANDLE handle) : api(api), handle(handle) {}
    ~CServiceHandle() {
        if (handle != nullptr) {
            api.closeServiceHandle(handle);
        }
    }
    CServiceHandle(const CServiceHandle&) = delete;
    CServiceHandle& operator=(const CServiceHandle&) = delete;

    SC_HANDLE Get() const { return handle; }

private:
    const CServiceApi& api;
    const SC_HANDLE handle;
};

} // namespace

bool EnsureSmartCardServiceRunning() {
    try {
        const CServiceApi api;
        const CServiceHandle manager(api,
                                     api.openSCManager(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        if (manager.Get() == nullptr) {
            return false;
        }
        const CServiceHandle service(
            api, api.openService(manager.Get(), "SCardSvr", SERVICE_CHANGE_CONFIG | SERVICE_START));
        if (service.Get() == nullptr) {
            return false;
        }
        const bool running = api.startService(service.Get(), 0, nullptr) != FALSE ||
                             GetLastError() == ERROR_SERVICE_ALREADY_RUNNING;
        // Keeps the resource manager available after the next start of the system too;
        // whether that works does not change the answer.
        api.changeServiceConfig(service.Get(), SERVICE_NO_CHANGE, SERVICE_AUTO_START,
                                SERVICE_NO_CHANGE, nullptr, nullptr, nullptr, nullptr, nullptr,
                                nullptr, nullptr);
        return running;
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
        return false;
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
        return false;
    }
}

CWinSCardApi::CWinSCardApi() : library("winscard.dll") {
    Resolve(EstablishContext, "SCardEstablishContext");
    Resolve(ReleaseContext, "SCardReleaseContext");
    Resolve(IntroduceCardType, "SCardIntroduceCardTypeA");
    Resolve(ForgetCardType, "SCardForgetCardTypeA");
    Resolve(ListReaders, "SCardListReadersA");
    Resolve(ForgetReader, "SCardForgetReaderA");
}

const CWinSCardApi& CWinSCardApi::Get() {
    static const CWinSCardApi api;
    return api;
}

template <class Function> void CWinSCardApi::Resolve(Function& function, const char* name) {
    if (lookupError != ERROR_SUCCESS) {
        return;
    }
    try {
        function = library.GetProcAs<Function>(name);
    } catch (const SEXPL_CALL::CLibNotFoundException& failure) {
        lookupError =
            failure.GetError() != ERROR_SUCCESS ? failure.GetError() : ERROR_MOD_NOT_FOUND;
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
        lookupError = ERROR_PROC_NOT_FOUND;
    }
}

bool CWinSCardApi::IsLoaded() const {
    if (lookupError != ERROR_SUCCESS) {
        SetLastError(lookupError);
        return false;
    }
    return true;
}

CZentavoManager::CZentavoManager(CVariationPointPtr variationPoint, bool systemScope)
    : variationPoint(std::move(variationPoint)), systemScope(systemScope) {}

CZentavoManager::~CZentavoManager() {
    if (context != 0) {
        api.ReleaseContext(context);
    }
}

SCARDCONTEXT CZentavoManager::EstablishContext() {
    if (context != 0) {
        return context;
    }
    if (!api.IsLoaded()) {
        return 0;
    }
    const bool nt = IsNT();
    if (nt) {
        EnsureSmartCardServiceRunning();
    }
    const DWORD scope = systemScope ? SCARD_SCOPE_SYSTEM : SCARD_SCOPE_USER;
    LONG result = api.EstablishContext(scope, nullptr, nullptr, &context);
    for (int retry = 0;
         nt && result == static_cast<LONG>(SCARD_E_NO_SERVICE) && retry < kNoServiceRetries;
         ++retry) {
        result = api.EstablishContext(scope, nullptr, nullptr, &context);
        if (result == static_cast<LONG>(SCARD_E_NO_SERVICE)) {
            Sleep(kNoServiceWaitMs);
        }
    }
    if (result != SCARD_S_SUCCESS) {
        context = 0;
        SetLastError(static_cast<DWORD>(result));
    }
    return context;
}

bool CZentavoManager::IntroduceCardType() {
    if (EstablishContext() == 0) {
        throw CZentavoManExcpt(GetLastError(), CZentavoManExcpt::KindNoContext);
    }
    SetLastError(ERROR_SUCCESS);
    const std::vector<BYTE> atr = variationPoint->GetATR();
    if (atr.empty()) {
        // Without an ATR the resource manager would refuse the card type anyway.
        const DWORD reason = GetLastError();
        throw CZentavoManExcpt(reason != ERROR_SUCCESS ? reason : ERROR_RESOURCE_DATA_NOT_FOUND,
                               CZentavoManExcpt::KindIntroduceCardType);
    }
    const std::string name = variationPoint->GetCardName();
    const LONG result = api.IntroduceCardType(context, name.c_str(), nullptr, nullptr, 0,
                                              atr.data(), nullptr, static_cast<DWORD>(atr.size()));
    if (result != SCARD_S_SUCCESS && result != ERROR_ALREADY_EXISTS) {
        throw CZentavoManExcpt(static_cast<DWORD>(result), CZentavoManExcpt::KindIntroduceCardType);
    }
    return result == SCARD_S_SUCCESS;
}

void CZentavoManager::ForgetCardType() {
    // Without a context the calls below fail and say so; without the functions there are none.
    if (EstablishContext() == 0 && !api.IsLoaded()) {
        throw CZentavoManExcpt(GetLastError(), CZentavoManExcpt::KindNoContext);
    }
    try {
        ForgetTokenReaders(context);
    } catch (const CZentavoManExcpt&) {
        // No reader list means no token reader to forget; the card type still goes.
    }
    const std::string name = variationPoint->GetCardName();
    const LONG result = api.ForgetCardType(context, name.c_str());
    if (result != SCARD_S_SUCCESS) {
        throw CZentavoManExcpt(static_cast<DWORD>(result), CZentavoManExcpt::KindForgetCardType);
    }
}

LONG CZentavoManager::ListReaders(std::vector<std::string>& list, const char* prefix) {
    if (EstablishContext() == 0 && !api.IsLoaded()) {
        return static_cast<LONG>(GetLastError());
    }
    DWORD length = 0;
    LONG result = api.ListReaders(context, nullptr, nullptr, &length);
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    // Two spare zeros end the multi-string even when the answer is not terminated.
    std::vector<char> buffer;
    try {
        buffer.assign(static_cast<std::size_t>(length) + 2, '\0');
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    DWORD filled = length;
    result = api.ListReaders(context, nullptr, buffer.data(), &filled);
    if (result != SCARD_S_SUCCESS) {
        return result;
    }
    const std::size_t end = filled < length ? filled : length;
    buffer[end] = '\0';
    buffer[end + 1] = '\0';
    const std::size_t prefixLength = prefix != nullptr ? std::strlen(prefix) : 0;
    for (std::size_t at = 0; at < end && buffer[at] != '\0';) {
        const char* const name = &buffer[at];
        const std::size_t nameLength = std::strlen(name);
        if (prefix == nullptr ||
            (nameLength >= prefixLength && std::memcmp(name, prefix, prefixLength) == 0)) {
            list.emplace_back(name, nameLength);
        }
        at += nameLength + 1;
    }
    return SCARD_S_SUCCESS;
}

void CZentavoManager::ForgetTokenReaders(SCARDCONTEXT readerContext) {
    const std::string prefix = variationPoint->GetReaderNamePrefix();
    if (prefix.empty()) {
        // An empty prefix would match every reader, other makers' too.
        return;
    }
    std::vector<std::string> readers;
    const LONG result = ListReaders(readers, prefix.c_str());
    if (result != SCARD_S_SUCCESS) {
        throw CZentavoManExcpt(static_cast<DWORD>(result), CZentavoManExcpt::KindListReaders);
    }
    for (const std::string& reader : readers) {
        // A reader that cannot be forgotten stays; the others still go.
        api.ForgetReader(readerContext, reader.c_str());
    }
}

} // namespace SZentavoManager
