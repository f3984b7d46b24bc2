// The file log on the virtual machine: bytes as they reach the file.
#include "log/Log.h"
#include "tests/lib/TestFiles.h"
#include <doctest/doctest.h>

TEST_CASE("a closed log drops writes; an open one appends with CR LF, Printf cut at its limit") {
    CreateDirectoryA("C:\\LOGTEST", nullptr);
    const std::string path = "C:\\LOGTEST\\lines.log", longText(3000, 'x');
    testfiles::PutFile(path, "first\r\n");
    SLOG::CFileLog log;
    CHECK_FALSE(log.Open("C:\\NO\\SUCH\\FOLDER\\x.log"));
    log.Write("dropped\n");
    log.Printf("dropped %d\n", 1);
    REQUIRE(log.Open(path.c_str()));
    log.Write("a\nb");
    log.Write("c\r\nd\n\n");
    log.Write("\r\n\n\rx\n");
    log.Printf("%d\n", -42);
    log.Printf("%s", longText.c_str());
    log.Write(longText.c_str());
    CHECK(testfiles::FileBytes(path) == "first\r\na\r\nbc\r\nd\r\n\r\n\r\n\r\n\rx\r\n-42\r\n" +
                                            std::string(1023, 'x') + longText);
}
