// The WININIT.INI editor on real files: every byte that it leaves, adds or removes.
#include "os/IniFile.h"
#include "OsTestFiles.h"
#include <doctest/doctest.h>

using namespace std::string_literals;
using ostest::FileBytes;
using ostest::PutFile;

namespace {

const std::string kFolder = ostest::FreshFolder("C:\\OSINI");
const char kMissing[] = "(missing)";

// A file with the given content; "(missing)" leaves no file at all.
std::string IniWith(const std::string& bytes) {
    const std::string path = kFolder + "\\edit.ini";
    ostest::Remove(path);
    if (bytes != kMissing) {
        PutFile(path, bytes);
    }
    return path;
}

struct CEditCase {
    const char* name;
    std::string before;
    char edit; // '+' AddEntry, '-' RemoveEntry
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

void Apply(SWININIT::CIniFile& editor, const CEditCase& c) {
    if (c.edit == '+') {
        editor.AddEntry(c.section, c.key, c.value);
    } else {
        editor.RemoveEntry(c.section, c.key, c.value);
    }
}

// A handle of another program that maps the file for reading: the file cannot be cut
// shorter while the mapping exists.
class CReadMapping {
public:
    explicit CReadMapping(const std::string& path) {
        file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        mapping = CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr);
        view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    }
    ~CReadMapping() {
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        CloseHandle(file);
    }
    bool IsHeld() const { return view != nullptr; }

private:
    HANDLE file;
    HANDLE mapping;
    void* view;
};

} // namespace

TEST_CASE("the editor adds and removes its lines and keeps every other byte") {
    const std::string line = "NUL = C:\\OLD\\A.DLL\r\n";
    const std::string rename = "[Rename]\r\n" + line;
    const std::string longValue(70000, 'v');
    const CEditCase cases[] = {
        {"missing file", kMissing, '+', "Rename", "NUL", "C:\\OLD\\A.DLL", rename},
        {"empty file", "", '+', "Rename", "NUL", "C:\\OLD\\A.DLL", rename},
        {"null key and value", "", '+', "Rename", nullptr, nullptr, "[Rename]\r\n = \r\n"},
        {"other sections stay before the new one", "[boot]\r\nshell=x\r\n\r\n", '+', "Rename",
         "NUL", "C:\\OLD\\A.DLL", "[boot]\r\nshell=x\r\n\r\n" + rename},
        {"a header naming another section in part", "[Renamed]\r\nA = B\r\n", '+', "Rename", "NUL",
         "C:\\OLD\\A.DLL", "[Renamed]\r\nA = B\r\n" + rename},
        {"after the last entry, before the blank lines that end the section",
         "[Rename]\r\nX = Y\r\n\r\n \t \r\n[boot]\r\nk=v\r\n", '+', "Rename", "NUL",
         "C:\\OLD\\A.DLL", "[Rename]\r\nX = Y\r\n" + line + "\r\n \t \r\n[boot]\r\nk=v\r\n"},
        {"blank lines between entries are passed", "[Rename]\r\nA = 1\r\n\r\nB = 2\r\n\r\n", '+',
         "Rename", "NUL", "C:\\OLD\\A.DLL", "[Rename]\r\nA = 1\r\n\r\nB = 2\r\n" + line + "\r\n"},
        {"the line after the header counts even when blank", "[Rename]\r\n\r\n", '+', "Rename",
         "NUL", "C:\\OLD\\A.DLL", "[Rename]\r\n\r\n" + line},
        {"a section without lines", "[Rename]\r\n[boot]\r\n", '+', "Rename", "NUL",
         "C:\\OLD\\A.DLL", rename + "[boot]\r\n"},
        {"letter case and spaces in the brackets", "  [ rEnAmE ]  ; x\r\nX = Y\r\n", '+', "Rename",
         "NUL", "C:\\OLD\\A.DLL", "  [ rEnAmE ]  ; x\r\nX = Y\r\n" + line},
        {"an unterminated last line is ended first", "[boot]\r\nshell=x", '+', "Rename", "NUL",
         "C:\\OLD\\A.DLL", "[boot]\r\nshell=x\r\n" + rename},
        {"an unterminated last entry", "[Rename]\r\nX = Y", '+', "Rename", "NUL", "C:\\OLD\\A.DLL",
         "[Rename]\r\nX = Y\r\n" + line},
        {"NUL bytes left at the end by a cut short edit go", "[Rename]\r\nX = Y\r\n\0\0\0"s, '+',
         "Rename", "NUL", "C:\\OLD\\A.DLL", "[Rename]\r\nX = Y\r\n" + line},
        {"remove: letter case and spaces do not matter",
         "[Rename]\r\nc:\\win\\a.dll=c:\\new\\a.tmp\r\nNUL   =    C:\\OLD\\X.DLL  \r\nZ = 1\r\n",
         '-', "rename", "nul", "c:\\old\\x.dll",
         "[Rename]\r\nc:\\win\\a.dll=c:\\new\\a.tmp\r\nZ = 1\r\n"},
        {"remove: the key must match as well", "[Rename]\r\nA = B\r\n", '-', "Rename", "C", "B",
         "[Rename]\r\nA = B\r\n"},
        {"remove: only the first match", "[Rename]\r\nNUL = A\r\nNUL = A\r\n", '-', "Rename", "NUL",
         "A", "[Rename]\r\nNUL = A\r\n"},
        {"remove: a last line without CR LF", "[Rename]\r\nA = B\r\nC = D", '-', "Rename", "C", "D",
         "[Rename]\r\nA = B\r\n"},
        {"remove: the same line in another section stays",
         "[boot]\r\nNUL = A\r\n[Rename]\r\nX = Y\r\n[x]\r\nNUL = A\r\n", '-', "Rename", "NUL", "A",
         "[boot]\r\nNUL = A\r\n[Rename]\r\nX = Y\r\n[x]\r\nNUL = A\r\n"},
        {"remove: nothing in an empty file", "", '-', "Rename", "NUL", "A", ""},
        // What other programs and damaged files hold.
        {"CR line ends", "[Rename]\rX = Y\r[x]\r", '+', "Rename", "NUL", "C:\\OLD\\A.DLL",
         "[Rename]\rX = Y\r" + line + "[x]\r"},
        {"remove: CR line ends", "[Rename]\rX = Y\rZ = 1", '-', "Rename", "X", "Y",
         "[Rename]\rZ = 1"},
        {"LF line ends", "[Rename]\nX = Y\n", '+', "Rename", "NUL", "C:\\OLD\\A.DLL",
         "[Rename]\nX = Y\n" + line},
        {"two Rename sections: the first gets the line", "[Rename]\r\nA = 1\r\n[Rename]\r\n", '+',
         "Rename", "NUL", "C:\\OLD\\A.DLL",
         rename.substr(0, 10) + "A = 1\r\n" + line + "[Rename]\r\n"},
        {"remove: from the second Rename section", "[Rename]\r\nA = 1\r\n[x]\r\nB=2\r\n" + rename,
         '-', "Rename", "NUL", "C:\\OLD\\A.DLL", "[Rename]\r\nA = 1\r\n[x]\r\nB=2\r\n[Rename]\r\n"},
        {"NUL bytes inside lines stay", "[Rename]\r\nA\0 = \0B\r\nX = Y\r\n"s, '-', "Rename", "X",
         "Y", "[Rename]\r\nA\0 = \0B\r\n"s},
        {"a line longer than any buffer", std::string(100000, 'k') + "\r\n" + rename, '-', "Rename",
         "NUL", "C:\\OLD\\A.DLL", std::string(100000, 'k') + "\r\n[Rename]\r\n"},
        {"an entry longer than any buffer", "[Rename]\r\n", '+', "Rename", "NUL", longValue.c_str(),
         "[Rename]\r\nNUL = " + longValue + "\r\n"},
    };
    // Each case also on a read-only file, which is edited and stays read-only.
    for (const DWORD attributes : {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY}) {
        for (const CEditCase& c : cases) {
            INFO(c.name);
            INFO(attributes);
            const std::string path = IniWith(c.before);
            SetFileAttributesA(path.c_str(), attributes);
            SWININIT::CIniFile editor(path.c_str());
            Apply(editor, c);
            CHECK(FileBytes(path) == c.after);
            CHECK((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) ==
                  (c.before == kMissing ? 0 : attributes & FILE_ATTRIBUTE_READONLY));
        }
    }
}

TEST_CASE("a file that cannot be opened or brought to its new size stays as it was") {
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
        const std::string path = IniWith("[Rename]\r\nNUL = C:\\A\r\n");
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
    SUBCASE("another program maps it: no cut, so a shorter file is refused whole") {
        const std::string file = "[Rename]\r\nAAAA = 1111\r\nC = D\r\n";
        const CEditCase cases[] = {
            {"a middle line", file, '-', "Rename", "AAAA", "1111", file},
            {"the last line", file, '-', "Rename", "C", "D", file},
            {"NUL bytes to drop", file + std::string(64, '\0'), '+', "Rename", "E", "F",
             file + std::string(64, '\0')},
        };
        for (const CEditCase& c : cases) {
            INFO(c.name);
            const std::string path = IniWith(c.before);
            CReadMapping mapped(path);
            REQUIRE(mapped.IsHeld());
            SWININIT::CIniFile editor(path.c_str());
            CHECK_THROWS_AS(Apply(editor, c), SWININIT::CIniException);
            CHECK(FileBytes(path) == c.after);
        }
        // Growing is allowed, and the file is exactly as intended, without a reserve.
        const std::string path = IniWith(file);
        CReadMapping mapped(path);
        SWININIT::CIniFile(path.c_str()).AddEntry("Rename", "E", "F");
        CHECK(FileBytes(path) == file + "E = F\r\n");
    }
}
