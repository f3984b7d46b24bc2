// First half of the file operations' part of the restart tests (tests/os/restart-*.sh): installs
// over a file in use and deinstalls another file in use, as a procedure would, and leaves both
// waiting for the restart.
#include "FileTestHelpers.h"
#include "RecordingClient.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include <doctest/doctest.h>

using namespace opstest;

namespace {

// The driver is held by the lock helper, started by the script just before this program:
// wait until its hold is in place (a start-up wait, up to 60 s, not a measurement).
bool HeldByAnotherProgram(const char* path) {
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

} // namespace

TEST_CASE("files in use are scheduled for the restart") {
    using SSETUP::CDeinstallFile;
    using SSETUP::CInstallFile;
    CRecordingClient client;
    CNotifyRecorder<CInstallFile::IInstallFileNotify, CInstallFile::CNotifyRecord> installed(
        client);
    CNotifyRecorder<CDeinstallFile::IDeinstallFileNotify, CDeinstallFile::CNotifyRecord> removed(
        client);
    SSETUP::CContextDefault context(&client);

    REQUIRE(HeldByAnotherProgram("C:\\OPSR\\SYS\\zvIFDH.sys"));
    // Held until this program ends, as a running service holds its file.
    CHeldFile library("C:\\OPSR\\SYS\\zvOLD.dll");
    REQUIRE(library.IsHeld());

    SSETUP::COperationSet procedure(
        false, new CInstallFile("C:\\OPSR\\PKG\\zvIFDH.sys", "C:\\OPSR\\SYS\\zvIFDH.sys", true),
        new CDeinstallFile("C:\\OPSR\\SYS\\zvOLD.dll", true), nullptr);
    REQUIRE(procedure.Perform(context));
    CHECK(context.IsRebootNeeded());
    CHECK(procedure.IsRebootPending());
    REQUIRE(installed.records.size() == 1);
    CHECK(installed.records[0].result == CInstallFile::ResultAtReboot);
    CHECK(installed.records[0].tempPath == "C:\\OPSR\\SYS\\_zvIFDH.sys");
    REQUIRE(removed.records.size() == 1);
    CHECK(removed.records[0].result == CDeinstallFile::ResultAtReboot);
}
