// The OS layer on Windows 98: the WININIT.INI editor on real files and the 9x family's
// operations.
#include "os/9xFamilyOperations.h"
#include "os/Handles.h"
#include "os/PathText.h"
#include "tests/lib/TestFiles.h"
#include <doctest/doctest.h>

using namespace std::string_literals;
using namespace testfiles;
using namespace SSETUPOS;

namespace {

const std::string kFolder = FreshFolder("C:\\OS9X");
const std::string kMissing = "(missing)";

struct CEditCase {
    std::string before;
    char edit; // '+' AddEntry, '-' RemoveEntry
    const char* key;
    std::string value;
    std::string after;
};

// A file with these bytes ("(missing)": none) and attributes, edited as the case says.
std::string Edit(const CEditCase& c, DWORD attributes) {
    const std::string path = kFolder + "\\edit.ini";
    Remove(path);
    if (c.before != kMissing) {
        PutFile(path, c.before);
        SetFileAttributesA(path.c_str(), attributes);
    }
    SWININIT::CIniFile editor(path.c_str());
    const bool add = c.edit == '+';
    (editor.*(add ? &SWININIT::CIniFile::AddEntry : &SWININIT::CIniFile::RemoveEntry))(
        add ? "Rename" : "rename", c.key, c.value.c_str());
    return path;
}

// The setup temp folder name for a number, as the system's temp path gives it.
std::string SetupFolder(IOsDependOperations& os, int n) {
    const std::string temp = os.GetTempDir();
    return ToUpperText(temp.substr(0, temp.size() - 1) + "\\NvSETUP") + "." + std::to_string(n);
}

// The 8.3 form of a file, made first.
std::string ShortPathOf(const std::string& path) {
    PutFile(path, "x");
    char buffer[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return buffer;
}

// A name that GetTempFileNameA made in folder with that prefix: PREFIXnnnn.TMP.
bool MadeBySystem(const std::string& path, const std::string& folder, const char* prefix) {
    const std::string name = ToUpperText(GetFileNamePart(path));
    return GetDirectoryPart(path) == folder + "\\" && name.find(prefix) == 0 &&
           GetExtension(name) == "TMP";
}

} // namespace

TEST_CASE("the WININIT.INI editor adds and removes its lines and keeps every other byte") {
    const std::string line = "NUL = C:\\OLD\\A.DLL\r\n", rename = "[Rename]\r\n" + line;
    const std::string a = "C:\\OLD\\A.DLL", longLine(100000, 'k'), longValue(70000, 'v');
    const CEditCase cases[] = {
        {kMissing, '+', "NUL", a, rename},
        {"", '+', "NUL", a, rename},
        {"[boot]\r\nshell=x", '+', "NUL", a, "[boot]\r\nshell=x\r\n" + rename},
        {"[Renamed]\r\nA = B\r\n  [ rEnAmE ]  ; x\r\nX = Y\r\n", '+', "NUL", a,
         "[Renamed]\r\nA = B\r\n  [ rEnAmE ]  ; x\r\nX = Y\r\n" + line},
        {"[Rename]\r\nA = 1\r\n\r\nB = 2\r\n\r\n \t \r\n[boot]\r\n", '+', "NUL", a,
         "[Rename]\r\nA = 1\r\n\r\nB = 2\r\n" + line + "\r\n \t \r\n[boot]\r\n"},
        {"[Rename]\r\n\r\n", '+', "NUL", a, "[Rename]\r\n\r\n" + line},
        {"[Rename]\r\n[boot]\r\n", '+', "NUL", a, rename + "[boot]\r\n"},
        {"[Rename]\r\nX = Y", '+', "NUL", a, "[Rename]\r\nX = Y\r\n" + line},
        {"[Rename]\r\nX = Y\r\n\0\0\0"s, '+', "NUL", a, "[Rename]\r\nX = Y\r\n" + line},
        {"[Rename]\rX = Y\r[x]\r", '+', "NUL", a, "[Rename]\rX = Y\r" + line + "[x]\r"},
        {"[Rename]\r\nA = 1\r\n[Rename]\r\n", '+', "NUL", a,
         "[Rename]\r\nA = 1\r\n" + line + "[Rename]\r\n"},
        {longLine + "\r\n[Rename]\r\n", '+', "NUL", longValue,
         longLine + "\r\n[Rename]\r\nNUL = " + longValue + "\r\n"},
        {"[Rename]\r\nC = C:\\OLD\\X.DLL\r\nNUL   =    C:\\OLD\\X.DLL  \r\nZ = 1\r\n", '-', "nul",
         "c:\\old\\x.dll", "[Rename]\r\nC = C:\\OLD\\X.DLL\r\nZ = 1\r\n"},
        {"[Rename]\r\nNUL = A\r\nNUL = A\r\n", '-', "NUL", "A", "[Rename]\r\nNUL = A\r\n"},
        {"[Rename]\r\nA = B\r\nC = D", '-', "C", "D", "[Rename]\r\nA = B\r\n"},
        {"[boot]\r\nNUL = A\r\n[Rename]\r\nX = Y\r\n[x]\r\nNUL = A\r\n[Rename]\r\nNUL = A\r\n", '-',
         "NUL", "A", "[boot]\r\nNUL = A\r\n[Rename]\r\nX = Y\r\n[x]\r\nNUL = A\r\n[Rename]\r\n"},
        {"", '-', "NUL", "A", ""},
        {"[Rename]\rX = Y\rZ = 1", '-', "X", "Y", "[Rename]\rZ = 1"},
        {"[Rename]\nX = Y\n", '+', "NUL", a, "[Rename]\nX = Y\n" + line},
        {"[Rename]\r\nA\0 = \0B\r\nX = Y\r\n"s, '-', "X", "Y", "[Rename]\r\nA\0 = \0B\r\n"s},
    };
    // Each case also on a read-only file, which is edited and stays read-only.
    for (const DWORD attributes : {FILE_ATTRIBUTE_NORMAL, FILE_ATTRIBUTE_READONLY}) {
        for (const CEditCase& c : cases) {
            CAPTURE(c.before.substr(0, 60));
            CAPTURE(attributes);
            const std::string path = Edit(c, attributes);
            CHECK(FileBytes(path) == c.after);
            CHECK((GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY) ==
                  (c.before == kMissing ? 0 : attributes & FILE_ATTRIBUTE_READONLY));
        }
    }
}

TEST_CASE("a WININIT.INI held or mapped by another program stays as it was") {
    const std::string path = kFolder + "\\held.ini", bytes = "[Rename]\r\nAAAA = 1111\r\n";
    PutFile(path, bytes);
    {
        const CReadOnlyFile held(path);
        CHECK_THROWS_AS(SWININIT::CIniFile(path.c_str()).AddEntry("Rename", "C", "D"),
                        SWININIT::CIniException);
    }
    // Another program maps it: the file may grow but not be cut, so a removal is refused whole.
    const CHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
    const CHandle mapping(CreateFileMappingA(file.Get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    void* const view = MapViewOfFile(mapping.Get(), FILE_MAP_READ, 0, 0, 0);
    REQUIRE(view != nullptr);
    SWININIT::CIniFile(path.c_str()).AddEntry("Rename", "C", "D");
    CHECK_THROWS_AS(SWININIT::CIniFile(path.c_str()).RemoveEntry("Rename", "AAAA", "1111"),
                    SWININIT::CIniException);
    CHECK(FileBytes(path) == bytes + "C = D\r\n");
    UnmapViewOfFile(view);
}

TEST_CASE("system folders, also where GetSystemWindowsDirectoryA is missing") {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    for (const char* library : {"kernel32.dll", "version.dll", "nosuchlibrary.dll"}) {
        CAPTURE(library);
        C9xFamilyOperations os(library);
        CHECK(os.GetSystem32Dir() == windows + "\\System32"s);
        CHECK(os.GetWininitPath() == windows + "\\WININIT.INI"s);
    }
}

TEST_CASE("9x MoveFileTo replaces through a backup name and brings the old target back") {
    C9xFamilyOperations os;
    const std::string source = kFolder + "\\new.dll", target = kFolder + "\\file.dll";
    const struct {
        bool replace, sourceThere, targetThere;
        int backupsTaken; // names ending in 0 to n - 1 hold other files
        bool moved;
    } cases[] = {
        {true, true, true, 1, true},    {false, true, true, 0, false},
        {true, true, false, 0, true},   {true, true, true, 10, false},
        {true, false, true, 10, false}, {true, false, true, 0, false},
    };
    for (const auto& c : cases) {
        CAPTURE(c.backupsTaken);
        for (int digit = 0; digit < 10; ++digit) {
            digit < c.backupsTaken ? PutFile(target + char('0' + digit), "taken")
                                   : Remove(target + char('0' + digit));
        }
        c.sourceThere ? PutFile(source, "new") : Remove(source);
        c.targetThere ? PutFile(target, "old") : Remove(target);
        CHECK(os.MoveFileTo(source.c_str(), target.c_str(), c.replace) == c.moved);
        CHECK(FileBytes(target) == (c.moved ? "new" : c.targetThere ? "old" : kMissing));
        CHECK(FileBytes(source) == (!c.moved && c.sourceThere ? "new" : kMissing));
        for (int digit = 0; digit < 10; ++digit) {
            CHECK(FileBytes(target + char('0' + digit)) ==
                  (digit < c.backupsTaken ? "taken" : kMissing));
        }
    }
}

TEST_CASE("setup temp folders: earlier runs' ones are skipped and kept, backups never collide") {
    C9xFamilyOperations os;
    CreateDirectoryA(SetupFolder(os, 0).c_str(), nullptr);
    PutFile(kFolder + "\\drv.sys", "first");
    const std::string folder = os.CreateSetupTempFolder();
    CHECK(folder == SetupFolder(os, 1));
    CHECK(os.BackupToTempFolder((kFolder + "\\drv.sys").c_str(), false) == folder + "\\drv.sys");
    // The same name again, copied and then moved: names that the system makes.
    PutFile(kFolder + "\\drv.sys", "second");
    const std::string second = os.BackupToTempFolder((kFolder + "\\drv.sys").c_str(), false);
    CHECK(MadeBySystem(second, folder, "STP"));
    PutFile(kFolder + "\\drv.sys", "third");
    const std::string third = os.BackupToTempFolder((kFolder + "\\drv.sys").c_str(), true);
    CHECK(MadeBySystem(third, folder, "STP"));
    CHECK_FALSE(Exists(kFolder + "\\drv.sys"));
    CHECK(FileBytes(folder + "\\drv.sys") + FileBytes(second) + FileBytes(third) ==
          "firstsecondthird");
    SetFileAttributesA(second.c_str(), FILE_ATTRIBUTE_READONLY);
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    PutFile(folder + "\\sub\\b.dll", "b");
    CHECK(os.RemoveSetupTempFolders());
    CHECK_FALSE(Exists(folder));
    CHECK(Exists(SetupFolder(os, 0)));
}

TEST_CASE("CopyToUniqueName: a name of the system's making when taken, no file when it fails") {
    C9xFamilyOperations os;
    const std::string into = FreshFolder(kFolder + "\\into");
    PutFile(kFolder + "\\ab", "ab");
    PutFile(into + "\\_ab", "taken");
    const std::string unique = os.CopyToUniqueName((kFolder + "\\ab").c_str(), into.c_str());
    CHECK(MadeBySystem(unique, into, "AB"));
    CHECK(FileBytes(unique) + FileBytes(into + "\\_ab") == "abtaken");
    PutFile(into + "\\_missing.sys", "taken");
    CHECK(os.CopyToUniqueName((kFolder + "\\missing.sys").c_str(), into.c_str()) == "");
    WIN32_FIND_DATAA entry;
    CHECK(FindFirstFileA((into + "\\MIS*.TMP").c_str(), &entry) == INVALID_HANDLE_VALUE);
}

TEST_CASE("9x boot-time renames are 8.3 lines of the Rename section of WININIT.INI") {
    C9xFamilyOperations os;
    const std::string wininit = os.GetWininitPath();
    Remove(wininit);
    // Neither "=" nor a bracket of a long name may reach the file: they would break the line.
    const std::string source = kFolder + "\\Long New.dll", doomed = kFolder + "\\Long doomed.dll",
                      target = kFolder + "\\Long [T] = N.dll", missing = kFolder + "\\no.dll";
    const std::string both = "[Rename]\r\n" + ShortPathOf(target) + " = " + ShortPathOf(source) +
                             "\r\nNUL = " + ShortPathOf(doomed) + "\r\n";
    REQUIRE(both.find_first_of(" []", 10) == both.find(" = "));
    CHECK(os.MoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.MoveFileAtReboot(doomed.c_str(), nullptr));
    // A missing file has no short form: nothing is written or cancelled.
    CHECK_FALSE(os.MoveFileAtReboot(missing.c_str(), target.c_str()));
    CHECK_FALSE(os.CancelMoveFileAtReboot(source.c_str(), missing.c_str()));
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), target.c_str()));
    CHECK(FileBytes(wininit) == both);
    // The long names find the short lines; the file these renames made goes with the last.
    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), nullptr));
    CHECK(FileBytes(wininit) == kMissing);
}
