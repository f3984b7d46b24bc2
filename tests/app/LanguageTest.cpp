// Strings and resources of the program's own resources (linked into this test).
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

} // namespace

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
    std::string text = "stale";
    CHECK_FALSE(SLANG::LoadTextInLanguage(206, SLANG::LANG_ID_RUSSIAN, text));
    CHECK(text.empty());
    CHECK(SLANG::LoadTextInLanguage(206, SLANG::LANG_ID_ENGLISH) == "zvIFDH.sys");
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
