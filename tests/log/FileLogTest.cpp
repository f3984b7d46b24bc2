// The file log on the virtual machine: bytes as they reach the file, appending, the
// formatter's limit, and a closed log.
#include "log/Log.h"
#include <doctest/doctest.h>
#include <string>
#include <vector>
#include "tests/lib/TestFiles.h"

namespace {

const char logDir[] = "C:\\LOGTEST";

using testfiles::FileBytes;

std::string FreshPath(const char* name) {
    CreateDirectoryA(logDir, nullptr);
    const std::string path = std::string(logDir) + "\\" + name;
    DeleteFileA(path.c_str());
    return path;
}

} // namespace

TEST_CASE("the file receives every write with CR LF line ends, added only where needed") {
    const std::string path = FreshPath("lines.log");
    {
        SLOG::CFileLog log;
        REQUIRE(log.Open(path.c_str()));
        log.Write("a\nb");
        log.Write("c\r\nd");
        log.Write("\n\n");
        log.Write("\r\n\n\rx\n");
        log.Write("");
        log.Printf("%s=%d %04X|%c\n", "n", -42, 0xBEEF, 'z');
    }
    CHECK(FileBytes(path) == "a\r\nbc\r\nd\r\n\r\n\r\n\r\n\rx\r\nn=-42 BEEF|z\r\n");
}

TEST_CASE("opening an existing log appends after its last byte") {
    const std::string path = FreshPath("append.log");
    {
        SLOG::CFileLog log;
        REQUIRE(log.Open(path.c_str()));
        log.Write("first\n");
    }
    {
        SLOG::CFileLog log;
        REQUIRE(log.Open(path.c_str()));
        log.Write("second\n");
    }
    CHECK(FileBytes(path) == "first\r\nsecond\r\n");
}

TEST_CASE("a re-open closes the previous file and writes to the new one") {
    const std::string first = FreshPath("one.log");
    const std::string second = FreshPath("two.log");
    SLOG::CFileLog log;
    REQUIRE(log.Open(first.c_str()));
    log.Write("1");
    REQUIRE(log.Open(second.c_str()));
    log.Write("2");
    CHECK(FileBytes(first) == "1");
    CHECK(FileBytes(second) == "2");
}

TEST_CASE("Printf cuts at 1023 characters, Write takes a long text whole") {
    const std::string path = FreshPath("long.log");
    const std::string longText(3000, 'x');
    {
        SLOG::CFileLog log;
        REQUIRE(log.Open(path.c_str()));
        log.Printf("%s", longText.c_str());
        log.Write("|");
        log.Write(longText.c_str());
    }
    CHECK(FileBytes(path) == std::string(1023, 'x') + "|" + longText);
}

TEST_CASE("a closed log drops writes, and a log that cannot be opened stays closed") {
    SLOG::CFileLog closed;
    CHECK_FALSE(closed.IsOpen());
    closed.Write("dropped\n");
    closed.Printf("dropped %d\n", 1);

    SLOG::CFileLog nowhere;
    CHECK_FALSE(nowhere.Open("C:\\NO\\SUCH\\FOLDER\\x.log"));
    CHECK_FALSE(nowhere.IsOpen());
    nowhere.Write("dropped\n");
}

TEST_CASE("others may read the log while it is open") {
    const std::string path = FreshPath("shared.log");
    SLOG::CFileLog log;
    REQUIRE(log.Open(path.c_str()));
    log.Write("visible\n");
    CHECK(FileBytes(path) == "visible\r\n");
}
