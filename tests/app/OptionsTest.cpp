// Parsing of the command line.
#include "app/Options.h"
#include <doctest/doctest.h>
#include <algorithm>
#include <string>
#include <vector>

TEST_CASE("command lines: identifiers in order, paths, language") {
    struct CCase {
        const char* commandLine;
        std::vector<int> ids;
        const char* logPath;
        const char* distributivePath;
        int language;
    } const cases[] = {
        {" \t\r\n\v\f ", {}, "", "", 0},
        {"-Q\t\t/LoG", {2, 1}, "", "", 0},
        {"/DISTR /ED /H /LOG /LE /NORB /O /Q /RB /U", {9, 8, 0, 1, 7, 6, 3, 2, 5, 4}, "", "", 2},
        {"/LOG C:\\Temp\\x.txt /Q", {1, 2}, "C:\\TEMP\\X.TXT", "", 0},
        {"/LOG -Q", {1, 2}, "", "", 0},
        {"/distr d:\\pkg /u", {9, 4}, "", "D:\\PKG", 0},
        {"/LOG a.log /LOG b.log /DISTR x /DISTR y /Q /Q", {1, 9, 2}, "B.LOG", "Y", 0},
        {"/LE /LR", {7}, "", "", 1},
        {"/Q INSTALL /O bogus", {2, -1, 3}, "", "", 0},
        {"Q", {-1}, "", "", 0},
        {"/", {-1}, "", "", 0},
        {"/QX", {-1}, "", "", 0},
    };
    for (const CCase& c : cases) {
        CAPTURE(c.commandLine);
        SSetupOptions::COptions options;
        options.Parse(c.commandLine);
        CHECK(options.GetIds() == c.ids);
        CHECK(options.GetLogPath() == c.logPath);
        CHECK(options.GetDistributivePath() == c.distributivePath);
        CHECK(options.GetLanguage() == c.language);
        for (int id = -1; id <= 9; ++id) {
            CHECK(options.Has(id) == (std::find(c.ids.begin(), c.ids.end(), id) != c.ids.end()));
        }
    }
}
