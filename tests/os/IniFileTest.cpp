// The WININIT.INI editor on real files: every byte that it leaves, adds or removes.
#include "os/IniFile.h"
#include "os/IniText.h"
#include "OsTestFiles.h"
#include <doctest/doctest.h>

using ostest::FileBytes;
using ostest::PutFile;

namespace {

const std::string kFolder = ostest::FreshFolder("C:\\OSINI");

// A file with the given content; "(missing)" leaves no file at all.
std::string IniWith(const char* name, const std::string& bytes) {
    const std::string path = kFolder + "\\" + name;
    ostest::Remove(path);
    if (bytes != "(missing)") {
        PutFile(path, bytes);
    }
    return path;
}

std::string AfterAdd(const std::string& before, const char* section, const char* key,
                     const char* value) {
    const std::string path = IniWith("add.ini", before);
    SWININIT::CIniFile(path.c_str()).AddEntry(section, key, value);
    return FileBytes(path);
}

std::string AfterRemove(const std::string& before, const char* section, const char* key,
                        const char* value) {
    const std::string path = IniWith("remove.ini", before);
    SWININIT::CIniFile(path.c_str()).RemoveEntry(section, key, value);
    return FileBytes(path);
}

} // namespace

TEST_CASE("a new Rename section in a missing, empty or other file") {
    const std::string expected = "[Rename]\r\nNUL = C:\\OLD\\A.DLL\r\n";
    CHECK(AfterAdd("(missing)", "Rename", "NUL", "C:\\OLD\\A.DLL") == expected);
    CHECK(AfterAdd("", "Rename", "NUL", "C:\\OLD\\A.DLL") == expected);
    // Other sections stay before the new one, unchanged.
    CHECK(AfterAdd("[boot]\r\nshell=x\r\n\r\n", "Rename", "NUL", "C:\\OLD\\A.DLL") ==
          "[boot]\r\nshell=x\r\n\r\n" + expected);
    // A header that names another section only in part is not the section.
    CHECK(AfterAdd("[Renamed]\r\nA = B\r\n", "Rename", "K", "V") ==
          "[Renamed]\r\nA = B\r\n[Rename]\r\nK = V\r\n");
    // Null key and value are empty text.
    CHECK(AfterAdd("", "Rename", nullptr, nullptr) == "[Rename]\r\n = \r\n");
}

TEST_CASE("entries join an existing section after its last non-blank line") {
    SUBCASE("two edits in a row keep their order") {
        const std::string path = IniWith("order.ini", "(missing)");
        SWININIT::CIniFile editor(path.c_str());
        editor.AddEntry("Rename", "NUL", "C:\\A.DLL");
        editor.AddEntry("Rename", "C:\\WIN\\B.DLL", "C:\\B.NEW");
        CHECK(FileBytes(path) == "[Rename]\r\nNUL = C:\\A.DLL\r\nC:\\WIN\\B.DLL = C:\\B.NEW\r\n");
    }
    SUBCASE("blank lines that end the section stay after the new entry") {
        CHECK(AfterAdd("[Rename]\r\nX = Y\r\n\r\n \t \r\n[boot]\r\nk=v\r\n", "Rename", "N", "V") ==
              "[Rename]\r\nX = Y\r\nN = V\r\n\r\n \t \r\n[boot]\r\nk=v\r\n");
        CHECK(AfterAdd("[Rename]\r\nX = Y\r\n\r\n", "Rename", "N", "V") ==
              "[Rename]\r\nX = Y\r\nN = V\r\n\r\n");
    }
    SUBCASE("blank lines between entries are passed") {
        CHECK(AfterAdd("[Rename]\r\nA = 1\r\n\r\nB = 2\r\n\r\n[x]\r\n", "Rename", "N", "V") ==
              "[Rename]\r\nA = 1\r\n\r\nB = 2\r\nN = V\r\n\r\n[x]\r\n");
    }
    SUBCASE("the line right after the header counts even when blank") {
        CHECK(AfterAdd("[Rename]\r\n\r\n", "Rename", "N", "V") == "[Rename]\r\n\r\nN = V\r\n");
    }
    SUBCASE("a section with no lines before the next header") {
        CHECK(AfterAdd("[Rename]\r\n[boot]\r\nk=v\r\n", "Rename", "N", "V") ==
              "[Rename]\r\nN = V\r\n[boot]\r\nk=v\r\n");
        CHECK(AfterAdd("[Rename]\r\n", "Rename", "N", "V") == "[Rename]\r\nN = V\r\n");
    }
    SUBCASE("the first of two sections of that name") {
        CHECK(AfterAdd("[Rename]\r\nA = 1\r\n[x]\r\n[Rename]\r\nB = 2\r\n", "Rename", "N", "V") ==
              "[Rename]\r\nA = 1\r\nN = V\r\n[x]\r\n[Rename]\r\nB = 2\r\n");
    }
}

TEST_CASE("section names match without regard to case and spaces in the brackets") {
    CHECK(AfterAdd("[ rEnAmE ]\r\nX = Y\r\n", "Rename", "N", "V") ==
          "[ rEnAmE ]\r\nX = Y\r\nN = V\r\n");
    CHECK(AfterAdd("  [RENAME]  ; comment\r\n", "rename", "N", "V") ==
          "  [RENAME]  ; comment\r\nN = V\r\n");
    CHECK(AfterRemove("[  rename]\r\nA = B\r\n", "RENAME", "A", "B") == "[  rename]\r\n");
}

TEST_CASE("an unterminated last line is ended before anything is added behind it") {
    CHECK(AfterAdd("[boot]\r\nshell=x", "Rename", "NUL", "C:\\A") ==
          "[boot]\r\nshell=x\r\n[Rename]\r\nNUL = C:\\A\r\n");
    CHECK(AfterAdd("[Rename]\r\nX = Y", "Rename", "N", "V") == "[Rename]\r\nX = Y\r\nN = V\r\n");
    CHECK(AfterAdd("[Rename]", "Rename", "N", "V") == "[Rename]\r\nN = V\r\n");
    // A file with bare LF line ends keeps them; the new line gets CR LF.
    CHECK(AfterAdd("[Rename]\nX = Y\n", "Rename", "N", "V") == "[Rename]\nX = Y\nN = V\r\n");
}

TEST_CASE("removal matches key and value without regard to case and spaces") {
    const std::string file = "[Rename]\r\nc:\\win\\a.dll=c:\\new\\a.tmp\r\n"
                             "NUL   =    C:\\OLD\\X.DLL  \r\nlast = one\r\n";
    CHECK(AfterRemove(file, "Rename", "C:\\WIN\\A.DLL", "C:\\NEW\\A.TMP") ==
          "[Rename]\r\nNUL   =    C:\\OLD\\X.DLL  \r\nlast = one\r\n");
    CHECK(AfterRemove(file, "rename", "nul", "c:\\old\\x.dll") ==
          "[Rename]\r\nc:\\win\\a.dll=c:\\new\\a.tmp\r\nlast = one\r\n");
    // The key must match as well as the value.
    CHECK(AfterRemove(file, "Rename", "C:\\OTHER.DLL", "C:\\NEW\\A.TMP") == file);
    CHECK(AfterRemove(file, "Rename", "LAST", "ONE") ==
          "[Rename]\r\nc:\\win\\a.dll=c:\\new\\a.tmp\r\nNUL   =    C:\\OLD\\X.DLL  \r\n");
}

TEST_CASE("removal takes only the first match, and a line without CR LF entirely") {
    CHECK(AfterRemove("[Rename]\r\nNUL = A\r\nNUL = A\r\n", "Rename", "NUL", "A") ==
          "[Rename]\r\nNUL = A\r\n");
    CHECK(AfterRemove("[Rename]\r\nA = B\r\nC = D", "Rename", "C", "D") == "[Rename]\r\nA = B\r\n");
}

TEST_CASE("a removal that finds nothing leaves the file byte for byte") {
    const std::string file = "[boot]\r\nNUL = A\r\n\r\n[Rename]\r\nX = Y\r\n\t\r\ntail";
    CHECK(AfterRemove(file, "Rename", "NUL", "B") == file);
    CHECK(AfterRemove(file, "Rename", "X", "") == file);
    // The entry is in another section, before Rename.
    CHECK(AfterRemove(file, "Rename", "NUL", "A") == file);
    CHECK(AfterRemove("[boot]\r\nNUL = A\r\n", "Rename", "NUL", "A") == "[boot]\r\nNUL = A\r\n");
    CHECK(AfterRemove("", "Rename", "NUL", "A") == "");
}

TEST_CASE("adding and removing in a large file restores it exactly") {
    std::string file = "[boot]\r\n";
    for (int n = 0; n < 10000; ++n) {
        file += "key" + std::to_string(n) + "=value " + std::to_string(n) + "\r\n";
    }
    file += "[Rename]\r\nNUL = C:\\FIRST.DLL\r\n\r\n";
    const std::string path = IniWith("large.ini", file);
    SWININIT::CIniFile editor(path.c_str());
    editor.AddEntry("Rename", "C:\\WIN\\SECOND.DLL", "C:\\SECOND.NEW");
    // Before the blank line that ends the file.
    CHECK(FileBytes(path) ==
          file.substr(0, file.size() - 2) + "C:\\WIN\\SECOND.DLL = C:\\SECOND.NEW\r\n\r\n");
    editor.RemoveEntry("Rename", "c:\\win\\second.dll", "c:\\second.new");
    CHECK(FileBytes(path) == file);
}

TEST_CASE("files that cannot be opened raise CIniException and stay as they were") {
    SUBCASE("no such folder") {
        SWININIT::CIniFile editor("C:\\OSINI\\NO SUCH FOLDER\\WININIT.INI");
        try {
            editor.AddEntry("Rename", "NUL", "C:\\A");
            FAIL("no exception");
        } catch (const SWININIT::CIniException& error) {
            CHECK(error.GetCode() == 1);
            CHECK(error.GetSystemError() == ERROR_PATH_NOT_FOUND);
        }
        CHECK_FALSE(ostest::Exists("C:\\OSINI\\NO SUCH FOLDER"));
    }
    SUBCASE("another writer holds the file") {
        const std::string path = IniWith("held.ini", "[Rename]\r\nNUL = C:\\A\r\n");
        const HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        REQUIRE(held != INVALID_HANDLE_VALUE);
        SWININIT::CIniFile editor(path.c_str());
        CHECK_THROWS_AS(editor.AddEntry("Rename", "NUL", "C:\\B"), SWININIT::CIniException);
        CHECK_THROWS_AS(editor.RemoveEntry("Rename", "NUL", "C:\\A"), SWININIT::CIniException);
        CloseHandle(held);
        CHECK(FileBytes(path) == "[Rename]\r\nNUL = C:\\A\r\n");
        // The editor is usable again once the file is free.
        editor.RemoveEntry("Rename", "NUL", "C:\\A");
        CHECK(FileBytes(path) == "[Rename]\r\n");
    }
}

TEST_CASE("the line model") {
    const std::string data = "[ Rename ]\r\nA = 1\r\n \t\r\nB=2\rC\n[x]";
    const SWININIT::CIniText text(data.data(), data.size());
    std::string name;
    REQUIRE(text.IsSectionHeader(0, &name));
    CHECK(name == "Rename");
    CHECK(text.NextLine(0) == 12);
    std::string key;
    std::string value;
    REQUIRE(text.IsEntry(12, &key, &value));
    CHECK((key == "A" && value == "1"));
    CHECK(text.IsBlank(19));
    CHECK_FALSE(text.IsEntry(19, &key, &value));
    // Lone CR and lone LF end lines too.
    CHECK(text.NextLine(23) == 27);
    CHECK(text.NextLine(27) == 29);
    CHECK(text.IsSectionHeader(29));
    CHECK(text.EndsInsideLine());
    CHECK(text.FindSection("RENAME") == 0);
    CHECK(text.FindSection("x") == 29);
    CHECK(text.FindSection("y") == data.size());
    CHECK(text.FindInsertionPoint(0) == 29);
    CHECK(text.FindEntry(0, "b", "2") == 23);
    CHECK(SWININIT::TrimSpaces("  a b \t ") == "a b \t");
    CHECK(SWININIT::ToUpper("c:\\win\\a.dll") == "C:\\WIN\\A.DLL");
}
