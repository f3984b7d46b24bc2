// Strings and dialogs of the program's own resources (linked into this test), and the
// reader-count field's text as a count.
#include "app/Language.h"
#include "ui/Dialog.h"
#include "ui/ReadersCountText.h"
#include "ui/Resource.h"
#include <doctest/doctest.h>
#include <string>
#include <utility>

TEST_CASE("strings and dialogs by language: others fall back to English") {
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
        // Dialog templates: English stands in for a third language.
        CHECK(GetTemplateLanguage(IDD_MAIN) == (c.lang == SLANG::LANG_ID_RUSSIAN ? 1049 : 1033));
        SLANG::SetLanguage(previous);
    }
}

TEST_CASE("reader-count text: whole numbers from 0 to the limit, empty as 0") {
    // The count wanted, -1 where the text is refused and the count left as it was.
    const std::pair<const char*, int> cases[] = {{"", 0},      {"0", 0},    {"1", 1},
                                                 {"127", 127}, {"128", -1}, {"-5", -1},
                                                 {"7 ", -1},   {"+", -1},   {"4294967301", -1}};
    for (const auto& c : cases) {
        CAPTURE(c.first);
        unsigned count = 55;
        CHECK(ParseReadersCount(c.first, 127, count) == (c.second >= 0));
        CHECK(count == (c.second >= 0 ? static_cast<unsigned>(c.second) : 55u));
    }
}
