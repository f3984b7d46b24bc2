// For the restart tests (tests/os/restart.sh): installs over a driver that the script's lock
// helper holds and deinstalls a library held here, and leaves both waiting for the restart.
#include "FileTestHelpers.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include <doctest/doctest.h>

using namespace opstest;

// The lock helper has just been started: wait until its hold is in place (a start-up wait).
static bool HeldByAnotherProgram(const char* path) {
    for (int attempt = 0; attempt < 600; ++attempt) {
        const HANDLE handle = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            return GetLastError() == ERROR_SHARING_VIOLATION;
        }
        CloseHandle(handle);
        Sleep(100);
    }
    return false;
}

TEST_CASE("files in use are scheduled for the restart") {
    SSETUP::CContextDefault context(nullptr);
    REQUIRE(HeldByAnotherProgram("C:\\OPSR\\SYS\\zvIFDH.sys"));
    CHeldFile library("C:\\OPSR\\SYS\\zvOLD.dll");
    REQUIRE(library.IsHeld());
    SSETUP::COperationSet procedure(
        false,
        new SSETUP::CInstallFile("C:\\OPSR\\PKG\\zvIFDH.sys", "C:\\OPSR\\SYS\\zvIFDH.sys", true),
        new SSETUP::CDeinstallFile("C:\\OPSR\\SYS\\zvOLD.dll", true), nullptr);
    REQUIRE(procedure.Perform(context));
    CHECK(context.IsRebootNeeded());
}
