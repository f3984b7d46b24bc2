// The controller with procedures of the test's own making, and handler paths the golden flows
// do not reach. Headless: a box that is shown returns at once without a button (0).
#include "app/MainInstall.h"
#include <doctest/doctest.h>
#include <stdexcept>
#include <string>
#include "tests/lib/TestFiles.h"

namespace {

using testfiles::FileBytes;

const char logPath[] = "C:\\CTL\\controller.log";

enum class Outcome { Succeed, Fail, Throw, NeedReboot };

class CTestProcedure : public SSETUP::CSetupOperationsDefault {
public:
    explicit CTestProcedure(Outcome outcome) : CSetupOperationsDefault(true), outcome(outcome) {}
    bool Perform(SSETUP::IContext& context) override {
        if (outcome == Outcome::Throw) {
            throw std::runtime_error("failure from a layer below");
        }
        if (outcome == Outcome::NeedReboot) {
            context.SetRebootNeeded(true);
        }
        performed = outcome != Outcome::Fail;
        return performed;
    }
    bool Rollback(SSETUP::IContext&) override { return true; }
    void Accept(SSetupVisitor::IVisitor&) override {}

private:
    const Outcome outcome;
};

class CTestInstall : public SINSTALL::CMainInstall {
public:
    explicit CTestInstall(Outcome outcome) : outcome(outcome) {}

protected:
    std::unique_ptr<SSETUP::ISetupOperation> CreateInstallProcedure() override { return Make(); }
    std::unique_ptr<SSETUP::ISetupOperation> CreateUninstallProcedure() override { return Make(); }

private:
    std::unique_ptr<SSETUP::ISetupOperation> Make() const {
        return std::unique_ptr<SSETUP::ISetupOperation>(new CTestProcedure(outcome));
    }
    const Outcome outcome;
};

std::string FreshLogOptions(const char* options) {
    CreateDirectoryA("C:\\CTL", nullptr);
    DeleteFileA(logPath);
    return std::string(options) + " /LOG " + logPath;
}

} // namespace

TEST_CASE("a read-only installed file is cleared before its replacement; file lines") {
    CTestInstall controller(Outcome::Succeed);
    REQUIRE(controller.Initialize(FreshLogOptions("/Q").c_str()) == 0);
    const char target[] = "C:\\CTL\\target.dll";
    testfiles::PutFile(target, "old");
    SetFileAttributesA(target, FILE_ATTRIBUTE_READONLY);
    SSETUP::CInstallFile file("C:\\CTL\\source.dll", target, true);
    SSETUP::CInstallFile::CQueryRecord query = {false, &file};
    controller.Query(query);
    CHECK(query.needed);
    CHECK((GetFileAttributesA(target) & FILE_ATTRIBUTE_READONLY) == 0);
    using SSETUP::CInstallFile;
    controller.Notify(CInstallFile::CNotifyRecord{&file, "C:\\_t", CInstallFile::ResultAtReboot});
    // A failed restore must say where the old file still is.
    controller.Notify(
        CInstallFile::CNotifyRecord{&file, "C:\\_t", CInstallFile::ResultRestoreFailed});
    CHECK(FileBytes(logPath) ==
          "   !!!!! File 'C:\\CTL\\target.dll' already exists and Has READ ONLY attrib !!! "
          "Clearing his READ ONLY flag then !!!!! \r\n"
          "Installing file 'C:\\CTL\\source.dll' -> 'C:\\CTL\\target.dll' (through tmp file "
          "'C:\\_t' ) (OK, Reboot needed to complete) \r\n"
          "Restoring file 'C:\\CTL\\target.dll' from 'C:\\_t' FAILED !!! \r\n");
}

TEST_CASE("how a flow ends: result, closing lines, restart") {
    // A deletion waiting in WININIT.INI shows that the restart of the last row really happens.
    const char victim[] = "C:\\CTL\\victim.txt";
    testfiles::PutFile(victim, "");
    REQUIRE(testfiles::Exists(victim));
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    REQUIRE(WritePrivateProfileStringA("Rename", "NUL", victim,
                                       (std::string(windows) + "\\WININIT.INI").c_str()));

    const std::string installed = "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nFinishing installation WITH "
                                  "SUCCESS \r\n==============================\r\n\r\n";
    const std::string restarting = "option /NORB doesn't set. Trying to reboot OS \r\n";
    struct CCase {
        Outcome outcome;
        const char* options;
        int rc;
        std::string log; // after the header
    } const cases[] = {
        {Outcome::Throw, "/Q", SINSTALL::RESULT_FAILED,
         "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n!!!! Installation FAILED !!!! \r\n"
         "==============================\r\n\r\n"},
        {Outcome::Fail, "/Q /U", SINSTALL::RESULT_FAILED,
         "\r\n\r\n\r\n\r\n\r\n!!!! Deinstallation FAILED !!!! \r\n"
         "==============================\r\n\r\n"},
        {Outcome::NeedReboot, "/Q /RB", SINSTALL::RESULT_REBOOT_NEEDED,
         installed + restarting + "User does not want reboot right now !!! \r\n"},
        {Outcome::NeedReboot, "/Q", SINSTALL::RESULT_REBOOT_NEEDED, installed + restarting},
    };
    for (const CCase& c : cases) {
        CAPTURE(c.options);
        {
            CTestInstall controller(c.outcome);
            CHECK(controller.Run(FreshLogOptions(c.options).c_str(), 1) == c.rc);
        }
        const std::string bytes = FileBytes(logPath);
        const std::string::size_type at = bytes.find("(Numeric presentation) : ");
        CHECK(bytes.substr(at == std::string::npos ? 0 : bytes.find("\r\n", at)) == c.log);
    }
    // The restart runs beside this process: wait for its work rather than for a time.
    for (int poll = 0; poll < 600 && testfiles::Exists(victim); ++poll) {
        Sleep(100);
    }
    CHECK_FALSE(testfiles::Exists(victim));
}
