// Strings and dialogs of the program's own resources (linked into this test).
#include "app/Language.h"
#include <doctest/doctest.h>
#include <string>

TEST_CASE("strings by language: no fallback for English and Russian, others fall back") {
    const LANGID german = 0x0407;
    struct CCase {
        LANGID lang;
        UINT id;
        const char* text; // nullptr: not found, and the text comes back empty
    } const cases[] = {
        {SLANG::LANG_ID_RUSSIAN, 206, nullptr}, {SLANG::LANG_ID_ENGLISH, 206, "zvIFDH.sys"},
        {german, 103, "Zentavo drivers setup"}, {german, 4000, nullptr},
        {SLANG::LANG_ID_ENGLISH, 108, nullptr}, {SLANG::LANG_ID_ENGLISH, 111, "Reinstall drivers"},
    };
    for (const CCase& c : cases) {
        CAPTURE(c.lang);
        CAPTURE(c.id);
        const LANGID previous = SLANG::SetLanguage(c.lang);
        std::string text = "stale";
        CHECK(SLANG::LoadText(c.id, text) == (c.text != nullptr));
        CHECK(text == (c.text != nullptr ? c.text : ""));
        CHECK((SLANG::FindLanguageResource(RT_DIALOG, MAKEINTRESOURCEA(102)) != nullptr));
        SLANG::SetLanguage(previous);
    }
}
