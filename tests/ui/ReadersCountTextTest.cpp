// The reader-count field's text as a count, and which template language the main dialog
// shows (its English box) for the languages a run can have.
#include "app/Language.h"
#include "ui/Dialog.h"
#include "ui/ReadersCountText.h"
#include "ui/Resource.h"
#include <doctest/doctest.h>

TEST_CASE("reader-count text: whole numbers from 0 to the limit, empty as 0") {
    struct {
        const char* text;
        unsigned limit;
        bool accepted;
        unsigned count;
    } const cases[] = {
        {"12", 127, true, 12},
        {"127", 127, true, 127},
        {"128", 127, false, 0},
        {"-5", 127, false, 0},
        {"-0", 127, true, 0},
        {"", 127, true, 0},
        {" +7", 127, true, 7},
        {"7 ", 127, false, 0},
        {"1x", 127, false, 0},
        {"+", 127, false, 0},
        {"99999999999999999999", 127, false, 0},
        {"4294967301", 127, false, 0},
    };
    for (const auto& c : cases) {
        CAPTURE(c.text);
        CAPTURE(c.limit);
        unsigned count = 55;
        CHECK(ParseReadersCount(c.text, c.limit, count) == c.accepted);
        CHECK(count == (c.accepted ? c.count : 55u));
    }
}

TEST_CASE("the main dialog's template language: English stands in for a third language") {
    const struct {
        LANGID current;
        LANGID shown;
    } cases[] = {{1033, 1033}, {1049, 1049}, {1031, 1033}, {1036, 1033}};
    for (const auto& c : cases) {
        CAPTURE(c.current);
        const LANGID previous = SLANG::SetLanguage(c.current);
        CHECK(GetTemplateLanguage(IDD_MAIN) == c.shown);
        SLANG::SetLanguage(previous);
    }
}
