#pragma once
// The token manager: the smart-card resource manager calls (context, card type, reader names)
// and the reader devices, for the names and values a variation point supplies.
#include "app/SingletonAutoPointer.h"
#include "os/ExplicitCall.h"
#include "os/OSManager.h"
#include <windows.h>
#include <winscard.h>
#include <memory>
#include <string>
#include <vector>

namespace SZentavoManager {

namespace SEXCPT {

// What the manager raises when a resource manager call fails.
class CZentavoManExcpt {
public:
    enum : DWORD {
        KindNoContext = 2,
        KindIntroduceCardType = 3,
        KindForgetCardType = 4,
        KindListReaders = 5,
    };

    CZentavoManExcpt(DWORD errorCode, DWORD failureKind)
        : errorCode(errorCode), failureKind(failureKind) {}

    DWORD errorCode;   // the system or WinSCard error code
    DWORD failureKind; // one of the kinds above
};

} // namespace SEXCPT

// Which card, readers, driver key, INF and hardware ID the manager works on.
class IManagerVariationPointInterface {
public:
    // The card's ATR; empty when it cannot be had (the reason left as the last error).
    virtual std::vector<BYTE> GetATR() const = 0;
    // The text at the start of every reader name that the reader driver gives its readers.
    virtual std::string GetReaderNamePrefix() const = 0;
    virtual std::string GetCardName() const = 0;
    // Under HKEY_LOCAL_MACHINE.
    virtual std::string GetDriverServiceKey() const = 0;
    // The file name of the reader driver's INF.
    virtual std::string GetReaderInfName() const = 0;
    virtual std::string GetReaderHardwareId() const = 0;
    virtual ~IManagerVariationPointInterface() = default;
};

// The resource manager's functions, looked up by name once for the process: the smart-card
// base components are an optional part of Windows 95 and 98, and a static import of
// WinSCard.dll would keep the program from starting at all where they are missing.
class CWinSCardApi {
public:
    static const CWinSCardApi& Get();
    CWinSCardApi(const CWinSCardApi&) = delete;
    CWinSCardApi& operator=(const CWinSCardApi&) = delete;

    // False when the library or one of the functions is missing; GetLastError() then is the
    // reason the lookup failed.
    bool IsLoaded() const;

    decltype(&::SCardEstablishContext) EstablishContext = nullptr;
    decltype(&::SCardReleaseContext) ReleaseContext = nullptr;
    decltype(&::SCardIntroduceCardTypeA) IntroduceCardType = nullptr;
    decltype(&::SCardForgetCardTypeA) ForgetCardType = nullptr;
    decltype(&::SCardListReadersA) ListReaders = nullptr;
    decltype(&::SCardForgetReaderA) ForgetReader = nullptr;

private:
    CWinSCardApi();
    template <class Function> void Resolve(Function& function, const char* name);

    SEXPL_CALL::CLibrary library;
    DWORD lookupError = ERROR_SUCCESS;
};

// Shared by the operations and the managers they build; the last holder deletes it.
using CVariationPointPtr = std::shared_ptr<IManagerVariationPointInterface>;

// Short-lived: built for one step and dropped at its end. No context is opened until a call
// needs one; the destructor releases it.
class CZentavoManager {
public:
    // systemScope: contexts in SCARD_SCOPE_SYSTEM, else SCARD_SCOPE_USER.
    CZentavoManager(CVariationPointPtr variationPoint, bool systemScope);
    ~CZentavoManager();
    CZentavoManager(const CZentavoManager&) = delete;
    CZentavoManager& operator=(const CZentavoManager&) = delete;

    // The manager's context, opened on first use; 0 with the reason as the last error. On
    // the NT family the smart-card service is started first and a resource manager that is
    // not yet answering is asked again for up to 30 seconds.
    SCARDCONTEXT EstablishContext();
    // Makes the card type known with its ATR alone; an existing one counts as success.
    // True when this call added it, false when it was there already. Throws CZentavoManExcpt.
    bool IntroduceCardType();
    // Forgets the token readers, then the card type. Throws CZentavoManExcpt.
    void ForgetCardType();
    // Appends the reader names that start with prefix (every name for null).
    // 0 or the WinSCard error.
    LONG ListReaders(std::vector<std::string>& list, const char* prefix);
    // Forgets every reader whose name starts with the reader prefix; a reader that cannot be
    // forgotten is skipped. Throws CZentavoManExcpt when the readers cannot be listed.
    void ForgetTokenReaders(SCARDCONTEXT context);

    bool IsSystemScope() const { return systemScope; }

    // Reader devices (NT family) or the driver's "ReadersCount" value (9x family).
    std::string GetReaderInfPath();
    unsigned GetReadersCount();
    // rebootNeeded may be null.
    bool AddReaders(unsigned count, bool* rebootNeeded);
    bool RemoveReaders(unsigned count, bool* rebootNeeded);
    bool SetReadersCount(unsigned count, bool* rebootNeeded);

private:
    bool IsNT() const { return osManager->IsNTPlatform(); }

    const CWinSCardApi& api = CWinSCardApi::Get();
    SCARDCONTEXT context = 0;
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    CVariationPointPtr variationPoint;
    bool systemScope;
};

// NT family: starts the "SCardSvr" service and sets it to start automatically. True when it
// runs now (started or already running).
bool EnsureSmartCardServiceRunning();

} // namespace SZentavoManager
