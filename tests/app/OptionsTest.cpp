// Parsing of the command line.
#include "app/Options.h"
#include <doctest/doctest.h>
#include <vector>

using SSetupOptions::COptions;

namespace {

COptions Parsed(const char* commandLine) {
    COptions options;
    options.Parse(commandLine);
    return options;
}

std::vector<int> Ids(const char* commandLine) {
    return Parsed(commandLine).GetIds();
}

} // namespace

TEST_CASE("an empty or blank command line gives no option") {
    CHECK(Ids("").empty());
    CHECK(Ids(" \t\r\n\v\f ").empty());
    CHECK(Parsed("").GetLanguage() == SSetupOptions::LANGUAGE_NONE);
}

TEST_CASE("letter case and the leading character do not matter") {
    const std::vector<int> quietLog = {SSetupOptions::OPT_QUIET, SSetupOptions::OPT_LOG};
    CHECK(Ids("/q /log") == quietLog);
    CHECK(Ids("-Q -LOG") == quietLog);
    CHECK(Ids("/Q\t\t/LoG") == quietLog);
    CHECK(Ids("/h") == std::vector<int>{SSetupOptions::OPT_HELP});
}

TEST_CASE("every option of the table") {
    CHECK(Ids("/DISTR /ED /H /LOG /LE /NORB /O /Q /RB /U") ==
          std::vector<int>{9, 8, 0, 1, 7, 6, 3, 2, 5, 4});
    CHECK(Ids("/LR") == std::vector<int>{7});
}

TEST_CASE("/LOG and /DISTR take the next token unless it looks like an option") {
    COptions withPath = Parsed("/LOG C:\\Temp\\x.txt /Q");
    CHECK(withPath.GetLogPath() == "C:\\TEMP\\X.TXT");
    CHECK(withPath.IsQuiet());
    CHECK(withPath.IsLogRequested());
    CHECK(withPath.GetIds() == std::vector<int>{1, 2});

    COptions beforeOption = Parsed("/LOG /Q");
    CHECK(beforeOption.GetLogPath().empty());
    CHECK(beforeOption.IsQuiet());

    COptions last = Parsed("/Q /LOG");
    CHECK(last.GetLogPath().empty());
    CHECK(last.IsLogRequested());

    COptions dashed = Parsed("/LOG -Q");
    CHECK(dashed.GetLogPath().empty());
    CHECK(dashed.IsQuiet());

    COptions distributive = Parsed("/distr d:\\pkg /u");
    CHECK(distributive.GetDistributivePath() == "D:\\PKG");
    CHECK(distributive.GetIds() == std::vector<int>{9, 4});
    CHECK(Parsed("/DISTR").GetDistributivePath().empty());
}

TEST_CASE("a later path overwrites the earlier one; identifiers are stored once") {
    COptions options = Parsed("/LOG a.log /LOG b.log /DISTR x /DISTR y /Q /Q");
    CHECK(options.GetLogPath() == "B.LOG");
    CHECK(options.GetDistributivePath() == "Y");
    CHECK(options.GetIds() == std::vector<int>{1, 9, 2});
}

TEST_CASE("quotation marks mean nothing: a quoted path falls apart") {
    COptions options = Parsed("/LOG \"C:\\My Logs\\x.log\"");
    CHECK(options.GetLogPath() == "\"C:\\MY");
    CHECK(options.Has(SSetupOptions::OPT_UNKNOWN));
}

TEST_CASE("language: the last of /LE and /LR wins") {
    CHECK(Parsed("/LR").GetLanguage() == SSetupOptions::LANGUAGE_RUSSIAN);
    CHECK(Parsed("/LE").GetLanguage() == SSetupOptions::LANGUAGE_ENGLISH);
    COptions both = Parsed("-LR -LE");
    CHECK(both.GetLanguage() == SSetupOptions::LANGUAGE_ENGLISH);
    CHECK(both.GetIds() == std::vector<int>{7});
    CHECK(Parsed("/LE /LR").GetLanguage() == SSetupOptions::LANGUAGE_RUSSIAN);
}

TEST_CASE("anything else is an unknown token") {
    for (const char* unknown : {"INSTALL", "/QX", "/LOGX", "/HELP", "/", "-", "/1", "/A", "/V",
                                "/Z", "Q", "/-Q", "//Q", "/LOGC:\\X"}) {
        CAPTURE(unknown);
        CHECK(Ids(unknown) == std::vector<int>{SSetupOptions::OPT_UNKNOWN});
    }
    COptions mixed = Parsed("/Q INSTALL /O bogus");
    CHECK(mixed.GetIds() == std::vector<int>{2, -1, 3});
    CHECK(mixed.Has(SSetupOptions::OPT_UNKNOWN));
}

TEST_CASE("the convenience questions") {
    CHECK(Parsed("/Q /O").IsQuietOverwrite());
    CHECK_FALSE(Parsed("/O").IsQuietOverwrite());
    CHECK_FALSE(Parsed("/Q").IsQuietOverwrite());
    CHECK(Parsed("/Q /ED").IsErrorDisplayForced());
    CHECK_FALSE(Parsed("/Q").IsErrorDisplayForced());
}

TEST_CASE("Clear empties everything") {
    COptions options = Parsed("/LOG x /DISTR y /LR /Q");
    options.Clear();
    CHECK(options.GetIds().empty());
    CHECK(options.GetLogPath().empty());
    CHECK(options.GetDistributivePath().empty());
    CHECK(options.GetLanguage() == SSetupOptions::LANGUAGE_NONE);
}
