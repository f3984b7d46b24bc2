// winscard.dll for the virtual test machine: the smart-card resource manager calls the
// installer makes, over the smart-card database in the registry (CardDatabase.h), with the
// failure switches of TestSwitches.h. Wine's own winscard.dll cannot establish a context and
// lacks SCardIntroduceCardTypeA; the machine loads this one instead (DLL override
// winscard=native,builtin, the DLL in the system folder).
//
// Results follow Windows: an invalid context handle gives ERROR_INVALID_HANDLE (a null one
// too, except for SCardListReadersA, where it means "no particular context"); an existing
// card type ERROR_ALREADY_EXISTS; forgetting an unknown card type or reader
// SCARD_E_UNKNOWN_CARD / SCARD_E_UNKNOWN_READER; a reader list without readers
// SCARD_E_NO_READERS_AVAILABLE, a buffer too small SCARD_E_INSUFFICIENT_BUFFER with the
// length needed.
#include "CardDatabase.h"
#include "ContextTable.h"
#include "MultiString.h"
#include "TestSwitches.h"

#include <windows.h>
#include <winscard.h>
#include <cstring>

using namespace WINSCARD_STANDIN;

namespace {

CContextTable g_contexts;
CMemoryBlocks g_blocks;

LONG Code(HRESULT code) {
    return static_cast<LONG>(code);
}

// Counts the call and tells whether a switch makes it fail.
bool Switched(const char* function, LONG* result) {
    CountCall(function);
    return ForcedResult(function, result);
}

} // namespace

extern "C" {

LONG WINAPI SCardEstablishContext(DWORD dwScope, LPCVOID pvReserved1, LPCVOID pvReserved2,
                                  LPSCARDCONTEXT phContext) {
    (void)pvReserved1;
    (void)pvReserved2;
    CountCall("SCardEstablishContext");
    if (phContext)
        *phContext = 0;
    if (TakeNoServiceTurn())
        return Code(SCARD_E_NO_SERVICE);
    LONG forced = 0;
    if (ForcedResult("SCardEstablishContext", &forced))
        return forced;
    if (!phContext)
        return Code(SCARD_E_INVALID_PARAMETER);
    if (dwScope != SCARD_SCOPE_USER && dwScope != SCARD_SCOPE_SYSTEM)
        return Code(SCARD_E_INVALID_VALUE);
    *phContext = g_contexts.Add(dwScope);
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardReleaseContext(SCARDCONTEXT hContext) {
    LONG forced = 0;
    if (Switched("SCardReleaseContext", &forced))
        return forced;
    return g_contexts.Remove(hContext) ? SCARD_S_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG WINAPI SCardIsValidContext(SCARDCONTEXT hContext) {
    LONG forced = 0;
    if (Switched("SCardIsValidContext", &forced))
        return forced;
    DWORD scope = 0;
    return g_contexts.ScopeOf(hContext, &scope) ? SCARD_S_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG WINAPI SCardIntroduceCardTypeA(SCARDCONTEXT hContext, LPCSTR szCardName,
                                    LPCGUID pguidPrimaryProvider, LPCGUID rgguidInterfaces,
                                    DWORD dwInterfaceCount, LPCBYTE pbAtr, LPCBYTE pbAtrMask,
                                    DWORD cbAtrLen) {
    LONG forced = 0;
    if (Switched("SCardIntroduceCardTypeA", &forced))
        return forced;
    DWORD scope = 0;
    if (!g_contexts.ScopeOf(hContext, &scope))
        return ERROR_INVALID_HANDLE;
    return CCardDatabase(scope).IntroduceCardType(szCardName, pguidPrimaryProvider,
                                                  rgguidInterfaces, dwInterfaceCount, pbAtr,
                                                  pbAtrMask, cbAtrLen);
}

LONG WINAPI SCardForgetCardTypeA(SCARDCONTEXT hContext, LPCSTR szCardName) {
    LONG forced = 0;
    if (Switched("SCardForgetCardTypeA", &forced))
        return forced;
    DWORD scope = 0;
    if (!g_contexts.ScopeOf(hContext, &scope))
        return ERROR_INVALID_HANDLE;
    return CCardDatabase(scope).ForgetCardType(szCardName);
}

LONG WINAPI SCardForgetReaderA(SCARDCONTEXT hContext, LPCSTR szReaderName) {
    LONG forced = 0;
    if (Switched("SCardForgetReaderA", &forced))
        return forced;
    DWORD scope = 0;
    if (!g_contexts.ScopeOf(hContext, &scope))
        return ERROR_INVALID_HANDLE;
    return CCardDatabase(scope).ForgetReader(szReaderName);
}

LONG WINAPI SCardListReadersA(SCARDCONTEXT hContext, LPCSTR mszGroups, LPSTR mszReaders,
                              LPDWORD pcchReaders) {
    LONG forced = 0;
    if (Switched("SCardListReadersA", &forced))
        return forced;
    if (!pcchReaders)
        return Code(SCARD_E_INVALID_PARAMETER);
    // Without a context the search is not limited: the user's readers and the system's.
    DWORD scope = SCARD_SCOPE_USER;
    if (hContext != 0 && !g_contexts.ScopeOf(hContext, &scope))
        return ERROR_INVALID_HANDLE;
    const auto readers = CCardDatabase(scope).ListReaders(SplitMultiString(mszGroups));
    if (readers.empty())
        return Code(SCARD_E_NO_READERS_AVAILABLE);
    const std::string list = JoinMultiString(readers);
    const DWORD length = static_cast<DWORD>(list.size());
    if (!mszReaders) {
        *pcchReaders = length;
        return SCARD_S_SUCCESS;
    }
    if (*pcchReaders == SCARD_AUTOALLOCATE) {
        void* const block = g_blocks.Allocate(length);
        if (!block)
            return Code(SCARD_E_NO_MEMORY);
        std::memcpy(block, list.data(), length);
        *reinterpret_cast<LPSTR*>(mszReaders) = static_cast<LPSTR>(block);
        *pcchReaders = length;
        return SCARD_S_SUCCESS;
    }
    if (*pcchReaders < length) {
        *pcchReaders = length;
        return Code(SCARD_E_INSUFFICIENT_BUFFER);
    }
    std::memcpy(mszReaders, list.data(), length);
    *pcchReaders = length;
    return SCARD_S_SUCCESS;
}

LONG WINAPI SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem) {
    (void)hContext;
    LONG forced = 0;
    if (Switched("SCardFreeMemory", &forced))
        return forced;
    if (!pvMem)
        return SCARD_S_SUCCESS;
    return g_blocks.Free(pvMem) ? SCARD_S_SUCCESS : Code(SCARD_E_INVALID_PARAMETER);
}

} // extern "C"
