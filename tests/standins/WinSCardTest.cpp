// The stand-in winscard.dll on the machine: contexts, card types and readers in both scopes
// over the registry database, the reader-list buffer protocol, and the failure switches.
#include <doctest/doctest.h>

#include <windows.h>
#include <winscard.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char kCards[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards";
const char kReaders[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers";
const char kSwitches[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard";

// The token's ATR: TB1 and TC1, fifteen historical bytes, no TCK.
const BYTE kTokenAtr[19] = {0x3B, 0x6F, 0x00, 0xFF, 0x00, 0x56, 0x7A, 0x65, 0x6E, 0x54,
                            0x61, 0x76, 0x73, 0x30, 0x20, 0x00, 0x00, 0x90, 0x00};

class Key {
public:
    Key(HKEY root, const std::string& path, bool create) {
        const LONG result = create ? RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0,
                                                     KEY_ALL_ACCESS, nullptr, &key_, nullptr)
                                   : RegOpenKeyExA(root, path.c_str(), 0, KEY_ALL_ACCESS, &key_);
        if (result != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key() {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    bool Exists() const { return key_ != nullptr; }
    std::vector<BYTE> Binary(const char* name) const {
        DWORD type = 0, size = 0;
        if (!key_ ||
            RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != REG_BINARY)
            return {};
        std::vector<BYTE> data(size);
        RegQueryValueExA(key_, name, nullptr, &type, data.data(), &size);
        return data;
    }
    DWORD Dword(const char* name, DWORD missing) const {
        DWORD type = 0, value = 0, size = sizeof(value);
        if (!key_ ||
            RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
                ERROR_SUCCESS ||
            type != REG_DWORD)
            return missing;
        return value;
    }
    void SetDword(const char* name, DWORD value) const {
        RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                       sizeof(value));
    }
    void SetMultiString(const char* name, const std::string& value) const {
        RegSetValueExA(key_, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(value.data()),
                       static_cast<DWORD>(value.size()));
    }
    void DeleteValue(const char* name) const { RegDeleteValueA(key_, name); }

private:
    HKEY key_ = nullptr;
};

HKEY RootOf(DWORD scope) {
    return scope == SCARD_SCOPE_SYSTEM ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

bool CardKeyExists(DWORD scope, const std::string& name) {
    return Key(RootOf(scope), std::string(kCards) + "\\" + name, false).Exists();
}

void AddReader(HKEY root, const std::string& name, const char* groups = nullptr,
               size_t groupsLength = 0) {
    Key reader(root, std::string(kReaders) + "\\" + name, true);
    REQUIRE(reader.Exists());
    if (groups)
        reader.SetMultiString("Group", std::string(groups, groupsLength));
}

struct Context {
    explicit Context(DWORD scope) {
        result = SCardEstablishContext(scope, nullptr, nullptr, &handle);
    }
    ~Context() {
        if (result == SCARD_S_SUCCESS)
            SCardReleaseContext(handle);
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    LONG result = 0;
    SCARDCONTEXT handle = 0;
};

// The reader list through the two-call protocol; the result code goes to result.
std::vector<std::string> ListReaders(SCARDCONTEXT context, const char* groups, LONG* result) {
    DWORD length = 0;
    *result = SCardListReadersA(context, groups, nullptr, &length);
    if (*result != SCARD_S_SUCCESS)
        return {};
    std::string buffer(length, '\x7f');
    *result = SCardListReadersA(context, groups, &buffer[0], &length);
    if (*result != SCARD_S_SUCCESS)
        return {};
    CHECK(length == buffer.size());
    CHECK(buffer.back() == '\0');
    std::vector<std::string> names;
    for (const char* p = buffer.c_str(); *p; p += lstrlenA(p) + 1)
        names.emplace_back(p);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_CASE("contexts: scopes, handles and release") {
    Context user(SCARD_SCOPE_USER);
    Context system(SCARD_SCOPE_SYSTEM);
    REQUIRE(user.result == SCARD_S_SUCCESS);
    REQUIRE(system.result == SCARD_S_SUCCESS);
    CHECK(user.handle != 0);
    CHECK(system.handle != 0);
    CHECK(user.handle != system.handle);
    CHECK(SCardIsValidContext(user.handle) == SCARD_S_SUCCESS);

    SCARDCONTEXT bad = 99;
    CHECK(SCardEstablishContext(SCARD_SCOPE_TERMINAL, nullptr, nullptr, &bad) ==
          static_cast<LONG>(SCARD_E_INVALID_VALUE));
    CHECK(bad == 0);
    CHECK(SCardEstablishContext(7, nullptr, nullptr, &bad) ==
          static_cast<LONG>(SCARD_E_INVALID_VALUE));
    CHECK(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, nullptr) ==
          static_cast<LONG>(SCARD_E_INVALID_PARAMETER));

    SCARDCONTEXT released = 0;
    REQUIRE(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &released) ==
            SCARD_S_SUCCESS);
    CHECK(SCardReleaseContext(released) == SCARD_S_SUCCESS);
    CHECK(SCardReleaseContext(released) == ERROR_INVALID_HANDLE);
    CHECK(SCardIsValidContext(released) == ERROR_INVALID_HANDLE);
    CHECK(SCardReleaseContext(0) == ERROR_INVALID_HANDLE);
    CHECK(SCardIntroduceCardTypeA(released, "zenTavo", nullptr, nullptr, 0, kTokenAtr, nullptr,
                                  sizeof(kTokenAtr)) == ERROR_INVALID_HANDLE);
    CHECK(SCardIntroduceCardTypeA(0, "zenTavo", nullptr, nullptr, 0, kTokenAtr, nullptr,
                                  sizeof(kTokenAtr)) == ERROR_INVALID_HANDLE);
    CHECK(SCardForgetCardTypeA(0, "zenTavo") == ERROR_INVALID_HANDLE);
    CHECK(SCardForgetReaderA(released, "any") == ERROR_INVALID_HANDLE);
    CHECK_FALSE(CardKeyExists(SCARD_SCOPE_SYSTEM, "zenTavo"));
    // Without the switches key the stand-in writes nothing outside its database.
    CHECK_FALSE(Key(HKEY_LOCAL_MACHINE, kSwitches, false).Exists());
}

TEST_CASE("card types are introduced and forgotten in the context's own scope") {
    for (const DWORD scope : {DWORD(SCARD_SCOPE_SYSTEM), DWORD(SCARD_SCOPE_USER)}) {
        const DWORD other = scope == SCARD_SCOPE_SYSTEM ? SCARD_SCOPE_USER : SCARD_SCOPE_SYSTEM;
        CAPTURE(scope);
        Context context(scope);
        REQUIRE(context.result == SCARD_S_SUCCESS);

        CHECK(SCardIntroduceCardTypeA(context.handle, "zenTavo", nullptr, nullptr, 0, kTokenAtr,
                                      nullptr, sizeof(kTokenAtr)) == SCARD_S_SUCCESS);
        {
            Key card(RootOf(scope), std::string(kCards) + "\\zenTavo", false);
            REQUIRE(card.Exists());
            CHECK(card.Binary("ATR") ==
                  std::vector<BYTE>(kTokenAtr, kTokenAtr + sizeof(kTokenAtr)));
            CHECK(card.Binary("ATRMask").empty());
            CHECK(card.Binary("Primary Provider").empty());
        }
        CHECK_FALSE(CardKeyExists(other, "zenTavo"));

        // The same name again: Windows' answer for an existing card type.
        CHECK(SCardIntroduceCardTypeA(context.handle, "zenTavo", nullptr, nullptr, 0, kTokenAtr,
                                      nullptr, sizeof(kTokenAtr)) == ERROR_ALREADY_EXISTS);

        // The other scope does not know it.
        Context otherContext(other);
        CHECK(SCardForgetCardTypeA(otherContext.handle, "zenTavo") ==
              static_cast<LONG>(SCARD_E_UNKNOWN_CARD));
        CHECK(CardKeyExists(scope, "zenTavo"));

        CHECK(SCardForgetCardTypeA(context.handle, "zenTavo") == SCARD_S_SUCCESS);
        CHECK_FALSE(CardKeyExists(scope, "zenTavo"));
        CHECK(SCardForgetCardTypeA(context.handle, "zenTavo") ==
              static_cast<LONG>(SCARD_E_UNKNOWN_CARD));
    }
}

TEST_CASE("card type values: mask, provider, interfaces, ATR length by its structure") {
    Context context(SCARD_SCOPE_SYSTEM);
    REQUIRE(context.result == SCARD_S_SUCCESS);
    const GUID provider = {0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
    const GUID interfaces[2] = {{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}},
                                {0xA, 0xB, 0xC, {0xD, 0xE, 0xF, 0x10, 0x11, 0x12, 0x13, 0x14}}};
    BYTE mask[sizeof(kTokenAtr)];
    FillMemory(mask, sizeof(mask), 0xFF);
    mask[3] = 0x00;

    SUBCASE("all values") {
        REQUIRE(SCardIntroduceCardTypeA(context.handle, "Full Card", &provider, interfaces, 2,
                                        kTokenAtr, mask, sizeof(kTokenAtr)) == SCARD_S_SUCCESS);
        Key card(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\Full Card", false);
        CHECK(card.Binary("ATRMask") == std::vector<BYTE>(mask, mask + sizeof(mask)));
        const auto* providerBytes = reinterpret_cast<const BYTE*>(&provider);
        CHECK(card.Binary("Primary Provider") ==
              std::vector<BYTE>(providerBytes, providerBytes + sizeof(GUID)));
        CHECK(card.Binary("Supported Interfaces").size() == 2 * sizeof(GUID));
        CHECK(SCardForgetCardTypeA(context.handle, "Full Card") == SCARD_S_SUCCESS);
    }
    SUBCASE("length 0: the token's ATR has 19 bytes") {
        REQUIRE(SCardIntroduceCardTypeA(context.handle, "Parsed", nullptr, nullptr, 0, kTokenAtr,
                                        nullptr, 0) == SCARD_S_SUCCESS);
        CHECK(
            Key(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\Parsed", false).Binary("ATR").size() ==
            19);
        CHECK(SCardForgetCardTypeA(context.handle, "Parsed") == SCARD_S_SUCCESS);
    }
    SUBCASE("length 0: a T=1 ATR with two indicator bytes and a check byte") {
        const BYTE atr[] = {0x3B, 0x88, 0x80, 0x01, 1, 2, 3, 4, 5, 6, 7, 8, 0x55, 0xEE, 0xEE};
        REQUIRE(SCardIntroduceCardTypeA(context.handle, "T1", nullptr, nullptr, 0, atr, nullptr,
                                        0) == SCARD_S_SUCCESS);
        CHECK(Key(HKEY_LOCAL_MACHINE, std::string(kCards) + "\\T1", false).Binary("ATR") ==
              std::vector<BYTE>(atr, atr + 13));
        CHECK(SCardForgetCardTypeA(context.handle, "T1") == SCARD_S_SUCCESS);
    }
    SUBCASE("bad arguments change nothing") {
        const LONG invalid = static_cast<LONG>(SCARD_E_INVALID_PARAMETER);
        CHECK(SCardIntroduceCardTypeA(context.handle, "NoAtr", nullptr, nullptr, 0, nullptr,
                                      nullptr, 19) == invalid);
        CHECK(SCardIntroduceCardTypeA(context.handle, "Long", nullptr, nullptr, 0, kTokenAtr,
                                      nullptr, 37) == invalid);
        CHECK(SCardIntroduceCardTypeA(context.handle, "Bad\\Name", nullptr, nullptr, 0, kTokenAtr,
                                      nullptr, 19) == invalid);
        CHECK(SCardIntroduceCardTypeA(context.handle, "", nullptr, nullptr, 0, kTokenAtr, nullptr,
                                      19) == invalid);
        CHECK(SCardIntroduceCardTypeA(context.handle, "NoInterfaces", nullptr, nullptr, 2,
                                      kTokenAtr, nullptr, 19) == invalid);
        CHECK(SCardForgetCardTypeA(context.handle, nullptr) == invalid);
        CHECK_FALSE(CardKeyExists(SCARD_SCOPE_SYSTEM, "NoAtr"));
        CHECK_FALSE(CardKeyExists(SCARD_SCOPE_SYSTEM, "Long"));
        CHECK_FALSE(CardKeyExists(SCARD_SCOPE_SYSTEM, "Bad"));
        CHECK_FALSE(CardKeyExists(SCARD_SCOPE_SYSTEM, "NoInterfaces"));
    }
}

TEST_CASE("readers: listing by scope and group, the buffer protocol, forgetting") {
    Context system(SCARD_SCOPE_SYSTEM);
    Context user(SCARD_SCOPE_USER);
    REQUIRE(system.result == SCARD_S_SUCCESS);
    REQUIRE(user.result == SCARD_S_SUCCESS);
    const LONG noReaders = static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE);
    LONG result = 0;

    // A fresh machine has none.
    DWORD length = 1234;
    CHECK(SCardListReadersA(system.handle, nullptr, nullptr, &length) == noReaders);
    CHECK(SCardListReadersA(user.handle, nullptr, nullptr, &length) == noReaders);

    AddReader(HKEY_LOCAL_MACHINE, "Norvane Co. zenTavo 0");
    AddReader(HKEY_LOCAL_MACHINE, "Norvane Co. zenTavo 1", "SCard$DefaultReaders\0", 22);
    AddReader(HKEY_LOCAL_MACHINE, "Other Maker Reader 0");
    AddReader(HKEY_LOCAL_MACHINE, "Lab Reader", "Lab$Readers\0Bench$Readers\0", 27);
    AddReader(HKEY_CURRENT_USER, "User Reader 0");
    AddReader(HKEY_CURRENT_USER, "Norvane Co. zenTavo 0");

    const std::vector<std::string> systemReaders = Sorted(
        {"Lab Reader", "Norvane Co. zenTavo 0", "Norvane Co. zenTavo 1", "Other Maker Reader 0"});
    CHECK(ListReaders(system.handle, nullptr, &result) == systemReaders);
    CHECK(result == SCARD_S_SUCCESS);
    // User scope: the user's readers and the system's, each name once.
    const std::vector<std::string> allReaders =
        Sorted({"Lab Reader", "Norvane Co. zenTavo 0", "Norvane Co. zenTavo 1",
                "Other Maker Reader 0", "User Reader 0"});
    CHECK(ListReaders(user.handle, nullptr, &result) == allReaders);
    CHECK(ListReaders(0, nullptr, &result) == allReaders);

    SUBCASE("groups") {
        CHECK(ListReaders(system.handle, "SCard$AllReaders\0", &result) == systemReaders);
        CHECK(ListReaders(system.handle, "SCard$DefaultReaders\0", &result) ==
              Sorted({"Norvane Co. zenTavo 0", "Norvane Co. zenTavo 1", "Other Maker Reader 0"}));
        CHECK(ListReaders(system.handle, "bench$readers\0", &result) ==
              std::vector<std::string>{"Lab Reader"});
        CHECK(ListReaders(system.handle, "No$Such\0Bench$Readers\0", &result) ==
              std::vector<std::string>{"Lab Reader"});
        ListReaders(system.handle, "No$Such\0", &result);
        CHECK(result == noReaders);
    }
    SUBCASE("buffer protocol") {
        DWORD needed = 0;
        REQUIRE(SCardListReadersA(system.handle, "Lab$Readers\0", nullptr, &needed) ==
                SCARD_S_SUCCESS);
        CHECK(needed == sizeof("Lab Reader") + 1);
        char small[5];
        DWORD smallLength = sizeof(small);
        CHECK(SCardListReadersA(system.handle, "Lab$Readers\0", small, &smallLength) ==
              static_cast<LONG>(SCARD_E_INSUFFICIENT_BUFFER));
        CHECK(smallLength == needed);
        CHECK(SCardListReadersA(system.handle, nullptr, nullptr, nullptr) ==
              static_cast<LONG>(SCARD_E_INVALID_PARAMETER));
        CHECK(SCardListReadersA(0x5A5A, nullptr, nullptr, &needed) == ERROR_INVALID_HANDLE);

        LPSTR allocated = nullptr;
        DWORD autoLength = SCARD_AUTOALLOCATE;
        REQUIRE(SCardListReadersA(system.handle, "Lab$Readers\0",
                                  reinterpret_cast<LPSTR>(&allocated),
                                  &autoLength) == SCARD_S_SUCCESS);
        REQUIRE(allocated != nullptr);
        CHECK(autoLength == needed);
        CHECK(std::string(allocated, autoLength) == std::string("Lab Reader\0\0", 12));
        CHECK(SCardFreeMemory(system.handle, allocated) == SCARD_S_SUCCESS);
        // A second free is refused rather than corrupting the heap.
        CHECK(SCardFreeMemory(system.handle, allocated) ==
              static_cast<LONG>(SCARD_E_INVALID_PARAMETER));
    }
    SUBCASE("forgetting") {
        const LONG unknown = static_cast<LONG>(SCARD_E_UNKNOWN_READER);
        // The user scope forgets only the user's readers.
        CHECK(SCardForgetReaderA(user.handle, "Other Maker Reader 0") == unknown);
        CHECK(Key(HKEY_LOCAL_MACHINE, std::string(kReaders) + "\\Other Maker Reader 0", false)
                  .Exists());
        CHECK(SCardForgetReaderA(user.handle, "Norvane Co. zenTavo 0") == SCARD_S_SUCCESS);
        CHECK_FALSE(Key(HKEY_CURRENT_USER, std::string(kReaders) + "\\Norvane Co. zenTavo 0", false)
                        .Exists());
        CHECK(Key(HKEY_LOCAL_MACHINE, std::string(kReaders) + "\\Norvane Co. zenTavo 0", false)
                  .Exists());

        CHECK(SCardForgetReaderA(system.handle, "Norvane Co. zenTavo 0") == SCARD_S_SUCCESS);
        CHECK(SCardForgetReaderA(system.handle, "Norvane Co. zenTavo 1") == SCARD_S_SUCCESS);
        CHECK(SCardForgetReaderA(system.handle, "Norvane Co. zenTavo 1") == unknown);
        CHECK(ListReaders(system.handle, nullptr, &result) ==
              Sorted({"Lab Reader", "Other Maker Reader 0"}));
        CHECK(SCardForgetReaderA(system.handle, "Lab Reader") == SCARD_S_SUCCESS);
        CHECK(SCardForgetReaderA(system.handle, "Other Maker Reader 0") == SCARD_S_SUCCESS);
        CHECK(SCardForgetReaderA(user.handle, "User Reader 0") == SCARD_S_SUCCESS);
        length = 0;
        CHECK(SCardListReadersA(user.handle, nullptr, nullptr, &length) == noReaders);
    }
    // Each subcase starts again from the readers above.
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        for (const char* name : {"Norvane Co. zenTavo 0", "Norvane Co. zenTavo 1",
                                 "Other Maker Reader 0", "Lab Reader", "User Reader 0"})
            RegDeleteKeyA(root, (std::string(kReaders) + "\\" + name).c_str());
    }
}

TEST_CASE("switches: no service for n calls, a named call failing, call counts") {
    Key switches(HKEY_LOCAL_MACHINE, kSwitches, true);
    REQUIRE(switches.Exists());
    const LONG noService = static_cast<LONG>(SCARD_E_NO_SERVICE);

    SUBCASE("SCardEstablishContext answers SCARD_E_NO_SERVICE the next n times") {
        switches.SetDword("NoServiceCount", 2);
        SCARDCONTEXT context = 77;
        CHECK(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) == noService);
        CHECK(context == 0);
        CHECK(switches.Dword("NoServiceCount", 99) == 1);
        CHECK(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &context) == noService);
        CHECK(switches.Dword("NoServiceCount", 99) == 0);
        REQUIRE(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &context) ==
                SCARD_S_SUCCESS);
        CHECK(SCardReleaseContext(context) == SCARD_S_SUCCESS);
        switches.DeleteValue("NoServiceCount");
    }
    SUBCASE("a named call fails with the given code until the switch goes") {
        Context context(SCARD_SCOPE_SYSTEM);
        REQUIRE(context.result == SCARD_S_SUCCESS);
        REQUIRE(SCardIntroduceCardTypeA(context.handle, "zenTavo", nullptr, nullptr, 0, kTokenAtr,
                                        nullptr, sizeof(kTokenAtr)) == SCARD_S_SUCCESS);
        Key fail(HKEY_LOCAL_MACHINE, std::string(kSwitches) + "\\Fail", true);
        fail.SetDword("SCardForgetCardTypeA", 0x80100001);
        CHECK(SCardForgetCardTypeA(context.handle, "zenTavo") == static_cast<LONG>(0x80100001));
        CHECK(CardKeyExists(SCARD_SCOPE_SYSTEM, "zenTavo"));
        fail.SetDword("SCardEstablishContext", ERROR_ACCESS_DENIED);
        SCARDCONTEXT denied = 0;
        CHECK(SCardEstablishContext(SCARD_SCOPE_USER, nullptr, nullptr, &denied) ==
              ERROR_ACCESS_DENIED);
        fail.DeleteValue("SCardEstablishContext");
        fail.DeleteValue("SCardForgetCardTypeA");
        CHECK(SCardForgetCardTypeA(context.handle, "zenTavo") == SCARD_S_SUCCESS);
        CHECK_FALSE(CardKeyExists(SCARD_SCOPE_SYSTEM, "zenTavo"));
    }
    SUBCASE("every call is counted") {
        Key calls(HKEY_LOCAL_MACHINE, std::string(kSwitches) + "\\Calls", true);
        const DWORD before = calls.Dword("SCardEstablishContext", 0);
        {
            Context context(SCARD_SCOPE_USER);
            Context another(SCARD_SCOPE_SYSTEM);
        }
        CHECK(calls.Dword("SCardEstablishContext", 0) == before + 2);
    }
}
