// Version resources read back from real modules in C:\VER (put there by versions.sh) and the
// replacement decision made on them.
#include "ops/FileVersions.h"
#include "tests/lib/TestFiles.h"
#include <doctest/doctest.h>
#include <windows.h>
#include <string>
#include <vector>

using namespace SFileVersions;

namespace {

const std::string kDir = "C:\\VER\\";

VS_FIXEDFILEINFO Record(DWORD productMS, DWORD productLS, DWORD fileMS = 0, DWORD fileLS = 0) {
    VS_FIXEDFILEINFO record = {};
    record.dwProductVersionMS = productMS;
    record.dwProductVersionLS = productLS;
    record.dwFileVersionMS = fileMS;
    record.dwFileVersionLS = fileLS;
    return record;
}

std::string In(const char* name) {
    return kDir + name;
}

// A copy of a test module under another name (the extension decides what it counts as).
void CopyAs(const char* module, const char* name) {
    REQUIRE(CopyFileA(In(module).c_str(), In(name).c_str(), FALSE));
}

} // namespace

TEST_CASE("product versions compare numerically, high half first; file versions shown") {
    const VS_FIXEDFILEINFO v1009 = Record(MAKELONG(0, 1), MAKELONG(9, 0));
    const VS_FIXEDFILEINFO v1010 = Record(MAKELONG(0, 1), MAKELONG(10, 0));
    CHECK(CompareVersions(v1009, v1010) == -1);
    CHECK_FALSE(IsOlder(v1009, v1009));
    CHECK(IsOlder(v1009, v1010));
    CHECK(CompareVersions(Record(MAKELONG(0, 2), 0), Record(MAKELONG(65535, 1), 0xFFFFFFFF)) == 1);
    // Only the product version counts.
    CHECK(CompareVersions(Record(2, 0, 2, 1), Record(2, 0, 9, 7)) == 0);
    CHECK(FormatFileVersion(Record(MAKELONG(9, 9), 9, MAKELONG(0, 65535), MAKELONG(4, 3))) ==
          "65535.0.3.4");
}

TEST_CASE("versioned modules by extension, any letter case") {
    CHECK(IsVersionedModule("C:\\pkg\\ZVapi.DlL"));
    CHECK(IsVersionedModule("C:\\pkg\\zvService.exe"));
    for (const char* path : {"C:\\pkg\\noextension", "C:\\pkg.dll\\file", "C:\\pkg\\file.dll0", ""}) {
        CHECK_FALSE(IsVersionedModule(path));
    }
}

TEST_CASE("translations and strings read from real modules") {
    CHECK(ReadVersionString(In("same_b.dll").c_str(), "FileVersion") == "2.0.0.7");
    CHECK(ReadVersionString(In("same_b.dll").c_str(), "CompanyName") == "");

    CFileVersionInfo reader(In("v1009.dll").c_str(), true);
    std::vector<CTranslation> translations;
    reader.GetTranslations(translations);
    REQUIRE(translations.size() == 1);
    CHECK(translations[0].language == 0x0409);
    CHECK(translations[0].codePage == 0x04e4);
    CHECK(reader.GetString(translations[0], "FileVersion") == "1.0.0.9");
    // A value of only the terminating zero is found and empty; a missing key throws.
    CHECK(reader.GetString(translations[0], "Comments") == "");
    CHECK_THROWS_AS(reader.GetString(translations[0], "CompanyName"), CFileVerExcpt);
}

TEST_CASE("no version resource is error 1813 on every system, a missing file 2") {
    testfiles::PutFile(In("readme.txt"), "not a module");
    const struct {
        const char* name;
        DWORD error;
    } rows[] = {
        {"nover.dll", ERROR_RESOURCE_TYPE_NOT_FOUND},   // no resources at all
        {"strings.dll", ERROR_RESOURCE_TYPE_NOT_FOUND}, // resources, but no version
        {"readme.txt", ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"absent.dll", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& row : rows) {
        const std::string path = In(row.name);
        CAPTURE(path);
        VS_FIXEDFILEINFO record = Record(7, 7);
        CHECK_FALSE(ReadFixedInfo(path.c_str(), record));
        CHECK(record.dwProductVersionMS == 7); // left as it was
        CHECK(ReadVersionString(path.c_str(), "ProductVersion") == "");
        CFileVersionInfo reader(path.c_str(), false);
        try {
            reader.GetFixedInfo();
            FAIL("no exception");
        } catch (const CFileVerExcpt& error) {
            CHECK(error.errorCode == row.error);
            CHECK(error.source == &reader);
        }
    }
}

TEST_CASE("a reader that failed loads again on its next call") {
    const std::string path = In("later.dll");
    DeleteFileA(path.c_str());
    CFileVersionInfo reader(path.c_str(), false);
    CHECK_THROWS_AS(reader.GetFixedInfo(), CFileVerExcpt);
    REQUIRE(CopyFileA(In("v1009.dll").c_str(), path.c_str(), FALSE));
    CHECK(reader.GetFixedInfo().dwProductVersionLS == MAKELONG(9, 0));
}

TEST_CASE("a version resource without translations gives empty strings, no exception") {
    const std::string path = In("notrans.dll");
    CHECK(ReadVersionString(path.c_str(), "ProductVersion") == "");
    VS_FIXEDFILEINFO record = {};
    CHECK(ReadFixedInfo(path.c_str(), record));
    CHECK(record.dwProductVersionMS == MAKELONG(0, 3));
}

TEST_CASE("replacement decision") {
    CopyAs("v1009.dll", "OLD.SYS");
    CopyAs("v1010.dll", "new.Sys");
    CopyAs("v1009.dll", "old.txt");
    CopyAs("v1010.dll", "new.txt");
    const struct {
        const char* source;
        const char* target;
        bool replace;
    } rows[] = {
        // By product version, numerically, whatever the case of the extension.
        {"v1010.dll", "v1009.dll", true},
        {"v1009.dll", "v1010.dll", false},
        {"OLD.SYS", "new.Sys", false},
        // Equal product versions with different file versions: replaced, both ways.
        {"same_a.dll", "same_b.dll", true},
        {"same_b.dll", "same_a.dll", true},
        // An installed file without version is always replaced; an unversioned source never
        // replaces a versioned one.
        {"v1009.dll", "nover.dll", true},
        {"nover.dll", "v1009.dll", false},
        {"v1009.dll", "absent.dll", true},
        {"absent.dll", "v1010.dll", true},
        // Not a module: replaced without looking at versions, although these are old modules.
        {"old.txt", "new.txt", true},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.source) + " over " + row.target);
        CHECK(IsReplacementNeeded(In(row.source).c_str(), In(row.target).c_str()) == row.replace);
    }
}
