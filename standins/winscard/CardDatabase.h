// The smart-card database (Calais) of one scope, kept where Windows keeps it:
//   <root>\SOFTWARE\Microsoft\Cryptography\Calais\SmartCards\<card name>
//       "ATR", "ATRMask" (REG_BINARY), "Primary Provider" (REG_BINARY GUID),
//       "Supported Interfaces" (REG_BINARY, GUIDs one after another)
//   <root>\SOFTWARE\Microsoft\Cryptography\Calais\Readers\<reader name>
//       "Group" (REG_MULTI_SZ; a reader without it belongs to "SCard$DefaultReaders")
// with root HKEY_LOCAL_MACHINE for the system scope and HKEY_CURRENT_USER for the user scope.
// Changes touch the context's own scope only; reader lists of the user scope hold the user's
// readers followed by the system's.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

namespace WINSCARD_STANDIN {

class CCardDatabase {
public:
    explicit CCardDatabase(DWORD scope);

    // 0, ERROR_ALREADY_EXISTS for a card name of this scope, or another error code.
    LONG IntroduceCardType(const char* name, const GUID* primaryProvider, const GUID* interfaces,
                           DWORD interfaceCount, const BYTE* atr, const BYTE* atrMask,
                           DWORD atrLength) const;
    // 0, SCARD_E_UNKNOWN_CARD, or another error code.
    LONG ForgetCardType(const char* name) const;
    // 0, SCARD_E_UNKNOWN_READER, or another error code.
    LONG ForgetReader(const char* name) const;
    // Readers in any of the groups (all readers for an empty list or "SCard$AllReaders").
    std::vector<std::string> ListReaders(const std::vector<std::string>& groups) const;

private:
    static std::vector<std::string> ReadersUnder(HKEY root, const std::vector<std::string>& groups);
    static LONG DeleteEntry(HKEY root, const std::string& path, LONG unknownResult);

    const bool userScope_;
};

// The length of an ATR by its structure (TS, T0, interface bytes, historical bytes, TCK);
// 0 when the bytes do not form an ATR of at most the given maximum length.
DWORD ParsedAtrLength(const BYTE* atr, DWORD maximumLength);

// A card or reader name that can be a key name: not empty, no backslash.
bool IsValidEntryName(const char* name);

} // namespace WINSCARD_STANDIN
