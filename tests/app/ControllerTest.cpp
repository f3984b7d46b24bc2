// The controller's flows with procedures of the test's own making: results, closing lines,
// the restart decision under the options, and the notification lookup. Runs headless, so
// every box that is not hidden returns at once without a button (0).
#include "app/MainInstall.h"
#include "app/Options.h"
#include <doctest/doctest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include "tests/lib/TestFiles.h"

namespace {

const char logPath[] = "C:\\CTL\\controller.log";

using testfiles::FileBytes;

// The log after its flow header (which the black-box tests check letter for letter).
std::string LogAfterHeader() {
    const std::string bytes = FileBytes(logPath);
    const std::string headerEnd = "(Numeric presentation) : ";
    const std::string::size_type at = bytes.find(headerEnd);
    if (at == std::string::npos) {
        return bytes;
    }
    return bytes.substr(bytes.find("\r\n", at));
}

void FreshLog() {
    CreateDirectoryA("C:\\CTL", nullptr);
    DeleteFileA(logPath);
}

enum class Outcome { Succeed, Fail, Throw, NeedReboot };

struct CSetup {
    Outcome installOutcome = Outcome::Succeed;
    Outcome uninstallOutcome = Outcome::Succeed;
    bool installUnbuildable = false;
    bool uninstallUnbuildable = false;
};

// A procedure that ends as told.
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

class CTestInstall : public SINSTALL::CMainInstall, public CSetup {
public:
    CTestInstall() = default;
    explicit CTestInstall(const CSetup& setup) : CSetup(setup) {}

protected:
    std::unique_ptr<SSETUP::ISetupOperation> CreateInstallProcedure() override {
        return Make(installUnbuildable, installOutcome);
    }
    std::unique_ptr<SSETUP::ISetupOperation> CreateUninstallProcedure() override {
        return Make(uninstallUnbuildable, uninstallOutcome);
    }

private:
    static std::unique_ptr<SSETUP::ISetupOperation> Make(bool unbuildable, Outcome outcome) {
        if (unbuildable) {
            throw std::runtime_error("no driver version");
        }
        return std::unique_ptr<SSETUP::ISetupOperation>(new CTestProcedure(outcome));
    }
};

// What follows the header's last line: its own three line ends, the install flow's three
// (the uninstall flow has none), then the closing line.
const std::string installFailed =
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\n!!!! Installation FAILED !!!! \r\n"
    "==============================\r\n\r\n";
const std::string installSucceeded =
    "\r\n\r\n\r\n\r\n\r\n\r\n\r\n\r\nFinishing installation WITH SUCCESS "
    "\r\n==============================\r\n\r\n";
const std::string uninstallFailed = "\r\n\r\n\r\n\r\n\r\n!!!! Deinstallation FAILED !!!! \r\n"
                                    "==============================\r\n\r\n";

// One run of a fresh controller on an empty log (the log stays open while its controller
// lives, so each run gets its own).
int RunFresh(const CSetup& setup, const char* commandLine) {
    FreshLog();
    CTestInstall controller(setup);
    return controller.Run(commandLine, 1);
}

const char quietLog[] = "/Q /LOG C:\\CTL\\controller.log";

} // namespace

TEST_CASE("flows whose procedure fails or throws end as failed") {
    // Install success and failure are compared end to end by the golden logs.
    CSetup setup;
    setup.installOutcome = Outcome::Throw;
    CHECK(RunFresh(setup, quietLog) == SINSTALL::RESULT_FAILED);
    CHECK(LogAfterHeader() == installFailed);
    for (const Outcome outcome : {Outcome::Throw, Outcome::Fail}) {
        setup.uninstallOutcome = outcome;
        CHECK(RunFresh(setup, "/Q /U /LOG C:\\CTL\\controller.log") == SINSTALL::RESULT_FAILED);
        CHECK(LogAfterHeader() == uninstallFailed);
    }
}

TEST_CASE("procedures that cannot be built") {
    CSetup setup;
    setup.uninstallUnbuildable = true;
    CHECK(RunFresh(setup, "/Q /U /LOG C:\\CTL\\controller.log") == SINSTALL::RESULT_FAILED);
    // No header: the uninstall flow writes it only once its procedure exists.
    CHECK(FileBytes(logPath) == "\r\n\r\n Can not recognize ZVIFDH driver version. "
                                "Deinstallation will be aborted !!! \r\n\r\n\r\n");
    CHECK_FALSE(CTestInstall(setup).CanUninstall());
    CHECK(CTestInstall().CanUninstall());

    // The distributive check builds the install procedure first and stops the run there.
    setup.installUnbuildable = true;
    CHECK(RunFresh(setup, quietLog) == SINSTALL::RESULT_FAILED);
    CHECK(FileBytes(logPath).empty());

    // The install flow itself writes its header first, then the two abort lines.
    FreshLog();
    CTestInstall controller(setup);
    REQUIRE(controller.Initialize(quietLog) == 0);
    CHECK(controller.InstallDrivers(nullptr) == SINSTALL::RESULT_FAILED);
    CHECK(LogAfterHeader() == "\r\n\r\n\r\n\r\n\r\n\r\nDetected, that Driver ZVIFDH has incorrect "
                              "version ... \r\nABORTINT Installation ...\r\n");
}

TEST_CASE("/RB asks for the restart under /Q") {
    CSetup setup;
    setup.installOutcome = Outcome::NeedReboot;
    // Without a desktop nobody says Yes.
    CHECK(RunFresh(setup, "/Q /RB /LOG C:\\CTL\\controller.log") == SINSTALL::RESULT_REBOOT_NEEDED);
    CHECK(LogAfterHeader() == installSucceeded +
                                  "option /NORB doesn't set. Trying to reboot OS \r\n"
                                  "User does not want reboot right now !!! \r\n");
}

TEST_CASE("notification interfaces are found by their exact name only") {
    // That each one is wired shows in the golden logs, whose lines its handler writes.
    CTestInstall controller;
    SSETUP::IClientNotifyContext2* const found = controller.QueryNotifyInterface("IInstallFileNotify");
    REQUIRE(found != nullptr);
    CHECK(std::string(found->GetInterfaceName()) == "IInstallFileNotify");
    CHECK(controller.QueryNotifyInterface("iinstallfilenotify") == nullptr);
    // The context's own name reaches the key check's sub-object.
    CHECK(controller.QueryNotifyInterface("IClientNotifyContext2") ==
          controller.QueryNotifyInterface("INotifyZentavoKey"));
}

TEST_CASE("/Q alone restarts the system without a question") {
    // A deletion waiting for the restart shows that the restart really happens.
    CreateDirectoryA("C:\\CTL", nullptr);
    const char victim[] = "C:\\CTL\\victim.txt";
    const HANDLE file = CreateFileA(victim, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    REQUIRE(file != INVALID_HANDLE_VALUE);
    CloseHandle(file);
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    const std::string wininit = std::string(windows) + "\\WININIT.INI";
    REQUIRE(WritePrivateProfileStringA("Rename", "NUL", victim, wininit.c_str()));

    CSetup setup;
    setup.installOutcome = Outcome::NeedReboot;
    CHECK(RunFresh(setup, quietLog) == SINSTALL::RESULT_REBOOT_NEEDED);
    CHECK(LogAfterHeader() ==
          installSucceeded + "option /NORB doesn't set. Trying to reboot OS \r\n");
    // The restart runs beside this process; wait for its work rather than for a time.
    for (int poll = 0; poll < 600 && GetFileAttributesA(victim) != INVALID_FILE_ATTRIBUTES;
         ++poll) {
        Sleep(100);
    }
    CHECK(GetFileAttributesA(victim) == INVALID_FILE_ATTRIBUTES);
}

TEST_CASE("which boxes /Q hides and /ED brings back") {
    // Headless, a box that is really asked for comes back at once without a button; a hidden
    // one returns the result given for that case, which no box returns.
    const int hidden = 4242;
    struct CCase {
        const char* commandLine;
        bool errorShown, infoShown;
    } const cases[] = {{"/Q", false, false}, {"/Q /ED", true, false}, {"/ED", true, true},
                       {"", true, true}};
    CTestInstall controller;
    for (const CCase& c : cases) {
        CAPTURE(c.commandLine);
        REQUIRE(controller.Initialize(c.commandLine) == 0);
        CHECK((SINSTALL::CMainInstall::ShowErrorMessage(nullptr, "text", "caption",
                                                         MB_ICONEXCLAMATION | MB_OK,
                                                         hidden) != hidden) == c.errorShown);
        CHECK((SINSTALL::CMainInstall::ShowInfoMessage(nullptr, "text", "caption", MB_OK,
                                                        hidden) != hidden) == c.infoShown);
        CHECK(SINSTALL::CMainInstall::ShowMessage(nullptr, "text", "caption", MB_OK) != hidden);
    }
    CHECK(SINSTALL::CMainInstall::GetMessageCaption() == "Zentavo drivers setup");
}

TEST_CASE("the gate lets Windows 95, 98 and ME through, and no NT version") {
    struct CVersion {
        DWORD major, minor, platform;
        bool passes;
    } const versions[] = {
        {4, 0, VER_PLATFORM_WIN32_WINDOWS, true},  {4, 90, VER_PLATFORM_WIN32_WINDOWS, true},
        {4, 0, VER_PLATFORM_WIN32_NT, false},      {5, 0, VER_PLATFORM_WIN32_WINDOWS, false},
    };
    for (const CVersion& v : versions) {
        OSVERSIONINFOA record = {};
        record.dwMajorVersion = v.major;
        record.dwMinorVersion = v.minor;
        record.dwPlatformId = v.platform;
        CHECK_MESSAGE(SINSTALL::CMainInstall::IsWindows9xVersion(record) == v.passes,
                      v.major << "." << v.minor << " platform " << v.platform);
    }
}
