// The OS layer on a Windows 98 machine: manager, folders, file primitives, setup temp
// folders, the 9x replacing move and the WININIT.INI lines of the boot-time renames.
#include "app/SingletonAutoPointer.h"
#include "os/9xFamilyOperations.h"
#include "os/ExplicitCall.h"
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
    const OSVERSIONINFOA& version = manager->GetVersionInfo();
    CHECK(version.dwOSVersionInfoSize == 148);
    CHECK(version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS);
    CHECK((version.dwMajorVersion == 4 && version.dwMinorVersion == 10));
    CHECK_FALSE(manager->IsNTPlatform());
    SSETUPOS::IOsDependOperations* const operations = manager->GetOperations();
    CHECK(dynamic_cast<SSETUPOS::C9xFamilyOperations*>(operations) != nullptr);
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> second;
    CHECK(second.get() == manager.get());
    CHECK(second->GetOperations() == operations);
}

TEST_CASE("system folders") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string windows =
        SystemText([](LPSTR b, UINT n) { return GetWindowsDirectoryA(b, n); });
    CHECK(os.GetWindowsDir() == windows);
    CHECK(os.GetSystem32Dir() == windows + "\\System32");
    CHECK(os.GetSystemDir() ==
          SystemText([](LPSTR b, UINT n) { return GetSystemDirectoryA(b, n); }));
    const std::string temp = os.GetTempDir();
    CHECK(temp == SystemText([](LPSTR b, UINT n) { return UINT(GetTempPathA(n, b)); }));
    CHECK(temp.back() == '\\');
    CHECK(os.GetWininitPath() == windows + "\\WININIT.INI");
}

TEST_CASE("drive roots and existence of files and folders") {
    SSETUPOS::C9xFamilyOperations os;
    CHECK(os.IsDriveRoot("C:"));
    CHECK(os.IsDriveRoot("C:\\"));
    CHECK(os.IsDriveRoot("c:/"));
    CHECK_FALSE(os.IsDriveRoot("C:\\x"));
    CHECK_FALSE(os.IsDriveRoot("C"));
    CHECK_FALSE(os.IsDriveRoot("CC:"));
    // A name in the drive's current folder, not its root.
    CHECK_FALSE(os.IsDriveRoot("C:x"));
    const char missing = MissingDrive();
    REQUIRE(missing != 0);
    CHECK_FALSE(os.IsDriveRoot((std::string(1, missing) + ":").c_str()));
    CHECK_FALSE(os.DirectoryExists((std::string(1, missing) + ":\\").c_str()));

    PutFile(kFolder + "\\file.txt", "x");
    CHECK(os.DirectoryExists("C:\\"));
    CHECK(os.DirectoryExists("C:"));
    CHECK(os.DirectoryExists(kFolder.c_str()));
    CHECK_FALSE(os.DirectoryExists((kFolder + "\\file.txt").c_str()));
    CHECK_FALSE(os.DirectoryExists((kFolder + "\\nothing").c_str()));
    CHECK(os.FileExists((kFolder + "\\file.txt").c_str()));
    CHECK(os.FileExists(kFolder.c_str()));
    CHECK_FALSE(os.FileExists((kFolder + "\\nothing").c_str()));
}

TEST_CASE("file primitives") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string a = kFolder + "\\prim-a.txt";
    const std::string b = kFolder + "\\prim-b.txt";
    PutFile(a, "alpha");
    PutFile(b, "beta");
    CHECK_FALSE(os.CopyFileTo(a.c_str(), b.c_str(), false));
    CHECK(FileBytes(b) == "beta");
    CHECK(os.CopyFileTo(a.c_str(), b.c_str(), true));
    CHECK(FileBytes(b) == "alpha");
    CHECK(os.RemoveFile(b.c_str()));
    CHECK_FALSE(Exists(b));
    CHECK_FALSE(os.RemoveFile(b.c_str()));

    const std::string dir = kFolder + "\\made";
    RemoveDirectoryA(dir.c_str());
    CHECK(os.MakeDirectory(dir.c_str()));
    CHECK(os.DirectoryExists(dir.c_str()));
    CHECK_FALSE(os.MakeDirectory(dir.c_str()));
    // One level only.
    CHECK_FALSE(os.MakeDirectory((kFolder + "\\no\\such").c_str()));
    CHECK(RemoveDirectoryA(dir.c_str()));
}

TEST_CASE("9x MoveFileTo replaces through a backup name") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string source = kFolder + "\\new.dll";
    const std::string target = kFolder + "\\file.dll";
    const auto reset = [&]() {
        for (char digit = '0'; digit <= '9'; ++digit) {
            ostest::Remove(target + digit);
        }
        PutFile(source, "new");
        PutFile(target, "old");
    };

    SUBCASE("the backup name ending in 0 is taken: 1 is used and not left behind") {
        reset();
        PutFile(target + "0", "someone else's");
        CHECK(os.MoveFileTo(source.c_str(), target.c_str(), true));
        CHECK(FileBytes(target) == "new");
        CHECK_FALSE(Exists(source));
        CHECK(FileBytes(target + "0") == "someone else's");
        CHECK_FALSE(Exists(target + "1"));
        CHECK_FALSE(Exists(target + "2"));
    }
    SUBCASE("no replacing: an existing target stays") {
        reset();
        CHECK_FALSE(os.MoveFileTo(source.c_str(), target.c_str(), false));
        CHECK(FileBytes(target) == "old");
        CHECK(FileBytes(source) == "new");
    }
    SUBCASE("a free target is a plain move") {
        reset();
        ostest::Remove(target);
        CHECK(os.MoveFileTo(source.c_str(), target.c_str(), true));
        CHECK(FileBytes(target) == "new");
        CHECK_FALSE(Exists(target + "0"));
    }
    SUBCASE("all ten backup names taken: nothing moves") {
        reset();
        for (char digit = '0'; digit <= '9'; ++digit) {
            PutFile(target + digit, std::string(1, digit));
        }
        CHECK_FALSE(os.MoveFileTo(source.c_str(), target.c_str(), true));
        CHECK(FileBytes(target) == "old");
        CHECK(FileBytes(source) == "new");
        CHECK(FileBytes(target + "9") == "9");
        // With a missing source the old target must not take the source's name.
        ostest::Remove(source);
        CHECK_FALSE(os.MoveFileTo(source.c_str(), target.c_str(), true));
        CHECK(FileBytes(target) == "old");
        CHECK_FALSE(Exists(source));
    }
    SUBCASE("a missing source: the old target comes back") {
        reset();
        ostest::Remove(source);
        CHECK_FALSE(os.MoveFileTo(source.c_str(), target.c_str(), true));
        CHECK(FileBytes(target) == "old");
        CHECK_FALSE(Exists(target + "0"));
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
    CHECK(SSETUPOS::GetDirectoryPart(second) == folder + "\\");
    CHECK(SSETUPOS::ToUpperText(SSETUPOS::GetFileNamePart(second)).find("STP") == 0);
    CHECK(SSETUPOS::ToUpperText(SSETUPOS::GetExtension(second)) == "TMP");
    CHECK(FileBytes(second) == "second");
    CHECK(FileBytes(first) == "first");

    const std::string moved = os.BackupToTempFolder((kFolder + "\\moved.sys").c_str(), true);
    CHECK(moved == folder + "\\moved.sys");
    CHECK(FileBytes(moved) == "moved");
    CHECK_FALSE(Exists(kFolder + "\\moved.sys"));
    // Moving a second file of that name replaces the empty file the system made.
    PutFile(kFolder + "\\moved.sys", "moved again");
    const std::string movedAgain = os.BackupToTempFolder((kFolder + "\\moved.sys").c_str(), true);
    CHECK(SSETUPOS::ToUpperText(SSETUPOS::GetFileNamePart(movedAgain)).find("STP") == 0);
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
    CHECK(SSETUPOS::GetDirectoryPart(unique) == into + "\\");
    CHECK(SSETUPOS::ToUpperText(SSETUPOS::GetFileNamePart(unique)).find("AB") == 0);
    CHECK(SSETUPOS::ToUpperText(SSETUPOS::GetExtension(unique)) == "TMP");
    CHECK(FileBytes(unique) == "ab");
    CHECK(FileBytes(into + "\\_ab") == "taken");

    // A failed copy leaves no file of that name.
    CHECK(os.CopyToUniqueName((kFolder + "\\missing.sys").c_str(), into.c_str()) == "");
    CHECK_FALSE(Exists(into + "\\_missing.sys"));
    PutFile(into + "\\_missing.sys", "taken");
    WIN32_FIND_DATAA entry;
    int before = 0;
    for (HANDLE find = FindFirstFileA((into + "\\*").c_str(), &entry);
         find != INVALID_HANDLE_VALUE;) {
        ++before;
        if (!FindNextFileA(find, &entry)) {
            FindClose(find);
            break;
        }
    }
    CHECK(os.CopyToUniqueName((kFolder + "\\missing.sys").c_str(), into.c_str()) == "");
    int after = 0;
    for (HANDLE find = FindFirstFileA((into + "\\*").c_str(), &entry);
         find != INVALID_HANDLE_VALUE;) {
        ++after;
        if (!FindNextFileA(find, &entry)) {
            FindClose(find);
            break;
        }
    }
    CHECK(after == before);
}

TEST_CASE("9x boot-time renames are lines of the Rename section of WININIT.INI") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string wininit = os.GetWininitPath();
    ostest::Remove(wininit);
    const std::string source = kFolder + "\\Long New Name.dll";
    const std::string doomed = kFolder + "\\doomed.dll";
    PutFile(source, "new");
    PutFile(doomed, "old");
    const std::string shortSource = ShortPathOf(source);
    REQUIRE(shortSource.find(' ') == std::string::npos);
    const std::string target = kFolder + "\\Long Target Name.dll";

    CHECK(os.MoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.MoveFileAtReboot(doomed.c_str(), nullptr));
    const std::string both =
        "[Rename]\r\n" + target + " = " + shortSource + "\r\nNUL = " + doomed + "\r\n";
    CHECK(FileBytes(wininit) == both);

    // A missing source cannot be scheduled or cancelled; the file stays.
    CHECK_FALSE(os.MoveFileAtReboot((kFolder + "\\missing.dll").c_str(), target.c_str()));
    CHECK_FALSE(os.CancelMoveFileAtReboot((kFolder + "\\missing.dll").c_str(), target.c_str()));
    CHECK(FileBytes(wininit) == both);

    // Cancelling something not scheduled changes nothing.
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), target.c_str()));
    CHECK(FileBytes(wininit) == both);

    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(FileBytes(wininit) == "[Rename]\r\nNUL = " + doomed + "\r\n");
    // The file these renames made goes with the last of them.
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), nullptr));
    CHECK(FileBytes(wininit) == "(missing)");
}

TEST_CASE("a WININIT.INI that cannot be opened fails the request") {
    SSETUPOS::C9xFamilyOperations os;
    const std::string wininit = os.GetWininitPath();
    const std::string source = kFolder + "\\held.dll";
    PutFile(source, "x");
    PutFile(wininit, "[Rename]\r\n");
    const HANDLE held = CreateFileA(wininit.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    CHECK_FALSE(os.MoveFileAtReboot(source.c_str(), nullptr));
    CHECK_FALSE(os.CancelMoveFileAtReboot(source.c_str(), nullptr));
    CloseHandle(held);
    CHECK(FileBytes(wininit) == "[Rename]\r\n");
    ostest::Remove(wininit);
}

TEST_CASE("the explicit-call library") {
    SEXPL_CALL::CLibrary kernel("kernel32.dll");
    const auto getVersion = kernel.GetProcAs<DWORD(WINAPI*)()>("GetVersion");
    CHECK(getVersion() == GetVersion());
    try {
        kernel.GetProc("NoSuchFunctionAnywhere");
        FAIL("no exception");
    } catch (const SEXPL_CALL::CProcNotFoundException& error) {
        CHECK(error.GetLibrary() == "kernel32.dll");
        CHECK(error.GetProcedure() == "NoSuchFunctionAnywhere");
        CHECK(error.GetError() == ERROR_PROC_NOT_FOUND);
    }
    SEXPL_CALL::CLibrary missing("nosuchlibrary.dll");
    try {
        missing.GetProc("Anything");
        FAIL("no exception");
    } catch (const SEXPL_CALL::CLibNotFoundException& error) {
        CHECK(error.GetLibrary() == "nosuchlibrary.dll");
        // Windows says ERROR_MOD_NOT_FOUND, Wine ERROR_DLL_NOT_FOUND.
        const DWORD code = error.GetError();
        CHECK((code == ERROR_MOD_NOT_FOUND || code == ERROR_DLL_NOT_FOUND));
    }
}

TEST_CASE("path text") {
    using namespace SSETUPOS;
    CHECK(GetFileNamePart("C:\\WINDOWS\\SYSTEM\\zvCSP.dll") == "zvCSP.dll");
    CHECK(GetFileNamePart("C:zvCSP.dll") == "zvCSP.dll");
    CHECK(GetFileNamePart("zvCSP.dll") == "zvCSP.dll");
    CHECK(GetFileNamePart("C:\\dir\\") == "");
    CHECK(GetExtension("C:\\dir.x\\file.tar.gz") == "gz");
    CHECK(GetExtension("C:\\dir\\file") == "");
    CHECK(GetNameWithoutExtension("C:\\dir\\file.tar.gz") == "C:\\dir\\file.tar");
    CHECK(GetNameWithoutExtension("file") == "file");
    CHECK(GetDirectoryPart("C:\\dir\\file.dll") == "C:\\dir\\");
    CHECK(GetDirectoryPart("file.dll") == "");
    CHECK(ToUpperText("c:\\Win\\a.dll") == "C:\\WIN\\A.DLL");
}
