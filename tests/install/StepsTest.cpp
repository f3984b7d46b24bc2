// Steps of the install procedure that depend on each other.
#include "app/Options.h"
#include "install/InstallProcedure.h"
#include "install/LegacyProcedures.h"
#include "ops/Registry.h"
#include "ops/InstallFile.h"
#include "setup/Context.h"
#include "tests/lib/TestFiles.h"
#include <doctest/doctest.h>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Answers the install needed-query: every file but the one named `refused`.
class CRefusingClient : public SSETUP::CInstallFile::IInstallFileNeededQuery {
public:
    explicit CRefusingClient(std::string refused) : refused(std::move(refused)) {}

    SSETUP::IClientNotifyContext2* QueryNotifyInterface(const char* name) override {
        return std::strcmp(name, InterfaceName) == 0 ? this : nullptr;
    }
    void Query(SSETUP::CInstallFile::CQueryRecord& record) override {
        const std::string target = record.operation->GetTargetPath();
        record.needed =
            target.size() < refused.size() ||
            target.compare(target.size() - refused.size(), refused.size(), refused) != 0;
    }

private:
    const std::string refused;
};

} // namespace

TEST_CASE("the CSP signature is copied only together with its module") {
    SDP::singleton_auto_pointer<SSetupOptions::COptions> options;
    options->Clear();
    options->Parse("/DISTR C:\\TEST\\PKG");
    SINSTALL::CPackageLayout layout;
    using L = SINSTALL::CPackageLayout;
    const std::string signature = layout.GetFilePath(L::FileCspSignature, L::InstalledFolder);
    const std::string module = layout.GetFilePath(L::FileCsp, L::InstalledFolder);
    const std::string packageSignature = testfiles::FileBytes("C:\\TEST\\PKG\\zvCSP.sig");
    struct {
        const char* refused;
        std::string signatureAfter;
    } const rows[] = {
        {"zvCSP.dll", "installed signature"}, // a newer installed CSP keeps its signature
        {"nothing", packageSignature},
    };
    for (const auto& row : rows) {
        CAPTURE(std::string(row.refused));
        testfiles::PutFile(module, testfiles::FileBytes("C:\\TEST\\PKG\\zvCSP.dll"));
        testfiles::PutFile(signature, "installed signature");
        CRefusingClient client(row.refused);
        SSETUP::CContextDefault context(&client);
        const std::unique_ptr<SSETUP::ISetupOperation> step(
            SINSTALL::SSteps::NewCryptoProvider(layout));
        CHECK(step->Perform(context));
        CHECK(testfiles::FileBytes(signature) == row.signatureAfter);
    }
    options->Clear();
}

TEST_CASE("the ScCertProp Winlogon key is written on Windows 2000 only") {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    const bool windows2000 = version.dwPlatformId == VER_PLATFORM_WIN32_NT &&
                             version.dwMajorVersion == 5 && version.dwMinorVersion == 0;
    CAPTURE(version.dwMajorVersion);
    CAPTURE(version.dwMinorVersion);
    const char* const path =
        "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify\\ScCertProp";
    try {
        SREGISTRY::DeleteKeyTree(HKEY_LOCAL_MACHINE, path);
    } catch (const SREGISTRY::CRegException&) {
    }
    SINSTALL::CInstallScCertPropKey step;
    SSETUP::CContextDefault context(nullptr);
    CHECK(step.Perform(context));
    SREGISTRY::CKey key;
    const bool written = key.Open(HKEY_LOCAL_MACHINE, path, KEY_READ) == ERROR_SUCCESS;
    REQUIRE(written == windows2000);
    if (!written) {
        return;
    }
    DWORD values = 0;
    RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                     nullptr, nullptr, nullptr, nullptr);
    CHECK(values == 8);
}
