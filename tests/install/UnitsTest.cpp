// The package layout and the factory's version check and reader-count requests, on the
// machine's registry and smart-card database. The script puts a current and a legacy reader
// driver beside this program.
#include "app/Options.h"
#include "install/InstallFactory.h"
#include "install/LegacyProcedures.h"
#include "install/UninstallProcedure.h"
#include "ops/FileVersions.h"
#include "ops/Registry.h"
#include "tests/lib/TestFiles.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>
#include <string>

namespace {

const char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\zvIFDH";
const char kReadersKey[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers";
const char kFailKey[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard\\Fail";

std::string WindowsDir() {
    char buffer[MAX_PATH] = {};
    GetWindowsDirectoryA(buffer, MAX_PATH);
    return buffer;
}

std::string SystemDir() {
    char buffer[MAX_PATH] = {};
    GetSystemDirectoryA(buffer, MAX_PATH);
    return buffer;
}

std::string InstalledDriver() {
    return WindowsDir() + "\\System32\\Drivers\\zvIFDH.sys";
}

void Distributive(const char* folder) {
    SDP::singleton_auto_pointer<SSetupOptions::COptions> options;
    options->Clear();
    if (folder != nullptr) {
        options->Parse((std::string("/DISTR ") + folder).c_str());
    }
}

// Installs the named test driver ("current", "legacy" or "none").
void InstallDriver(const std::string& which) {
    CreateDirectoryA((WindowsDir() + "\\System32").c_str(), nullptr);
    CreateDirectoryA((WindowsDir() + "\\System32\\Drivers").c_str(), nullptr);
    testfiles::Remove(InstalledDriver());
    if (which != "none") {
        CopyFileA(("C:\\TEST\\" + which + ".sys").c_str(), InstalledDriver().c_str(), FALSE);
    }
}

enum KeyState { NoKey, NoValue, Value2 };

void PrepareDriverKey(KeyState state) {
    try {
        SREGISTRY::DeleteKeyTree(HKEY_LOCAL_MACHINE, kDriverKey);
    } catch (const SREGISTRY::CRegException&) {
    }
    if (state != NoKey) {
        opstest::PutValue(HKEY_LOCAL_MACHINE, kDriverKey);
    }
    if (state == Value2) {
        opstest::PutValue(HKEY_LOCAL_MACHINE, kDriverKey, "ReadersCount", REG_DWORD,
                          opstest::Dword(2));
    }
}

// The stored count, or -1 without a value.
long StoredCount() {
    const opstest::CValue value =
        opstest::ReadValue(HKEY_LOCAL_MACHINE, kDriverKey, "ReadersCount");
    return value.exists ? static_cast<long>(*reinterpret_cast<const DWORD*>(value.bytes.data()))
                        : -1;
}

void AddReader(const std::string& name) {
    opstest::PutValue(HKEY_LOCAL_MACHINE, std::string(kReadersKey) + "\\" + name);
}

} // namespace

// The 9x family's installed paths are in the golden logs; these are the rest.
TEST_CASE("package and installed paths") {
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    using L = SINSTALL::CPackageLayout;
    struct {
        const char* distr; // null: the program's own folder
        int file;
        L::Location location;
        std::string path;
    } const rows[] = {
        {nullptr, L::FileReaderDriver, L::PackageFolder, "C:\\TEST\\zvIFDH.sys"},
        {"C:\\PKG", L::FileApiEx, L::PackageFolder, "C:\\PKG\\zvAPIEX.dll"},
        {"C:\\", L::FileUsbInf, L::PackageFolder, "C:\\zvUSB.inf"},
        {"C:\\PKG", L::FileReaderDriver, L::InstalledFolder,
         WindowsDir() + "\\System32\\Drivers\\zvIFDH.sys"},
        {nullptr, L::FileService, L::InstalledFolder, SystemDir() + "\\zvService.exe"},
    };
    for (const auto& row : rows) {
        CAPTURE(row.distr);
        CAPTURE(row.file);
        Distributive(row.distr);
        CHECK(factory->GetFilePath(row.file, row.location) == row.path);
    }
    Distributive(nullptr);
}

TEST_CASE("the installed reader driver's version chooses the procedure") {
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    InstallDriver("current");
    CHECK(dynamic_cast<SINSTALL::CUnInstall*>(factory->CreateUninstall().get()) != nullptr);
    InstallDriver("legacy");
    CHECK(dynamic_cast<SINSTALL::CUnInstallBelow110Ver*>(factory->CreateUninstall().get()) !=
          nullptr);
    InstallDriver("none");
    CHECK_THROWS_AS(factory->CreateUninstall(), SFileVersions::CFileVerExcpt);
    CHECK_THROWS_AS(factory->GetReadersCount(), SFileVersions::CFileVerExcpt);
}

TEST_CASE("reader count: read, written, refused") {
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    struct {
        const char* driver;
        KeyState key;
        unsigned current;
        unsigned wanted;
        bool written;
        bool reboot;
        long stored;
    } const rows[] = {
        {"current", NoValue, 0, 2, true, true, 2},
        {"current", Value2, 2, 2, true, false, 2},
        {"current", Value2, 2, 0, true, true, 0},
        // No service key: nothing is written, and no restart is asked for.
        {"current", NoKey, 0, 2, false, false, -1},
        {"legacy", NoValue, 3, 3, true, true, 3},
        {"legacy", Value2, 2, 4, true, true, 4},
        {"legacy", NoKey, 3, 4, false, false, -1},
    };
    for (const auto& row : rows) {
        CAPTURE(row.driver);
        CAPTURE(row.key);
        CAPTURE(row.wanted);
        InstallDriver(row.driver);
        PrepareDriverKey(row.key);
        CHECK(factory->GetReadersCount() == row.current);
        bool reboot = !row.reboot;
        CHECK(factory->SetReadersCount(row.wanted, &reboot) == row.written);
        CHECK(reboot == row.reboot);
        CHECK(StoredCount() == row.stored);
    }
}

TEST_CASE("the greatest reader count leaves room for other makers' readers") {
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    struct {
        int others;
        int tokens;
        bool listFails;
        unsigned maximum;
    } const rows[] = {
        {0, 0, false, 10}, {2, 2, false, 8}, {10, 1, false, 0}, {12, 0, false, 0}, {3, 0, true, 10},
    };
    for (const auto& row : rows) {
        CAPTURE(row.others);
        CAPTURE(row.tokens);
        try {
            SREGISTRY::DeleteKeyTree(HKEY_LOCAL_MACHINE, kReadersKey);
            SREGISTRY::DeleteKeyTree(HKEY_LOCAL_MACHINE, kFailKey);
        } catch (const SREGISTRY::CRegException&) {
        }
        for (int i = 0; i < row.others; ++i) {
            AddReader("Other Maker Reader " + std::to_string(i));
        }
        for (int i = 0; i < row.tokens; ++i) {
            AddReader("Norvane Co. zenTavo " + std::to_string(i));
        }
        if (row.listFails) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, kFailKey, "SCardListReadersA", REG_DWORD,
                              opstest::Dword(0x8010001E)); // SCARD_E_SERVICE_STOPPED
        }
        CHECK(factory->GetMaxReadersCount() == row.maximum);
    }
}
