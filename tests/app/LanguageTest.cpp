// Strings and dialogs of the program's own resources (linked into this test).
#include "app/Language.h"
#include "ui/Resource.h"
#include <doctest/doctest.h>
#include <string>

namespace {

// Restores the current language after a case.
class CLanguageScope {
public:
    explicit CLanguageScope(LANGID lang) : previous(SLANG::SetLanguage(lang)) {}
    ~CLanguageScope() { SLANG::SetLanguage(previous); }

private:
    const LANGID previous;
};

} // namespace

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
    {
        CLanguageScope german(0x0407);
        CHECK(SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(102)) != nullptr);
    }
    CLanguageScope russian(SLANG::LANG_ID_RUSSIAN);
    CHECK(SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(108)) ==
          FindResourceExA(SLANG::GetResourceModule(), RT_DIALOG, MAKEINTRESOURCEA(108),
                          SLANG::LANG_ID_RUSSIAN));
    CHECK(SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(4000)) == nullptr);
}
