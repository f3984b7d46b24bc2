// The file log on the virtual machine: bytes as they reach the file, appending, re-opening,
// the formatter's limit, and a closed log.
#include "log/Log.h"
#include "tests/lib/TestFiles.h"
#include <doctest/doctest.h>
#include <string>

using testfiles::FileBytes;

static std::string FreshPath(const char* name) {
    CreateDirectoryA("C:\\LOGTEST", nullptr);
    const std::string path = std::string("C:\\LOGTEST\\") + name;
    DeleteFileA(path.c_str());
    return path;
}

TEST_CASE("CR LF where needed, appending, Printf's limit, readable while open, re-open") {
    const std::string path = FreshPath("lines.log");
    const std::string other = FreshPath("two.log");
    const std::string longText(3000, 'x');
    {
        SLOG::CFileLog log;
        REQUIRE(log.Open(path.c_str()));
        log.Write("first\n");
    }
    SLOG::CFileLog log;
    REQUIRE(log.Open(path.c_str()));
    log.Write("a\nb");
    log.Write("c\r\nd");
    log.Write("\n\n");
    log.Write("\r\n\n\rx\n");
    log.Write("");
    log.Printf("%s=%d %04X|%c\n", "n", -42, 0xBEEF, 'z');
    log.Printf("%s", longText.c_str());
    log.Write("|");
    log.Write(longText.c_str());
    const std::string expected = "first\r\na\r\nbc\r\nd\r\n\r\n\r\n\r\n\rx\r\nn=-42 BEEF|z\r\n" +
                                 std::string(1023, 'x') + "|" + longText;
    CHECK(FileBytes(path) == expected);
    REQUIRE(log.Open(other.c_str()));
    log.Write("2");
    CHECK(FileBytes(path) == expected);
    CHECK(FileBytes(other) == "2");
}

TEST_CASE("a closed log drops writes, and a log that cannot be opened stays closed") {
    SLOG::CFileLog closed;
    CHECK_FALSE(closed.IsOpen());
    closed.Write("dropped\n");
    closed.Printf("dropped %d\n", 1);
    CHECK_FALSE(closed.Open("C:\\NO\\SUCH\\FOLDER\\x.log"));
    CHECK_FALSE(closed.IsOpen());
    closed.Write("dropped\n");
}
