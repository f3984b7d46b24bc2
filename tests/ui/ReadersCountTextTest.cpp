// The reader-count field's text as a count, and the main dialog's template language.
#include "app/Language.h"
#include "ui/Dialog.h"
#include "ui/ReadersCountText.h"
#include "ui/Resource.h"
#include <doctest/doctest.h>
#include <utility>

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

TEST_CASE("the main dialog's template language: English stands in for a third language") {
    const LANGID previous = SLANG::SetLanguage(1049);
    CHECK(GetTemplateLanguage(IDD_MAIN) == 1049);
    SLANG::SetLanguage(1031);
    CHECK(GetTemplateLanguage(IDD_MAIN) == 1033);
    SLANG::SetLanguage(previous);
}
