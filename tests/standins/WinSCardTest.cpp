// The stand-in winscard.dll on the machine: a card type and a reader in the registry database
// as Windows keeps it, and a failure switch.
#include <doctest/doctest.h>

#include <windows.h>
#include <winscard.h>

#include <string>

namespace {

const char kCalais[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\";
const BYTE kTokenAtr[19] = {0x3B, 0x6F, 0x00, 0xFF, 0x00, 0x56, 0x7A, 0x65, 0x6E, 0x54,
                            0x61, 0x76, 0x73, 0x30, 0x20, 0x00, 0x00, 0x90, 0x00};

class Key {
public:
    Key(const std::string& path, bool create) {
        const std::string full = kCalais + path;
        const LONG result =
            create ? RegCreateKeyExA(HKEY_LOCAL_MACHINE, full.c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, &key, nullptr)
                   : RegOpenKeyExA(HKEY_LOCAL_MACHINE, full.c_str(), 0, KEY_ALL_ACCESS, &key);
        if (result != ERROR_SUCCESS) {
            key = nullptr;
        }
    }
    ~Key() {
        if (key != nullptr) {
            RegCloseKey(key);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    bool Exists() const { return key != nullptr; }
    std::string Binary(const char* name) const {
        char data[64];
        DWORD type = 0, size = sizeof data;
        const bool read = key != nullptr &&
                          RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                           &size) == ERROR_SUCCESS;
        return read && type == REG_BINARY ? std::string(data, size) : std::string();
    }

private:
    HKEY key = nullptr;
};

class Context {
public:
    Context() : result(SCardEstablishContext(SCARD_SCOPE_SYSTEM, nullptr, nullptr, &handle)) {}
    ~Context() {
        if (result == SCARD_S_SUCCESS) {
            SCardReleaseContext(handle);
        }
    }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;
    SCARDCONTEXT handle = 0;
    const LONG result;
};

// The readers as one string of names separated by NULs, through SCARD_AUTOALLOCATE.
std::string Readers(SCARDCONTEXT context, LONG* result) {
    LPSTR names = nullptr;
    DWORD length = SCARD_AUTOALLOCATE;
    *result = SCardListReadersA(context, nullptr, reinterpret_cast<LPSTR>(&names), &length);
    if (*result != SCARD_S_SUCCESS) {
        return "";
    }
    const std::string list(names, length);
    CHECK(SCardFreeMemory(context, names) == SCARD_S_SUCCESS);
    return list;
}

} // namespace

TEST_CASE("a card type and a reader in the database, and a failure switch") {
    const Context context;
    REQUIRE(context.result == SCARD_S_SUCCESS);

    CHECK(SCardIntroduceCardTypeA(context.handle, "zenTavo", nullptr, nullptr, 0, kTokenAtr,
                                  nullptr, sizeof kTokenAtr) == SCARD_S_SUCCESS);
    CHECK(Key("SmartCards\\zenTavo", false).Binary("ATR") ==
          std::string(reinterpret_cast<const char*>(kTokenAtr), sizeof kTokenAtr));
    CHECK(SCardForgetCardTypeA(context.handle, "zenTavo") == SCARD_S_SUCCESS);
    CHECK_FALSE(Key("SmartCards\\zenTavo", false).Exists());

    LONG result = 0;
    REQUIRE(Key("Readers\\Norvane Co. zenTavo 0", true).Exists());
    CHECK(Readers(context.handle, &result) == std::string("Norvane Co. zenTavo 0\0\0", 23));
    CHECK(SCardForgetReaderA(context.handle, "Norvane Co. zenTavo 0") == SCARD_S_SUCCESS);
    Readers(context.handle, &result);
    CHECK(result == static_cast<LONG>(SCARD_E_NO_READERS_AVAILABLE));

    // The next call of a switched function fails with the given code.
    {
        const DWORD noService = static_cast<DWORD>(SCARD_E_NO_SERVICE);
        HKEY fail = nullptr;
        REQUIRE(RegCreateKeyExA(HKEY_LOCAL_MACHINE,
                                "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard\\Fail", 0, nullptr, 0,
                                KEY_ALL_ACCESS, nullptr, &fail, nullptr) == ERROR_SUCCESS);
        RegSetValueExA(fail, "SCardEstablishContext", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&noService), sizeof noService);
        const Context refused;
        CHECK(refused.result == static_cast<LONG>(SCARD_E_NO_SERVICE));
        RegDeleteValueA(fail, "SCardEstablishContext");
        RegCloseKey(fail);
    }
    const Context again;
    CHECK(again.result == SCARD_S_SUCCESS);
}
