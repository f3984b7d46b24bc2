// Parsing of the command line.
#include "app/Options.h"
#include <doctest/doctest.h>
#include <algorithm>
#include <string>
#include <vector>

using SSetupOptions::COptions;

TEST_CASE("command lines: identifiers in order, paths, language") {
    struct CCase {
        const char* commandLine;
        std::vector<int> ids;
        const char* logPath;
        const char* distributivePath;
        int language;
    } const cases[] = {
        {" \t\r\n\v\f ", {}, "", "", 0},
        // Letter case and the leading character do not matter.
        {"-Q\t\t/LoG", {2, 1}, "", "", 0},
        {"/DISTR /ED /H /LOG /LE /NORB /O /Q /RB /U", {9, 8, 0, 1, 7, 6, 3, 2, 5, 4}, "", "", 2},
        // /LOG and /DISTR take the next token unless it looks like an option.
        {"/LOG C:\\Temp\\x.txt /Q", {1, 2}, "C:\\TEMP\\X.TXT", "", 0},
        {"/LOG -Q", {1, 2}, "", "", 0},
        {"/distr d:\\pkg /u", {9, 4}, "", "D:\\PKG", 0},
        // A later path overwrites the earlier one; identifiers are stored once.
        {"/LOG a.log /LOG b.log /DISTR x /DISTR y /Q /Q", {1, 9, 2}, "B.LOG", "Y", 0},
        // Quotation marks mean nothing: a quoted path falls apart.
        {"/LOG \"C:\\My Logs\\x.log\"", {1, -1}, "\"C:\\MY", "", 0},
        // The last of /LE and /LR wins.
        {"/LR", {7}, "", "", 1},
        {"-LR -LE", {7}, "", "", 2},
        {"/LE /LR", {7}, "", "", 1},
        {"/Q INSTALL /O bogus", {2, -1, 3}, "", "", 0},
    };
    for (const CCase& c : cases) {
        CAPTURE(c.commandLine);
        COptions options;
        options.Parse(c.commandLine);
        CHECK(options.GetIds() == c.ids);
        CHECK(options.GetLogPath() == c.logPath);
        CHECK(options.GetDistributivePath() == c.distributivePath);
        CHECK(options.GetLanguage() == c.language);
        for (int id = -1; id <= 9; ++id) {
            CHECK(options.Has(id) == (std::find(c.ids.begin(), c.ids.end(), id) != c.ids.end()));
        }
        options.Clear();
        CHECK(options.GetIds().empty());
        CHECK(options.GetLogPath().empty());
        CHECK(options.GetDistributivePath().empty());
        CHECK(options.GetLanguage() == SSetupOptions::LANGUAGE_NONE);
    }
}

TEST_CASE("anything else is an unknown token") {
    for (const char* unknown : {"INSTALL", "/QX", "/LOGX", "/HELP", "/", "-", "/1", "/A", "/V",
                                "/Z", "Q", "/-Q", "//Q", "/LOGC:\\X"}) {
        CAPTURE(unknown);
        COptions options;
        options.Parse(unknown);
        CHECK(options.GetIds() == std::vector<int>{SSetupOptions::OPT_UNKNOWN});
    }
}
