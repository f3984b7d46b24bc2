// Version resources read back from real modules in C:\VER (put there by versions.sh) and the
// replacement decision made on them.
#include "ops/FileVersions.h"
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
std::string CopyAs(const char* module, const char* name) {
    const std::string target = In(name);
    REQUIRE(CopyFileA(In(module).c_str(), target.c_str(), FALSE));
    return target;
}

} // namespace

TEST_CASE("product versions compare numerically, high half first") {
    const VS_FIXEDFILEINFO v1009 = Record(MAKELONG(0, 1), MAKELONG(9, 0));
    const VS_FIXEDFILEINFO v1010 = Record(MAKELONG(0, 1), MAKELONG(10, 0));
    CHECK(CompareVersions(v1010, v1009) == 1);
    CHECK(CompareVersions(v1009, v1010) == -1);
    CHECK(CompareVersions(v1009, v1009) == 0);
    CHECK(IsNotOlder(v1010, v1009));
    CHECK_FALSE(IsOlder(v1010, v1009));
    CHECK(IsOlder(v1009, v1010));
    CHECK(IsNotOlder(v1009, v1009));

    const VS_FIXEDFILEINFO v2 = Record(MAKELONG(0, 2), 0);
    const VS_FIXEDFILEINFO v1max = Record(MAKELONG(65535, 1), 0xFFFFFFFF);
    CHECK(CompareVersions(v2, v1max) == 1);
    CHECK(CompareVersions(v1max, v2) == -1);

    // Only the product version counts.
    const VS_FIXEDFILEINFO a = Record(MAKELONG(0, 2), 0, MAKELONG(0, 2), 1);
    const VS_FIXEDFILEINFO b = Record(MAKELONG(0, 2), 0, MAKELONG(0, 9), 7);
    CHECK(CompareVersions(a, b) == 0);
}

TEST_CASE("FormatFileVersion shows the file version") {
    CHECK(FormatFileVersion(Record(0, 0, MAKELONG(2, 1), MAKELONG(4, 3))) == "1.2.3.4");
    CHECK(FormatFileVersion(Record(MAKELONG(9, 9), 9, MAKELONG(0, 65535), MAKELONG(9, 10))) ==
          "65535.0.10.9");
}

TEST_CASE("versioned modules by extension, any letter case") {
    CHECK(IsVersionedModule("C:\\pkg\\zvAPI.dll"));
    CHECK(IsVersionedModule("C:\\pkg\\ZVapi.DlL"));
    CHECK(IsVersionedModule("zvIFDH.SYS"));
    CHECK(IsVersionedModule("C:\\pkg\\zvService.exe"));
    CHECK_FALSE(IsVersionedModule("C:\\pkg\\readme.txt"));
    CHECK_FALSE(IsVersionedModule("C:\\pkg\\setup.inf"));
    CHECK_FALSE(IsVersionedModule("C:\\pkg\\zvCSP.sig"));
    CHECK_FALSE(IsVersionedModule("C:\\pkg\\noextension"));
    CHECK_FALSE(IsVersionedModule("C:\\pkg.dll\\file"));
    CHECK_FALSE(IsVersionedModule("C:\\pkg\\file.dll0"));
    CHECK_FALSE(IsVersionedModule(""));
}

TEST_CASE("fixed record and strings read from real modules") {
    VS_FIXEDFILEINFO record = {};
    REQUIRE(ReadFixedInfo(In("v1010.dll").c_str(), record));
    CHECK(record.dwSignature == 0xFEEF04BD);
    CHECK(record.dwProductVersionMS == MAKELONG(0, 1));
    CHECK(record.dwProductVersionLS == MAKELONG(10, 0));
    CHECK(FormatFileVersion(record) == "1.0.0.10");

    CHECK(ReadVersionString(In("v1010.dll").c_str(), "ProductVersion") == "1.0.0.10");
    CHECK(ReadVersionString(In("same_b.dll").c_str(), "FileVersion") == "2.0.0.7");
    CHECK(ReadVersionString(In("same_b.dll").c_str(), "FileDescription") ==
          "Version test module 2.0.0.0");
    // A value that holds only its terminating zero, and a key that is not there.
    CHECK(ReadVersionString(In("same_b.dll").c_str(), "Comments") == "");
    CHECK(ReadVersionString(In("same_b.dll").c_str(), "CompanyName") == "");

    CFileVersionInfo reader(In("v1009.dll").c_str(), true);
    std::vector<CTranslation> translations;
    reader.GetTranslations(translations);
    REQUIRE(translations.size() == 1);
    CHECK(translations[0].language == 0x0409);
    CHECK(translations[0].codePage == 0x04e4);
    CHECK(reader.GetString(translations[0], "FileVersion") == "1.0.0.9");
    CHECK(reader.GetFixedInfo().dwFileVersionLS == MAKELONG(9, 0));
    // A value of only the terminating zero is found and empty; a missing key throws.
    std::string comments = "not read";
    CHECK_NOTHROW(comments = reader.GetString(translations[0], "Comments"));
    CHECK(comments == "");
    CHECK_THROWS_AS(reader.GetString(translations[0], "CompanyName"), CFileVerExcpt);
}

TEST_CASE("the sample package's reader driver") {
    VS_FIXEDFILEINFO record = {};
    REQUIRE(ReadFixedInfo(In("zvIFDH.sys").c_str(), record));
    CHECK(record.dwProductVersionMS == MAKELONG(1, 1));
    CHECK(record.dwProductVersionLS == 0);
    CHECK(FormatFileVersion(record) == "1.1.2.15");
    CHECK(ReadVersionString(In("zvIFDH.sys").c_str(), "ProductVersion") == "1.1.0.0");
    const VS_FIXEDFILEINFO v110 = Record(MAKELONG(1, 1), 0);
    CHECK(CompareVersions(record, v110) == 0);
}

TEST_CASE("a module without version resource") {
    const std::string path = In("nover.dll");
    VS_FIXEDFILEINFO record = Record(7, 7);
    CHECK_FALSE(ReadFixedInfo(path.c_str(), record));
    // Left as it was.
    CHECK(record.dwProductVersionMS == 7);
    CHECK(record.dwProductVersionLS == 7);
    CHECK(ReadVersionString(path.c_str(), "ProductVersion") == "");

    CFileVersionInfo reader(path.c_str(), false);
    try {
        reader.GetFixedInfo();
        FAIL("no exception");
    } catch (const CFileVerExcpt& error) {
        CHECK(error.source == &reader);
        CHECK(error.source->GetPath() == path);
        // The system's own code for this file (Windows: 1813; Wine answers 2).
        DWORD handle = 0;
        SetLastError(0);
        CHECK(GetFileVersionInfoSizeA(path.c_str(), &handle) == 0);
        const DWORD systemCode = GetLastError();
        CHECK(systemCode != 0);
        CHECK(error.errorCode == systemCode);
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
    const std::string v1009 = In("v1009.dll");
    const std::string v1010 = In("v1010.dll");
    // By product version, numerically.
    CHECK(IsReplacementNeeded(v1010.c_str(), v1009.c_str()));
    CHECK_FALSE(IsReplacementNeeded(v1009.c_str(), v1010.c_str()));
    // Equal product versions with different file versions: replaced, both ways.
    CHECK(IsReplacementNeeded(In("same_a.dll").c_str(), In("same_b.dll").c_str()));
    CHECK(IsReplacementNeeded(In("same_b.dll").c_str(), In("same_a.dll").c_str()));
    // The same rule for drivers, whatever the case of the extension.
    const std::string oldDriver = CopyAs("v1009.dll", "OLD.SYS");
    const std::string newDriver = CopyAs("v1010.dll", "new.Sys");
    CHECK_FALSE(IsReplacementNeeded(oldDriver.c_str(), newDriver.c_str()));
    CHECK(IsReplacementNeeded(newDriver.c_str(), oldDriver.c_str()));
    // An installed file without version is always replaced; an unversioned source never
    // replaces a versioned one.
    CHECK(IsReplacementNeeded(v1009.c_str(), In("nover.dll").c_str()));
    CHECK_FALSE(IsReplacementNeeded(In("nover.dll").c_str(), v1009.c_str()));
    // Missing files.
    CHECK(IsReplacementNeeded(v1009.c_str(), In("absent.dll").c_str()));
    CHECK(IsReplacementNeeded(In("absent.dll").c_str(), v1010.c_str()));
    // Not a module: replaced without looking at versions, although these are old modules.
    const std::string oldText = CopyAs("v1009.dll", "old.txt");
    const std::string newText = CopyAs("v1010.dll", "new.txt");
    CHECK(IsReplacementNeeded(oldText.c_str(), newText.c_str()));
}
