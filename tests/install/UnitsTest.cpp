// The factory's reader-count rules and install steps that keep what the machine had. The
// script puts a current and a legacy reader driver and the current package (PKG) beside it.
#include "app/Options.h"
#include "install/InstallFactory.h"
#include "install/InstallProcedure.h"
#include "ops/InstallFile.h"
#include "ops/Registry.h"
#include "setup/Context.h"
#include "tests/lib/TestFiles.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>
#include <cstring>
#include <memory>
#include <string>

using L = SINSTALL::CPackageLayout;

namespace {

const char kDriverKey[] = "SYSTEM\\CurrentControlSet\\Services\\zvIFDH";
const char kReadersKey[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers";
const char kFailKey[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard\\Fail";

void Distributive(const char* folder) {
    SDP::singleton_auto_pointer<SSetupOptions::COptions> options;
    options->Clear();
    options->Parse((std::string("/DISTR ") + folder).c_str());
}

// Installs the named test driver ("current" or "legacy").
void InstallDriver(const std::string& which) {
    const std::string target = L().GetFilePath(L::FileReaderDriver, L::InstalledFolder);
    testfiles::PutFile(target, testfiles::FileBytes("C:\\TEST\\" + which + ".sys"));
}

void DeleteKey(const char* path) {
    try {
        SREGISTRY::DeleteKeyTree(HKEY_LOCAL_MACHINE, path);
    } catch (const SREGISTRY::CRegException&) {
    }
}

// The driver key: absent (-2), without a count (-1), or with this count.
void PutDriverKey(long count) {
    DeleteKey(kDriverKey);
    if (count >= -1) {
        opstest::PutValue(HKEY_LOCAL_MACHINE, kDriverKey);
    }
    if (count >= 0) {
        opstest::PutValue(HKEY_LOCAL_MACHINE, kDriverKey, "ReadersCount", REG_DWORD,
                          opstest::Dword(static_cast<DWORD>(count)));
    }
}

std::string StoredCount() {
    return opstest::ReadValue(HKEY_LOCAL_MACHINE, kDriverKey, "ReadersCount").bytes;
}

// Answers the install needed-query: every file but `refused`.
class CRefusingClient : public SSETUP::CInstallFile::IInstallFileNeededQuery {
public:
    explicit CRefusingClient(std::string refused) : refused(std::move(refused)) {}
    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        return std::strcmp(name, InterfaceName) == 0 ? this : nullptr;
    }
    void Query(SSETUP::CInstallFile::CQueryRecord& record) override {
        record.needed = record.operation->GetTargetPath() != refused;
    }

private:
    const std::string refused;
};

} // namespace

TEST_CASE("reader count: read, written, refused; the greatest one leaves other makers room") {
    SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> factory;
    CHECK(L().GetFilePath(L::FileUsbInf, L::PackageFolder) == "C:\\TEST\\zvUSB.inf");
    Distributive("C:\\");
    CHECK(L().GetFilePath(L::FileUsbInf, L::PackageFolder) == "C:\\zvUSB.inf");
    struct {
        const char* driver;
        long key; // see PutDriverKey
        unsigned current, wanted;
        bool written, reboot;
        long stored; // -1: no value
    } const rows[] = {
        {"current", -1, 0, 2, true, true, 2},    {"current", 2, 2, 2, true, false, 2},
        {"current", -2, 0, 2, false, false, -1}, {"legacy", -1, 3, 3, true, true, 3},
        {"legacy", 2, 2, 4, true, true, 4},      {"legacy", -2, 3, 4, false, false, -1},
    };
    for (const auto& row : rows) {
        CAPTURE(row.driver);
        CAPTURE(row.key);
        InstallDriver(row.driver);
        PutDriverKey(row.key);
        CHECK(factory->GetReadersCount() == row.current);
        bool reboot = !row.reboot;
        CHECK(factory->SetReadersCount(row.wanted, &reboot) == row.written);
        CHECK(reboot == row.reboot);
        CHECK(StoredCount() == (row.stored < 0 ? "" : opstest::Dword(row.stored)));
    }
    struct {
        int others, tokens;
        bool listFails;
        unsigned maximum;
    } const limits[] = {{2, 2, false, 8}, {10, 1, false, 0}, {3, 0, true, 10}};
    for (const auto& row : limits) {
        CAPTURE(row.others);
        DeleteKey(kReadersKey);
        DeleteKey(kFailKey);
        for (int i = 0; i < row.others + row.tokens; ++i) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, std::string(kReadersKey) +
                                                      (i < row.others ? "\\Other Maker Reader "
                                                                      : "\\Norvane Co. zenTavo ") +
                                                      std::to_string(i));
        }
        if (row.listFails) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, kFailKey, "SCardListReadersA", REG_DWORD,
                              opstest::Dword(0x8010001E)); // SCARD_E_SERVICE_STOPPED
        }
        CHECK(factory->GetMaxReadersCount() == row.maximum);
    }
    DeleteKey(kFailKey);
}

TEST_CASE("a newer installed CSP keeps its signature; a reinstall keeps the chosen count") {
    Distributive("C:\\TEST\\PKG");
    const L layout;
    const std::string signature = layout.GetFilePath(L::FileCspSignature, L::InstalledFolder);
    const std::string module = layout.GetFilePath(L::FileCsp, L::InstalledFolder);
    for (const std::string& refused : {module, std::string()}) {
        CAPTURE(refused);
        testfiles::PutFile(module, testfiles::FileBytes("C:\\TEST\\PKG\\zvCSP.dll"));
        testfiles::PutFile(signature, "installed signature");
        CRefusingClient client(refused);
        SSETUP::CContextDefault context(&client);
        const std::unique_ptr<SSETUP::ISetupOperation> step(
            SINSTALL::SSteps::NewCryptoProvider(layout));
        CHECK(step->Perform(context));
        CHECK(testfiles::FileBytes(signature) ==
              (refused.empty() ? testfiles::FileBytes("C:\\TEST\\PKG\\zvCSP.sig")
                               : "installed signature"));
    }
    InstallDriver("legacy");
    PutDriverKey(5);
    SSETUP::CContextDefault context(nullptr);
    const std::unique_ptr<SSETUP::ISetupOperation> service(
        SINSTALL::SSteps::NewReaderDriverService(layout));
    CHECK(service->Perform(context));
    CHECK(service->IsPerformed());
    CHECK(StoredCount() == opstest::Dword(5));
}
