// The OS layer on a Windows 98 machine: manager, folders, file primitives, setup temp
// folders, the 9x replacing move and the WININIT.INI lines of the boot-time renames.
#include "app/SingletonAutoPointer.h"
#include "os/9xFamilyOperations.h"
#include "os/OSManager.h"
#include "os/PathText.h"
#include "OsTestFiles.h"
#include <doctest/doctest.h>

using ostest::Exists;
using ostest::FileBytes;
using ostest::PutFile;

namespace {

const std::string kFolder = ostest::FreshFolder("C:\\OS9X");

std::string SystemText(UINT (*call)(LPSTR, UINT)) {
    char buffer[MAX_PATH] = {};
    call(buffer, MAX_PATH);
    return buffer;
}

std::string ShortPathOf(const std::string& path) {
    char buffer[MAX_PATH] = {};
    GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return buffer;
}

// The setup temp folder name for a number, as the system's temp path gives it.
std::string SetupFolderName(SSETUPOS::IOsDependOperations& os, int n) {
    const std::string temp = os.GetTempDir();
    return SSETUPOS::ToUpperText(temp.substr(0, temp.size() - 1) + "\\NvSETUP") + "." +
           std::to_string(n);
}

void RemoveSetupFolders(SSETUPOS::CIOsDependDefault& os) {
    for (int n = 0; n < 100; ++n) {
        const std::string folder = SetupFolderName(os, n);
        if (Exists(folder)) {
            os.DeleteTree(folder);
        }
    }
}

// A name that GetTempFileNameA made in folder with that prefix: PREFIXnnnn.TMP.
bool MadeBySystem(const std::string& path, const std::string& folder, const char* prefix) {
    const std::string name = SSETUPOS::ToUpperText(SSETUPOS::GetFileNamePart(path));
    return SSETUPOS::GetDirectoryPart(path) == folder + "\\" && name.find(prefix) == 0 &&
           SSETUPOS::GetExtension(name) == "TMP";
}

int FilesIn(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    int count = 0;
    const HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &entry);
    for (bool more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileA(find, &entry)) {
        ++count;
    }
    if (find != INVALID_HANDLE_VALUE) {
        FindClose(find);
    }
    return count;
}

char MissingDrive() {
    const DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if (!(drives & (1u << (letter - 'A')))) {
            return letter;
        }
    }
    return 0;
}

} // namespace

TEST_CASE("the manager reads the version once and picks the 9x family") {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
    CHECK_FALSE(manager->IsNTPlatform());
    SSETUPOS::IOsDependOperations* const operations = manager->GetOperations();
    CHECK(dynamic_cast<SSETUPOS::C9xFamilyOperations*>(operations) != nullptr);
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> second;
    CHECK(second->GetOperations() == operations);
}

TEST_CASE("system folders, also where GetSystemWindowsDirectoryA is missing") {
    const std::string windows =
        SystemText([](LPSTR b, UINT n) { return GetWindowsDirectoryA(b, n); });
    // Windows 98 has no GetSystemWindowsDirectoryA (Wine exports it): a library without it,
    // and a missing library, take the same path.
    for (const char* library : {"kernel32.dll", "version.dll", "nosuchlibrary.dll"}) {
        INFO(library);
        SSETUPOS::C9xFamilyOperations os(library);
        CHECK(os.GetWindowsDir() == windows);
        CHECK(os.GetSystem32Dir() == windows + "\\System32");
        CHECK(os.GetWininitPath() == windows + "\\WININIT.INI");
    }
    CHECK(SSETUPOS::C9xFamilyOperations().GetTempDir().back() == '\\');
}

TEST_CASE("drive roots and existence of files and folders") {
    SSETUPOS::C9xFamilyOperations os;
    const char missing = MissingDrive();
    REQUIRE(missing != 0);
    const std::string missingRoot = std::string(1, missing) + ":";
    PutFile(kFolder + "\\file.txt", "x");
    const std::string file = kFolder + "\\file.txt";
    const std::string nothing = kFolder + "\\nothing";
    // path, IsDriveRoot, DirectoryExists, FileExists
    const struct {
        std::string path;
        bool root;
        bool directory;
        bool exists;
    } cases[] = {
        {"C:", true, true, false},
        {"C:\\", true, true, false},
        {"c:/", true, true, false},
        {"C:x", false, false, false}, // a name in the drive's current folder
        {"CC:", false, false, false},
        {"C", false, false, false},
        {missingRoot, false, false, false},
        {missingRoot + "\\", false, false, false},
        {kFolder, false, true, true},
        {file, false, false, true},
        {nothing, false, false, false},
    };
    for (const auto& c : cases) {
        INFO(c.path);
        CHECK(os.IsDriveRoot(c.path.c_str()) == c.root);
        CHECK(os.DirectoryExists(c.path.c_str()) == c.directory);
        CHECK(os.FileExists(c.path.c_str()) == c.exists);
    }
}

TEST_CASE("copy and directory primitives") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string a = kFolder + "\\prim-a.txt";
    const std::string b = kFolder + "\\prim-b.txt";
    PutFile(a, "alpha");
    PutFile(b, "beta");
    CHECK_FALSE(os.CopyFileTo(a.c_str(), b.c_str(), false));
    CHECK(FileBytes(b) == "beta");
    CHECK(os.CopyFileTo(a.c_str(), b.c_str(), true));
    CHECK(FileBytes(b) == "alpha");
    // One level only.
    CHECK_FALSE(os.MakeDirectory((kFolder + "\\no\\such").c_str()));
    CHECK_FALSE(Exists(kFolder + "\\no"));
}

TEST_CASE("9x MoveFileTo replaces through a backup name") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string source = kFolder + "\\new.dll";
    const std::string target = kFolder + "\\file.dll";
    const std::string missing = "(missing)";
    const struct {
        const char* name;
        bool replace;
        bool sourceThere;
        bool targetThere;
        int backupsTaken; // names ending in 0 to n - 1 hold other files
        bool moved;
    } cases[] = {
        {"the backup name ending in 0 is taken: 1 is used, not left", true, true, true, 1, true},
        {"no replacing: an existing target stays", false, true, true, 0, false},
        {"a free target is a plain move", true, true, false, 0, true},
        {"all ten backup names taken: nothing moves", true, true, true, 10, false},
        {"all taken, no source: the target keeps its name", true, false, true, 10, false},
        {"a missing source: the old target comes back", true, false, true, 0, false},
    };
    for (const auto& c : cases) {
        INFO(c.name);
        for (int digit = 0; digit < 10; ++digit) {
            ostest::Remove(target + char('0' + digit));
            if (digit < c.backupsTaken) {
                PutFile(target + char('0' + digit), "taken");
            }
        }
        ostest::Remove(source);
        ostest::Remove(target);
        if (c.sourceThere) {
            PutFile(source, "new");
        }
        if (c.targetThere) {
            PutFile(target, "old");
        }
        CHECK(os.MoveFileTo(source.c_str(), target.c_str(), c.replace) == c.moved);
        CHECK(FileBytes(target) == (c.moved ? "new" : c.targetThere ? "old" : missing));
        CHECK(FileBytes(source) == (!c.moved && c.sourceThere ? "new" : missing));
        for (int digit = 0; digit < 10; ++digit) {
            CHECK(FileBytes(target + char('0' + digit)) ==
                  (digit < c.backupsTaken ? "taken" : missing));
        }
    }
}

TEST_CASE("setup temp folders") {
    SSETUPOS::C9xFamilyOperations cleaner;
    RemoveSetupFolders(cleaner);

    SUBCASE("names left by earlier runs are skipped, and the folder is reused") {
        for (int n = 0; n < 3; ++n) {
            REQUIRE(CreateDirectoryA(SetupFolderName(cleaner, n).c_str(), nullptr));
        }
        {
            SSETUPOS::C9xFamilyOperations os;
            const std::string folder = os.CreateSetupTempFolder();
            CHECK(folder == SetupFolderName(os, 3));
            CHECK(folder.find("\\NVSETUP.3") != std::string::npos);
            CHECK(os.DirectoryExists(folder.c_str()));
            CHECK(os.CreateSetupTempFolder() == folder);
            // What is inside goes with the folder, read-only files and subfolders too.
            PutFile(folder + "\\a.dll", "a");
            SetFileAttributesA((folder + "\\a.dll").c_str(), FILE_ATTRIBUTE_READONLY);
            REQUIRE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
            PutFile(folder + "\\sub\\b.dll", "b");
            CHECK(os.RemoveSetupTempFolders());
            CHECK_FALSE(Exists(folder));
            // The earlier runs' folders are not ours.
            CHECK(Exists(SetupFolderName(os, 2)));
            // A new one after the removal; the destructor removes it.
            CHECK(os.CreateSetupTempFolder() == folder);
            PutFile(folder + "\\c.dll", "c");
        }
        CHECK_FALSE(Exists(SetupFolderName(cleaner, 3)));
        CHECK(Exists(SetupFolderName(cleaner, 0)));
    }
    SUBCASE("all hundred names taken") {
        for (int n = 0; n < 100; ++n) {
            REQUIRE(CreateDirectoryA(SetupFolderName(cleaner, n).c_str(), nullptr));
        }
        SSETUPOS::C9xFamilyOperations os;
        CHECK(os.CreateSetupTempFolder() == "");
        CHECK(os.BackupToTempFolder((kFolder + "\\file.txt").c_str(), false) == "");
    }
    SUBCASE("the last manager holder removes the folders") {
        std::string folder;
        {
            SDP::singleton_auto_pointer<SSETUPOS::COSManager> manager;
            folder = manager->GetOperations()->CreateSetupTempFolder();
            REQUIRE(folder == SetupFolderName(cleaner, 0));
            PutFile(folder + "\\kept.dll", "x");
            {
                SDP::singleton_auto_pointer<SSETUPOS::COSManager> inner;
                CHECK(inner->GetOperations()->CreateSetupTempFolder() == folder);
            }
            CHECK(Exists(folder + "\\kept.dll"));
        }
        CHECK_FALSE(Exists(folder));
    }
    RemoveSetupFolders(cleaner);
}

TEST_CASE("BackupToTempFolder") {
    SSETUPOS::C9xFamilyOperations os;
    RemoveSetupFolders(os);
    ostest::FreshFolder(kFolder + "\\one");
    ostest::FreshFolder(kFolder + "\\two");
    PutFile(kFolder + "\\one\\drv.sys", "first");
    PutFile(kFolder + "\\two\\drv.sys", "second");
    PutFile(kFolder + "\\moved.sys", "moved");

    const std::string folder = os.CreateSetupTempFolder();
    const std::string first = os.BackupToTempFolder((kFolder + "\\one\\drv.sys").c_str(), false);
    CHECK(first == folder + "\\drv.sys");
    CHECK(FileBytes(first) == "first");
    CHECK(FileBytes(kFolder + "\\one\\drv.sys") == "first");

    // The same name again: a name that the system makes, with the prefix stp.
    const std::string second = os.BackupToTempFolder((kFolder + "\\two\\drv.sys").c_str(), false);
    CHECK(MadeBySystem(second, folder, "STP"));
    CHECK(FileBytes(second) == "second");
    CHECK(FileBytes(first) == "first");

    const std::string moved = os.BackupToTempFolder((kFolder + "\\moved.sys").c_str(), true);
    CHECK(moved == folder + "\\moved.sys");
    CHECK(FileBytes(moved) == "moved");
    CHECK_FALSE(Exists(kFolder + "\\moved.sys"));
    // Moving a second file of that name replaces the empty file the system made.
    PutFile(kFolder + "\\moved.sys", "moved again");
    const std::string movedAgain = os.BackupToTempFolder((kFolder + "\\moved.sys").c_str(), true);
    CHECK(MadeBySystem(movedAgain, folder, "STP"));
    CHECK(FileBytes(movedAgain) == "moved again");
    CHECK_FALSE(Exists(kFolder + "\\moved.sys"));

    CHECK(os.BackupToTempFolder((kFolder + "\\no such.sys").c_str(), false) == "");
    CHECK(os.RemoveSetupTempFolders());
    CHECK_FALSE(Exists(folder));
}

TEST_CASE("CopyToUniqueName") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string into = ostest::FreshFolder(kFolder + "\\into");
    PutFile(kFolder + "\\a.sys", "a");
    PutFile(kFolder + "\\ab", "ab");

    CHECK(os.CopyToUniqueName((kFolder + "\\a.sys").c_str(), into.c_str()) == into + "\\_a.sys");
    CHECK(FileBytes(into + "\\_a.sys") == "a");

    // _ab is taken: the system makes a name with the file's first letters as prefix.
    PutFile(into + "\\_ab", "taken");
    const std::string unique = os.CopyToUniqueName((kFolder + "\\ab").c_str(), into.c_str());
    CHECK(MadeBySystem(unique, into, "AB"));
    CHECK(FileBytes(unique) == "ab");
    CHECK(FileBytes(into + "\\_ab") == "taken");

    // A failed copy leaves no file of that name.
    CHECK(os.CopyToUniqueName((kFolder + "\\missing.sys").c_str(), into.c_str()) == "");
    CHECK_FALSE(Exists(into + "\\_missing.sys"));
    // Nor an empty file of the system's making when the name was taken.
    PutFile(into + "\\_missing.sys", "taken");
    const int before = FilesIn(into);
    CHECK(os.CopyToUniqueName((kFolder + "\\missing.sys").c_str(), into.c_str()) == "");
    CHECK(FilesIn(into) == before);
}

TEST_CASE("9x boot-time renames are 8.3 lines of the Rename section of WININIT.INI") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string wininit = os.GetWininitPath();
    ostest::Remove(wininit);
    const std::string source = kFolder + "\\Long New Name.dll";
    const std::string doomed = kFolder + "\\Long doomed name.dll";
    // Neither "=" nor a bracket may reach the file: they would break the line.
    const std::string target = kFolder + "\\Long [Target] = Name.dll";
    const std::string missing = kFolder + "\\missing.dll";
    for (const std::string& file : {source, doomed, target}) {
        PutFile(file, "x");
    }
    const std::string both = "[Rename]\r\n" + ShortPathOf(target) + " = " + ShortPathOf(source) +
                             "\r\nNUL = " + ShortPathOf(doomed) + "\r\n";
    REQUIRE(both.find_first_of(" []", 10) == both.find(" = "));

    CHECK(os.MoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.MoveFileAtReboot(doomed.c_str(), nullptr));
    CHECK(FileBytes(wininit) == both);
    // A missing source or target has no short form: nothing is written or cancelled.
    CHECK_FALSE(os.MoveFileAtReboot(missing.c_str(), target.c_str()));
    CHECK_FALSE(os.MoveFileAtReboot(source.c_str(), missing.c_str()));
    CHECK_FALSE(os.CancelMoveFileAtReboot(missing.c_str(), target.c_str()));
    // Cancelling something not scheduled changes nothing.
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), target.c_str()));
    CHECK(FileBytes(wininit) == both);
    // A file held by another program, and one that it maps, which cannot be cut.
    {
        const HANDLE held = CreateFileA(wininit.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        CHECK_FALSE(os.MoveFileAtReboot(source.c_str(), nullptr));
        CloseHandle(held);
        const HANDLE mapped =
            CreateFileA(wininit.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        const HANDLE mapping = CreateFileMappingA(mapped, nullptr, PAGE_READONLY, 0, 0, nullptr);
        void* const view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
        CHECK_FALSE(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        CloseHandle(mapped);
        CHECK(FileBytes(wininit) == both);
    }
    // The long names given find the short lines.
    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    // The file these renames made goes with the last of them.
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), nullptr));
    CHECK(FileBytes(wininit) == "(missing)");
}

TEST_CASE("path text") {
    using namespace SSETUPOS;
    // path, file name part, extension, name without extension, directory part
    const struct {
        const char* path;
        const char* name;
        const char* extension;
        const char* withoutExtension;
        const char* directory;
    } cases[] = {
        {"C:\\dir.x\\zvCSP.dll", "zvCSP.dll", "dll", "C:\\dir.x\\zvCSP", "C:\\dir.x\\"},
        {"C:zvCSP.dll", "zvCSP.dll", "dll", "C:zvCSP", ""},
        {"file", "file", "", "file", ""},
        {"C:\\dir\\", "", "", "C:\\dir\\", "C:\\dir\\"},
        {"C:\\dir.x\\file", "file", "x\\file", "C:\\dir", "C:\\dir.x\\"},
    };
    for (const auto& c : cases) {
        INFO(c.path);
        CHECK(GetFileNamePart(c.path) == c.name);
        CHECK(GetExtension(c.path) == c.extension);
        CHECK(GetNameWithoutExtension(c.path) == c.withoutExtension);
        CHECK(GetDirectoryPart(c.path) == c.directory);
    }
    CHECK(ToUpperText("c:\\Win\\a.dll") == "C:\\WIN\\A.DLL");
}
