// The log lines of the notification handlers, the overwrite answers and the package visitors,
// on real files: versioned modules are copies of this program with their product version
// patched, so that every step of the replacement decision is reached.
#include "app/LogTexts.h"
#include "app/MainInstall.h"
#include "ops/FileVersions.h"
#include "ops/InstallFile.h"
#include "setup/DistributiveVisitors.h"
#include <doctest/doctest.h>
#include <cstring>
#include <string>
#include "tests/lib/TestFiles.h"

namespace {

using namespace testfiles;

const char logPath[] = "C:\\HND\\handlers.log";
const std::string dir = "C:\\HND";

// A copy of this program whose fixed version record says product version a.b.c.d and file
// version 9.a.b.c; a zero version writes a text file with no version resource.
void PutModule(const std::string& path, WORD a, WORD b, WORD c, WORD d) {
    if (a == 0 && b == 0 && c == 0 && d == 0) {
        PutFile(path, "not a module");
        return;
    }
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string bytes = FileBytes(self);
    // The fixed record follows the resource's UTF-16 key; the signature alone also occurs
    // in this function's code.
    const std::string key("V\0S\0_\0V\0E\0R\0S\0I\0O\0N\0_\0I\0N\0F\0O\0", 30);
    const char signature[] = "\xBD\x04\xEF\xFE";
    const std::string::size_type at = bytes.find(signature, bytes.find(key), 4);
    REQUIRE(at != std::string::npos);
    VS_FIXEDFILEINFO record;
    std::memcpy(&record, bytes.data() + at, sizeof(record));
    record.dwProductVersionMS = MAKELONG(b, a);
    record.dwProductVersionLS = MAKELONG(d, c);
    record.dwFileVersionMS = MAKELONG(a, 9);
    record.dwFileVersionLS = MAKELONG(c, b);
    std::memcpy(&bytes[at], &record, sizeof(record));
    PutFile(path, bytes);
}

class CLoggedInstall : public SINSTALL::CMainInstall {
public:
    explicit CLoggedInstall(int mode = SINSTALL::OVERWRITE_ALL) {
        overwriteMode = mode;
        CreateDirectoryA(dir.c_str(), nullptr);
        DeleteFileA(logPath);
        Initialize((std::string("/Q /LOG ") + logPath).c_str());
    }
    // What the log gained since the last call.
    std::string Taken() {
        const std::string bytes = FileBytes(logPath);
        const std::string gained = bytes == "(missing)" ? "" : bytes.substr(seen);
        seen += gained.size();
        return gained;
    }

private:
    std::string::size_type seen = 0;
};

struct CModule {
    const char* name;
    WORD package[4];   // all zero: no version resource
    WORD installed[4]; // all zero: no version resource; 9: no installed file
};

std::string Package(const char* name) {
    return dir + "\\PKG\\" + name;
}
std::string Installed(const char* name) {
    return dir + "\\SYS\\" + name;
}

void PutModules(const CModule* modules, size_t count) {
    CreateDirectoryA(dir.c_str(), nullptr);
    FreshFolder(dir + "\\PKG");
    FreshFolder(dir + "\\SYS");
    for (size_t i = 0; i < count; ++i) {
        const CModule& m = modules[i];
        PutModule(Package(m.name), m.package[0], m.package[1], m.package[2], m.package[3]);
        if (m.installed[0] != 9) {
            PutModule(Installed(m.name), m.installed[0], m.installed[1], m.installed[2],
                      m.installed[3]);
        }
    }
}

} // namespace

TEST_CASE("overwrite answers and their lines; the visitors over the same files") {
    const CModule modules[] = {
        {"NEWER.DLL", {3, 0, 0, 0}, {3, 0, 0, 1}}, // installed newer: kept
        {"EQUAL.DLL", {2, 0, 0, 0}, {2, 0, 0, 0}}, // equal: replaced
        {"OLDER.SYS", {1, 1, 0, 0}, {1, 0, 9, 9}}, // installed older: replaced
        {"NOVER.DLL", {0, 0, 0, 0}, {1, 0, 0, 0}}, // package without version: kept
        {"BARE.EXE", {1, 0, 0, 0}, {0, 0, 0, 0}},  // installed without version: replaced
        {"ZVCSP.SIG", {0, 0, 0, 0}, {0, 0, 0, 0}}, // not a module: replaced, no line
        {"FRESH.DLL", {1, 0, 0, 0}, {9, 0, 0, 0}}, // not installed
    };
    PutModules(modules, sizeof(modules) / sizeof(modules[0]));
    SetFileAttributesA(Installed("EQUAL.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA(Installed("NEWER.DLL").c_str(), FILE_ATTRIBUTE_READONLY);

    SSETUP::COperationSet procedure(true);
    for (const CModule& m : modules) {
        procedure.Add(
            new SSETUP::CInstallFile(Package(m.name).c_str(), Installed(m.name).c_str(), true),
            false);
    }
    for (const char* gone : {"GONE1.DLL", "GONE2.INF"}) {
        procedure.Add(new SSETUP::CInstallFile(Package(gone).c_str(), Installed(gone).c_str(), true),
                      false);
    }

    SUBCASE("only files not newer on the machine") {
        CLoggedInstall client(SINSTALL::OVERWRITE_ONLY_FRESHER);
        std::string answers;
        for (const CModule& m : modules) {
            SSETUP::CInstallFile file(Package(m.name).c_str(), Installed(m.name).c_str(), true);
            SSETUP::CInstallFile::CQueryRecord record = {true, &file};
            client.Query(record);
            answers += record.needed ? 'y' : 'n';
        }
        CHECK(answers == "nyyny"
                         "yy");
        CHECK(client.Taken() ==
              "\t\tSource file 'C:\\HND\\PKG\\NEWER.DLL' (9.3.0.0) older than \r\n"
              "\t\tdestination file 'C:\\HND\\SYS\\NEWER.DLL'(9.3.0.0) or have EQ version. \r\n"
              "\t\tOverwriting not needed !!! \r\n\r\n"
              "\t\tSource file 'C:\\HND\\PKG\\EQUAL.DLL' (9.2.0.0) fresher than \r\n"
              "\t\tdestination file 'C:\\HND\\SYS\\EQUAL.DLL'(9.2.0.0) or have EQ version. \r\n"
              "\t\tOverwriting  needed !!! \r\n\r\n"
              "   !!!!! File 'C:\\HND\\SYS\\EQUAL.DLL' already exists and Has READ ONLY attrib !!! "
              "Clearing his READ ONLY flag then !!!!! \r\n"
              "\t\tSource file 'C:\\HND\\PKG\\OLDER.SYS' (9.1.1.0) fresher than \r\n"
              "\t\tdestination file 'C:\\HND\\SYS\\OLDER.SYS'(9.1.0.9) or have EQ version. \r\n"
              "\t\tOverwriting  needed !!! \r\n\r\n"
              "\t\tSource file 'C:\\HND\\PKG\\NOVER.DLL' has not version. \r\n"
              "\t\tBut installed file 'C:\\HND\\SYS\\NOVER.DLL' has. \r\n"
              "\t\tAssuming, that installed file fresher !!!\r\n\r\n"
              "\t\tInstalled file 'C:\\HND\\SYS\\BARE.EXE' has not version !\r\n"
              "\t\tAssuming, that source file fresher... \r\n\r\n");
        // Only the file that is to be replaced loses its read-only mark.
        CHECK((GetFileAttributesA(Installed("EQUAL.DLL").c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
        CHECK((GetFileAttributesA(Installed("NEWER.DLL").c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
    }
    SUBCASE("nothing: no file is touched and no line written") {
        CLoggedInstall client(SINSTALL::OVERWRITE_NOTHING);
        SSETUP::CInstallFile file(Package("EQUAL.DLL").c_str(), Installed("EQUAL.DLL").c_str(),
                                  true);
        SSETUP::CInstallFile::CQueryRecord record = {true, &file};
        client.Query(record);
        CHECK_FALSE(record.needed);
        CHECK(client.Taken() == "");
        CHECK((GetFileAttributesA(Installed("EQUAL.DLL").c_str()) & FILE_ATTRIBUTE_READONLY) != 0);
    }
    SUBCASE("the visitors") {
        SSetupVisitors::CCheckDistributive check;
        procedure.Accept(check);
        CHECK_FALSE(check.IsComplete());
        const std::list<std::string> missing = {"C:\\HND\\PKG\\GONE1.DLL",
                                                "C:\\HND\\PKG\\GONE2.INF"};
        CHECK(check.GetMissingFiles() == missing);

        SSetupVisitors::CSeekForFresherFilesVisitor fresher;
        procedure.Accept(fresher);
        // Compared: the versioned modules present on both sides.
        CHECK(fresher.comparedCount == 5);
        std::string listed;
        for (const auto& file : fresher.GetFresherFiles()) {
            listed +=
                file.packagePath + " [" + file.packageVersion + "|" + file.installedVersion + "] ";
        }
        // The ProductVersion texts come from the string table, which the patch leaves as built.
        const std::string text =
            SFileVersions::ReadVersionString(Installed("NEWER.DLL").c_str(), "ProductVersion");
        CHECK(listed == Package("NEWER.DLL") + " [" + text + "|" + text + "] " +
                            Package("NOVER.DLL") + " [|" + text + "] ");

        SSetupVisitors::CEnumDistributiveFilesVisitor::CEnumOnlyExecutables executables;
        SSetupVisitors::CEnumDistributiveFilesVisitor modulesOnly(executables);
        procedure.Accept(modulesOnly);
        CHECK(modulesOnly.GetFiles().size() == 7);
    }
}

TEST_CASE("lines of the records that the flows here do not reach") {
    CLoggedInstall client;
    SSETUPREG::CInstallRegKey key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Norvane", false);
    SSETUPREG::CInstallRegKey foreignRootKey(reinterpret_cast<HKEY>(0x1234), "A\\B", false);
    client.Notify(SSETUPREG::CInstallRegKey::CNotifyRecord{&key, true, 1});
    client.Notify(SSETUPREG::CInstallRegKey::CNotifyRecord{&key, false, 0});
    client.Notify(SSETUPREG::CInstallRegKey::CNotifyRecord{&foreignRootKey, true, 0});
    SSETUPREG::CInstallRegDWORDValue dword(HKEY_LOCAL_MACHINE, "K", "ReadersCount", 0x2A, true);
    client.Notify(SSETUPREG::CInstallRegDWORDValue::CNotifyRecord{&dword, true, 1});
    SSETUPREG::CInstallRegStringValue text(HKEY_CURRENT_USER, "K", "Name", "abc", true);
    client.Notify(SSETUPREG::CInstallRegStringValue::CNotifyRecord{&text, true, 0});
    SSETUP::CInstallFile file("C:\\PKG\\zvAPI.dll", "C:\\SYS\\zvAPI.dll", true);
    client.Notify(SSETUP::CInstallFile::CNotifyRecord{&file, "C:\\TMP\\zvAPI.dll",
                                                      SSETUP::CInstallFile::ResultRestoreFailed});
    client.Notify(SRegATLService::ServiceEvent{SRegATLService::ServiceRegistration, false, true,
                                               "Zentavo Service", "C:\\S.exe", 2});
    client.Notify(SRegATLService::ServiceEvent{SRegATLService::ServiceStop, true, false,
                                               "Zentavo Service", "", 0});
    client.Notify(SINSTPNP::CUnRegisterPNPDriver::CNotifyRecord{true, true, true, "*ZV0001",
                                                                "C:\\WINDOWS\\INF\\zvIFDH.inf"});
    client.Notify(SRegisterZentavo::TokenRegistrationEvent{0, 0, true, false, true, 1});
    client.Notify(SRegisterZentavo::TokenRegistrationEvent{2, 3, true, true, true, 7});
    client.Notify(SRegisterZentavo::TokenRegistrationEvent{3, 1, true, false, false, 2});
    const std::string noFile = SINSTALL::DescribeSystemError(2);
    const std::string noPath = SINSTALL::DescribeSystemError(3);
    // The value texts keep the system formatter's own padding.
    char padded[16];
    wsprintfA(padded, "%08s", "abc");
    CHECK(!noFile.empty());
    CHECK(
        client.Taken() ==
        "Installing regKey 'HKEY_LOCAL_MACHINE\\SOFTWARE\\Norvane' (FAIL !!!!!!) \r\n"
        "Installing regKey '\\A\\B' (OK !!!!!!) \r\n"
        "FAILING To Set DWORD Value HKEY_LOCAL_MACHINE\\K ( ReadersCount == '0000002A' ) !!! \r\n"
        "STRING Value HKEY_CURRENT_USER\\K ( Name == '" +
            std::string(padded) +
            "' ) has been SUCCESSFULLY INSTALLED !!! \r\n"
            "Restoring file 'C:\\SYS\\zvAPI.dll' from 'C:\\TMP\\zvAPI.dll' FAILED !!! \r\n"
            "Service 'Zentavo Service'  ( path == 'C:\\S.exe' ) registration FAILED ( errCode == " +
            SLOG::ConvertLineEnds(noFile.c_str()) +
            " ).\r\n"
            "Stopping service 'Zentavo Service'...    OK .\r\n"
            "UnRegisterPNPDriver operation SUCCEEDED ( INF == 'zvIFDH.inf', DriverID == '*ZV0001' "
            ") "
            "( REBOOT NEEDED TO COMPLETE ) !!! !!! \r\n"
            "Registering Token card type etc. (<Unknown scope code == 7 >) : API "
            "::IntroduceCardType() "
            "FAILED !!! Sys ecode = 2, Sys error description : " +
            SLOG::ConvertLineEnds(noFile.c_str()) +
            " )\r\n"
            "UnRegistering Token card type & removing Token readers (SCOPE_LOCAL) : Sys ecode = 3, "
            "Sys error description : " +
            SLOG::ConvertLineEnds(noPath.c_str()) + " )\r\n");
    CHECK(SINSTALL::DescribeReturnCode(0xDEADBEEF) == "< Undefined return value>");
    CHECK(SINSTALL::DescribeReturnCode(0xFFFFFFFB) == "-5");
}
