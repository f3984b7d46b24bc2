#include "CardDatabase.h"

#include "MultiString.h"
#include "RegistryKey.h"

#include <winscard.h>

namespace WINSCARD_STANDIN {

namespace {
const char kCardsPath[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\";
const char kReadersPath[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers";
const char kAllReaders[] = "SCard$AllReaders";
const char kDefaultReaders[] = "SCard$DefaultReaders";

bool SharesGroup(const std::vector<std::string>& readerGroups,
                 const std::vector<std::string>& wanted) {
    for (const auto& group : readerGroups) {
        for (const auto& name : wanted) {
            if (SameName(group, name))
                return true;
        }
    }
    return false;
}
} // namespace

CCardDatabase::CCardDatabase(DWORD scope) : userScope_(scope == SCARD_SCOPE_USER) {}

LONG CCardDatabase::IntroduceCardType(const char* name, const GUID* primaryProvider,
                                      const GUID* interfaces, DWORD interfaceCount, const BYTE* atr,
                                      const BYTE* atrMask, DWORD atrLength) const {
    if (!IsValidEntryName(name) || !atr || (interfaceCount > 0 && !interfaces))
        return static_cast<LONG>(SCARD_E_INVALID_PARAMETER);
    const DWORD kMaxAtr = 36;
    if (atrLength == 0)
        atrLength = ParsedAtrLength(atr, kMaxAtr);
    if (atrLength < 2 || atrLength > kMaxAtr)
        return static_cast<LONG>(SCARD_E_INVALID_PARAMETER);

    const HKEY root = userScope_ ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
    CRegistryKey existing;
    if (existing.Open(root, std::string(kCardsPath) + name, KEY_QUERY_VALUE) == ERROR_SUCCESS)
        return ERROR_ALREADY_EXISTS;
    CRegistryKey card;
    bool created = false;
    LONG result = card.Create(root, std::string(kCardsPath) + name, &created);
    if (result != ERROR_SUCCESS)
        return result;
    if (!created)
        return ERROR_ALREADY_EXISTS;
    result = card.WriteBinary("ATR", atr, atrLength);
    if (result == ERROR_SUCCESS && atrMask)
        result = card.WriteBinary("ATRMask", atrMask, atrLength);
    if (result == ERROR_SUCCESS && primaryProvider)
        result = card.WriteBinary("Primary Provider", primaryProvider, sizeof(GUID));
    if (result == ERROR_SUCCESS && interfaceCount > 0)
        result = card.WriteBinary("Supported Interfaces", interfaces,
                                  interfaceCount * static_cast<DWORD>(sizeof(GUID)));
    if (result != ERROR_SUCCESS) {
        // No half-written card type stays behind.
        card.Close();
        RegDeleteKeyA(root, (std::string(kCardsPath) + name).c_str());
    }
    return result;
}

LONG CCardDatabase::ForgetCardType(const char* name) const {
    if (!IsValidEntryName(name))
        return static_cast<LONG>(SCARD_E_INVALID_PARAMETER);
    return DeleteEntry(userScope_ ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                       std::string(kCardsPath) + name, static_cast<LONG>(SCARD_E_UNKNOWN_CARD));
}

LONG CCardDatabase::ForgetReader(const char* name) const {
    if (!IsValidEntryName(name))
        return static_cast<LONG>(SCARD_E_INVALID_PARAMETER);
    return DeleteEntry(userScope_ ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE,
                       std::string(kReadersPath) + "\\" + name,
                       static_cast<LONG>(SCARD_E_UNKNOWN_READER));
}

std::vector<std::string> CCardDatabase::ListReaders(const std::vector<std::string>& groups) const {
    std::vector<std::string> readers;
    if (userScope_)
        readers = ReadersUnder(HKEY_CURRENT_USER, groups);
    AppendUnique(&readers, ReadersUnder(HKEY_LOCAL_MACHINE, groups));
    return readers;
}

std::vector<std::string> CCardDatabase::ReadersUnder(HKEY root,
                                                     const std::vector<std::string>& groups) {
    std::vector<std::string> readers;
    CRegistryKey list;
    if (list.Open(root, kReadersPath, KEY_READ) != ERROR_SUCCESS)
        return readers;
    bool allReaders = groups.empty();
    for (const auto& group : groups)
        allReaders = allReaders || SameName(group, kAllReaders);
    for (const auto& name : list.SubkeyNames()) {
        if (allReaders) {
            readers.push_back(name);
            continue;
        }
        std::vector<std::string> readerGroups{kDefaultReaders};
        CRegistryKey reader;
        std::vector<char> raw;
        if (reader.Open(list.Get(), name, KEY_QUERY_VALUE) == ERROR_SUCCESS &&
            reader.ReadRaw("Group", REG_MULTI_SZ, &raw))
            readerGroups = SplitMultiString(raw.data());
        if (SharesGroup(readerGroups, groups))
            readers.push_back(name);
    }
    return readers;
}

LONG CCardDatabase::DeleteEntry(HKEY root, const std::string& path, LONG unknownResult) {
    CRegistryKey entry;
    const LONG opened = entry.Open(root, path, KEY_QUERY_VALUE);
    if (opened == ERROR_FILE_NOT_FOUND)
        return unknownResult;
    if (opened != ERROR_SUCCESS)
        return opened;
    entry.Close();
    return RegDeleteKeyA(root, path.c_str());
}

DWORD ParsedAtrLength(const BYTE* atr, DWORD maximumLength) {
    if (!atr || maximumLength < 2)
        return 0;
    DWORD length = 2; // TS and T0
    const DWORD historical = atr[1] & 0x0F;
    BYTE indicator = atr[1];
    bool checkByte = false;
    for (;;) {
        DWORD interfaceBytes = 0;
        for (int bit = 4; bit < 8; ++bit)
            interfaceBytes += (indicator >> bit) & 1;
        const bool moreIndicators = (indicator & 0x80) != 0;
        if (length + interfaceBytes > maximumLength)
            return 0;
        length += interfaceBytes;
        if (!moreIndicators)
            break;
        // TDi is the last interface byte of this round: protocol and the next indicator.
        indicator = atr[length - 1];
        checkByte = checkByte || (indicator & 0x0F) != 0;
    }
    length += historical + (checkByte ? 1 : 0);
    return length <= maximumLength ? length : 0;
}

bool IsValidEntryName(const char* name) {
    if (!name || !*name)
        return false;
    for (const char* p = name; *p; p = CharNextA(p)) {
        if (*p == '\\')
            return false;
    }
    return true;
}

} // namespace WINSCARD_STANDIN
