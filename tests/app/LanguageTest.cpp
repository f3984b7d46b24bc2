// Strings, resources and OS names of the program's own resources (linked into this test).
#include "app/Language.h"
#include "ui/Resource.h"
#include <doctest/doctest.h>
#include <string>

namespace {

std::string Ansi(const wchar_t* text) {
    char buffer[1024] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, buffer, sizeof(buffer), nullptr, nullptr);
    return buffer;
}

// Restores the current language after a case.
class CLanguageScope {
public:
    explicit CLanguageScope(LANGID lang) : previous(SLANG::SetLanguage(lang)) {}
    ~CLanguageScope() { SLANG::SetLanguage(previous); }

private:
    const LANGID previous;
};

OSVERSIONINFOA Version(DWORD major, DWORD minor) {
    OSVERSIONINFOA version = {};
    version.dwMajorVersion = major;
    version.dwMinorVersion = minor;
    return version;
}

} // namespace

TEST_CASE("English texts of the controller") {
    const std::pair<UINT, const char*> texts[] = {
        {103, "Zentavo drivers setup"},
        {104, "Zentavo drivers have been successfully installed."},
        {105, "Zentavo drivers have been successfully uninstalled."},
        {106, "Installation of Zentavo drivers is failed."},
        {107, "Uninstallation of Zentavo drivers is failed."},
        {110, "Reboot is needed. Reboot right now?"},
        {111, "Reinstall drivers"},
        {113, "Driver is being installed has incorrect version. Installation is terminated."},
        {114, "%s file does not exist. Installation is terminated."},
        {116, "Unable to recognize installed driver version. Deinstallation will be aborted !"},
        {117, "-"},
        {119, "Zentavo Cryptographic Service Provider is installed in system! Drivers "
              "deinstallation by MorviskLt.exe will cause this service provider to fail. Use "
              "Morvisk.exe from full drivers package for correct drivers uninstall."},
        {120, "Number of Zentavo readers have been successfully updated."},
        {121, "This version of Zentavo Drivers designed for Windows 98 and Me only!\nIt's "
              "impossible to continue installation of Zentavo Drivers!"},
        {122, "Number of Zentavo readers could not be updated."},
    };
    CLanguageScope english(SLANG::LANG_ID_ENGLISH);
    for (const auto& text : texts) {
        CAPTURE(text.first);
        std::string loaded;
        CHECK(SLANG::LoadText(text.first, loaded));
        CHECK(loaded == text.second);
        CHECK(SLANG::LoadTextInLanguage(text.first, SLANG::LANG_ID_ENGLISH) == text.second);
    }
}

TEST_CASE("Russian texts of the controller, in the ANSI code page") {
    const std::pair<UINT, const wchar_t*> texts[] = {
        {103, L"Установка драйверов Zentavo"},
        {106, L"В процессе установки произошла ошибка. Драйверы Zentavo не установлены."},
        {114, L"%s файл не существует. Инсталятор не может продолжить работу."},
        {121, L"Данная версия Драйверов Zentavo предназначена только для Windows 98 и Me!\n"
              L"Продолжение установки Драйверов Zentavo невозможно!"},
        {122, L"Не удалось изменить количество ридеров Zentavo."},
    };
    CLanguageScope russian(SLANG::LANG_ID_RUSSIAN);
    for (const auto& text : texts) {
        CAPTURE(text.first);
        CHECK(SLANG::LoadText(text.first) == Ansi(text.second));
    }
}

TEST_CASE("the package description exists in English only") {
    CHECK(SLANG::LoadTextInLanguage(206, SLANG::LANG_ID_ENGLISH) == "zvIFDH.sys");
    CHECK(SLANG::LoadTextInLanguage(129, SLANG::LANG_ID_ENGLISH) == "zvAPIEX.dll");
    CHECK(SLANG::LoadTextInLanguage(217, SLANG::LANG_ID_ENGLISH) == "USB\\VID_F055&PID_0004");
    CHECK(SLANG::LoadTextInLanguage(221, SLANG::LANG_ID_ENGLISH) ==
          "SYSTEM\\CurrentControlSet\\Services\\zvIFDH");
    CHECK(SLANG::LoadTextInLanguage(223, SLANG::LANG_ID_ENGLISH) ==
          "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\zentavo");
    CHECK(SLANG::LoadTextInLanguage(227, SLANG::LANG_ID_ENGLISH) == "*ZV0001");
    CHECK(SLANG::LoadTextInLanguage(288, SLANG::LANG_ID_ENGLISH) ==
          "Event Name For protect second instance launching is "
          "{E81D4C27-903B-4A6F-B2D5-7C09F1A36E48}");
    std::string text = "stale";
    CHECK_FALSE(SLANG::LoadTextInLanguage(206, SLANG::LANG_ID_RUSSIAN, text));
    CHECK(text.empty());
}

TEST_CASE("a string missing in English or Russian stays empty; other languages fall back") {
    std::string text = "stale";
    {
        CLanguageScope russian(SLANG::LANG_ID_RUSSIAN);
        CHECK_FALSE(SLANG::LoadText(206, text));
        CHECK(text.empty());
        CHECK_FALSE(SLANG::LoadText(4000, text));
    }
    {
        // German: no tables of its own, so the English text is shown rather than nothing.
        CLanguageScope german(0x0407);
        CHECK(SLANG::LoadText(103, text));
        CHECK(text == "Zentavo drivers setup");
        CHECK_FALSE(SLANG::LoadText(4000, text));
        CHECK(text.empty());
    }
}

TEST_CASE("entries of one string block are told apart") {
    // 96 to 111 share a block with gaps: 108, 109 and 112 are not there.
    CLanguageScope english(SLANG::LANG_ID_ENGLISH);
    std::string text;
    CHECK(SLANG::LoadText(107, text));
    CHECK(SLANG::LoadText(110, text));
    CHECK_FALSE(SLANG::LoadText(108, text));
    CHECK(text.empty());
    CHECK(SLANG::LoadText(111) == "Reinstall drivers");
}

TEST_CASE("dialog templates are found in the current language, then by fallback") {
    for (const UINT id : {102u, 104u, 108u, 109u, 204u}) {
        CAPTURE(id);
        for (const LANGID lang : {SLANG::LANG_ID_ENGLISH, SLANG::LANG_ID_RUSSIAN}) {
            CHECK(FindResourceExA(SLANG::GetResourceModule(), RT_DIALOG, MAKEINTRESOURCEA(id),
                                  lang) != nullptr);
        }
        CLanguageScope german(0x0407);
        CHECK(SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(id)) != nullptr);
    }
    CLanguageScope russian(SLANG::LANG_ID_RUSSIAN);
    CHECK(SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(108)) ==
          FindResourceExA(SLANG::GetResourceModule(), RT_DIALOG, MAKEINTRESOURCEA(108),
                          SLANG::LANG_ID_RUSSIAN));
    CHECK(SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(4000)) == nullptr);
}

TEST_CASE("the card ATR is binary resource 205 in English") {
    const HRSRC found = FindResourceExA(SLANG::GetResourceModule(), "BINARY", MAKEINTRESOURCEA(205),
                                        SLANG::LANG_ID_ENGLISH);
    REQUIRE(found != nullptr);
    REQUIRE(SizeofResource(SLANG::GetResourceModule(), found) == 19);
    const auto* bytes = static_cast<const unsigned char*>(
        LockResource(LoadResource(SLANG::GetResourceModule(), found)));
    const unsigned char atr[19] = {0x3B, 0x6F, 0x00, 0xFF, 0x00, 0x56, 0x7A, 0x65, 0x6E, 0x54,
                                   0x61, 0x76, 0x73, 0x30, 0x20, 0x00, 0x00, 0x90, 0x00};
    CHECK(std::string(reinterpret_cast<const char*>(bytes), 19) ==
          std::string(reinterpret_cast<const char*>(atr), 19));
}

TEST_CASE("OS names by version") {
    CHECK(SLANG::GetOSName(Version(4, 0), true) == "Windows 95/NT 4.0");
    CHECK(SLANG::GetOSName(Version(4, 10), true) == "Windows 98");
    CHECK(SLANG::GetOSName(Version(4, 90), true) == "Windows ME");
    CHECK(SLANG::GetOSName(Version(4, 3), true) == "Windows 95/98/ME/NT 4.0");
    CHECK(SLANG::GetOSName(Version(5, 0), true) == "Windows 2000");
    CHECK(SLANG::GetOSName(Version(5, 1), true) == "Windows XP");
    CHECK(SLANG::GetOSName(Version(5, 2), true) == "Windows .NET Server 2003 family");
    CHECK(SLANG::GetOSName(Version(5, 7), true) == "Windows 2000/XP/.NET Server 2003 family");
    CHECK(SLANG::GetOSName(Version(6, 0), true) == "Unknown");
    CHECK(SLANG::GetOSName(Version(4, 10), false) == "Unknown");
    CHECK(SLANG::GetOSName() == "Windows 98");
}
