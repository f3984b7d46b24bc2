// Registry operations against the machine's real registry: keys, values with their rollback,
// key tree deletion, the direct driver registration.
#include "RecordingClient.h"
#include "RegistryTestKeys.h"
#include "ops/Registry.h"
#include "ops/RegistryOperations.h"
#include "setup/Visitor.h"
#include <doctest/doctest.h>

using namespace opstest;
using namespace SSETUPREG;
using SSETUP::CContextDefault;
using SSETUP::COperationSet;

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
const std::string kBase = "Software\\MorviskOpsTest";

using KeyNotify =
    CNotifyRecorder<CInstallRegKey::IRegKeyInstallNotify, CInstallRegKey::CNotifyRecord>;
using DeleteNotify = CNotifyRecorder<CDeleteRegKeyOperation::IDeleteRegKeyNotify,
                                     CDeleteRegKeyOperation::CNotifyRecord>;
using StringNotify = CNotifyRecorder<CInstallRegStringValue::IInstallRegSTRINGValueNotify,
                                     CInstallRegStringValue::CNotifyRecord>;
using DWORDNotify = CNotifyRecorder<CInstallRegDWORDValue::IInstallRegDWORDValueNotify,
                                    CInstallRegDWORDValue::CNotifyRecord>;

struct CClient {
    CRecordingClient client;
    KeyNotify keys{client};
    DeleteNotify deletes{client};
    StringNotify strings{client};
    DWORDNotify dwords{client};
};

// A key of its own for each case, emptied first.
std::string FreshKey(const char* name) {
    const std::string path = kBase + "\\" + name;
    try {
        SREGISTRY::DeleteKeyTree(kRoot, path.c_str());
    } catch (const SREGISTRY::CRegException&) {
    }
    MakeKey(kRoot, path);
    return path;
}

// Fails when performed: a critical step that makes its set roll back.
class CFailingStep : public SSETUP::CSetupOperationsDefault {
public:
    CFailingStep() : CSetupOperationsDefault(true) {}
    bool Perform(SSETUP::IContext&) override { return false; }
    bool Rollback(SSETUP::IContext&) override { return false; }
    void Accept(SSetupVisitor::IVisitor&) override {}
};

} // namespace

TEST_CASE("CInstallRegKey creates a new key and its rollback deletes it") {
    CClient sink;
    CContextDefault context(&sink.client);
    FreshKey("Keys");
    const std::string path = kBase + "\\Keys\\New";
    CInstallRegKey operation(kRoot, path.c_str(), true);
    REQUIRE(operation.Perform(context));
    CHECK(operation.IsPerformed());
    CHECK(operation.WasCreated());
    CHECK(KeyExists(kRoot, path));
    REQUIRE(sink.keys.records.size() == 1);
    CHECK(sink.keys.records[0].operation == &operation);
    CHECK(sink.keys.records[0].performing);
    CHECK(sink.keys.records[0].failed == 0);
    CHECK(sink.keys.records[0].operation->GetKeyPath() == path);
    CHECK(sink.keys.records[0].operation->GetRootKey() == kRoot);

    CHECK_FALSE(operation.Perform(context));
    CHECK(sink.keys.records.size() == 1);

    CHECK(operation.Rollback(context));
    CHECK_FALSE(KeyExists(kRoot, path));
    REQUIRE(sink.keys.records.size() == 2);
    CHECK_FALSE(sink.keys.records[1].performing);
    CHECK(sink.keys.records[1].failed == 0);
    // Not performed any more: nothing to undo, nothing sent.
    CHECK(operation.Rollback(context));
    CHECK(sink.keys.records.size() == 2);
}

TEST_CASE("CInstallRegKey on an existing key keeps it on rollback but still notifies") {
    CClient sink;
    CContextDefault context(&sink.client);
    const std::string path = FreshKey("Existing");
    PutValue(kRoot, path, "kept", REG_SZ, Sz("yes"));
    CInstallRegKey operation(kRoot, path.c_str(), false);
    CHECK_FALSE(operation.IsCritical());
    REQUIRE(operation.Perform(context));
    CHECK_FALSE(operation.WasCreated());
    CHECK(operation.Rollback(context));
    CHECK(KeyExists(kRoot, path));
    CHECK(ReadValue(kRoot, path, "kept").bytes == Sz("yes"));
    REQUIRE(sink.keys.records.size() == 2);
    CHECK_FALSE(sink.keys.records[1].performing);
}

TEST_CASE("CInstallRegKey that cannot create its key reports the failure") {
    CClient sink;
    CContextDefault context(&sink.client);
    // A path below a key that is a value's name is fine; an invalid root is not.
    CInstallRegKey operation(reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x1234)), "Nowhere",
                             true);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    REQUIRE(sink.keys.records.size() == 1);
    CHECK(sink.keys.records[0].failed == 1);
}

TEST_CASE("a string value that existed comes back with its text and type") {
    CClient sink;
    CContextDefault context(&sink.client);
    const std::string path = FreshKey("Strings");
    PutValue(kRoot, path, "Path", REG_EXPAND_SZ, Sz("%SystemRoot%\\old"));
    CInstallRegStringValue operation(kRoot, path.c_str(), "Path", "C:\\new", true);
    REQUIRE(operation.Perform(context));
    CValue now = ReadValue(kRoot, path, "Path");
    CHECK(now.type == REG_SZ);
    CHECK(now.bytes == Sz("C:\\new"));
    REQUIRE(sink.strings.records.size() == 1);
    const auto& record = sink.strings.records[0];
    CHECK(record.performing);
    CHECK(record.failed == 0);
    CHECK(record.operation->GetValueName() == "Path");
    CHECK(record.operation->GetData() == "C:\\new");
    CHECK(record.operation->GetValueKind() == 1);
    CHECK(record.operation->GetDataSize() == 7);
    CHECK(record.operation->GetKeyPath() == path);

    CHECK(operation.Rollback(context));
    now = ReadValue(kRoot, path, "Path");
    CHECK(now.type == REG_EXPAND_SZ);
    CHECK(now.bytes == Sz("%SystemRoot%\\old"));
    // The value operations do not notify from Rollback.
    CHECK(sink.strings.records.size() == 1);
}

TEST_CASE("a value that did not exist is removed by the rollback") {
    CContextDefault context(nullptr);
    const std::string path = FreshKey("Fresh");
    CInstallRegDWORDValue operation(kRoot, path.c_str(), "Count", 7, true);
    REQUIRE(operation.Perform(context));
    CValue now = ReadValue(kRoot, path, "Count");
    CHECK(now.type == REG_DWORD);
    CHECK(now.bytes == Dword(7));
    CHECK(operation.Rollback(context));
    CHECK_FALSE(ReadValue(kRoot, path, "Count").exists);
    CHECK(KeyExists(kRoot, path));
    // A second rollback has nothing to do.
    CHECK_FALSE(operation.Rollback(context));
}

TEST_CASE("a DWORD value that existed comes back; the record describes the DWORD") {
    CClient sink;
    CContextDefault context(&sink.client);
    const std::string path = FreshKey("Dwords");
    PutValue(kRoot, path, "ReadersCount", REG_DWORD, Dword(4));
    CInstallRegDWORDValue operation(kRoot, path.c_str(), "ReadersCount", 0x10002, false);
    CHECK_FALSE(operation.IsCritical());
    REQUIRE(operation.Perform(context));
    CHECK(ReadValue(kRoot, path, "ReadersCount").bytes == Dword(0x10002));
    REQUIRE(sink.dwords.records.size() == 1);
    const auto& record = sink.dwords.records[0];
    CHECK(record.failed == 0);
    CHECK(record.performing);
    CHECK(record.operation->GetData() == 0x10002);
    CHECK(record.operation->GetValueKind() == 2);
    CHECK(record.operation->GetDataSize() == 4);
    CHECK(operation.Rollback(context));
    CHECK(ReadValue(kRoot, path, "ReadersCount").bytes == Dword(4));
}

TEST_CASE("two writes of one value in a set are rolled back in reverse") {
    CClient sink;
    CContextDefault context(&sink.client);
    const std::string path = FreshKey("Twice");
    PutValue(kRoot, path, "Mode", REG_SZ, Sz("original"));
    COperationSet set(false);
    set.Add(new CInstallRegStringValue(kRoot, path.c_str(), "Mode", "first", true), false);
    set.Add(new CInstallRegStringValue(kRoot, path.c_str(), "Mode", "second", true), false);
    set.Add(new CFailingStep, false);
    CHECK_FALSE(set.Perform(context));
    CHECK(sink.strings.records.size() == 2);
    const CValue now = ReadValue(kRoot, path, "Mode");
    CHECK(now.type == REG_SZ);
    CHECK(now.bytes == Sz("original"));
}

TEST_CASE("two writes of a value that did not exist leave no value after the rollback") {
    CContextDefault context(nullptr);
    const std::string path = FreshKey("TwiceNew");
    COperationSet set(false);
    set.Add(new CInstallRegDWORDValue(kRoot, path.c_str(), "N", 1, true), false);
    set.Add(new CInstallRegDWORDValue(kRoot, path.c_str(), "N", 2, true), false);
    REQUIRE(set.Perform(context));
    CHECK(ReadValue(kRoot, path, "N").bytes == Dword(2));
    CHECK(set.Rollback(context));
    CHECK_FALSE(ReadValue(kRoot, path, "N").exists);
}

TEST_CASE("the empty value name is the key's default value; the empty string is one byte") {
    CContextDefault context(nullptr);
    const std::string path = FreshKey("Default");
    CInstallRegStringValue defaultValue(kRoot, path.c_str(), "", "the default", true);
    REQUIRE(defaultValue.Perform(context));
    HKEY key = nullptr;
    REQUIRE(RegOpenKeyExA(kRoot, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS);
    char text[64] = {};
    LONG size = sizeof(text);
    CHECK(RegQueryValueA(key, nullptr, text, &size) == ERROR_SUCCESS);
    RegCloseKey(key);
    CHECK(std::string(text) == "the default");

    CInstallRegStringValue empty(kRoot, path.c_str(), "Empty", "", true);
    REQUIRE(empty.Perform(context));
    const CValue written = ReadValue(kRoot, path, "Empty");
    CHECK(written.type == REG_SZ);
    CHECK(written.bytes == std::string(1, '\0'));
    CHECK(empty.GetDataSize() == 1);
    CHECK(defaultValue.Rollback(context));
    CHECK_FALSE(ReadValue(kRoot, path, "").exists);
}

TEST_CASE("a value that existed without any data is put back empty") {
    CContextDefault context(nullptr);
    const std::string path = FreshKey("ZeroBytes");
    PutValue(kRoot, path, "Flag", REG_BINARY, std::string());
    REQUIRE(ReadValue(kRoot, path, "Flag").exists);
    CInstallRegStringValue operation(kRoot, path.c_str(), "Flag", "set", true);
    REQUIRE(operation.Perform(context));
    CHECK(operation.Rollback(context));
    const CValue back = ReadValue(kRoot, path, "Flag");
    CHECK(back.exists);
    CHECK(back.type == REG_BINARY);
    CHECK(back.bytes.empty());
}

TEST_CASE("a value of a missing key fails and creates nothing") {
    CClient sink;
    CContextDefault context(&sink.client);
    FreshKey("Missing");
    const std::string path = kBase + "\\Missing\\NotThere";
    CInstallRegStringValue operation(kRoot, path.c_str(), "V", "x", true);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    CHECK_FALSE(KeyExists(kRoot, path));
    REQUIRE(sink.strings.records.size() == 1);
    CHECK(sink.strings.records[0].failed == 1);
}

TEST_CASE("value operations built on a key operation, with and without a sub path") {
    CContextDefault context(nullptr);
    const std::string path = FreshKey("OnKey");
    MakeKey(kRoot, path + "\\Parameters");
    const CInstallRegKey key(kRoot, path.c_str(), true);
    CInstallRegStringValue below(key, "Parameters", "Where", "below", true);
    CInstallRegDWORDValue same(key, "", "Where", 1, true);
    CInstallRegDWORDValue none(key, nullptr, "Also", 2, true);
    CHECK(below.GetKeyPath() == path + "\\Parameters");
    CHECK(same.GetKeyPath() == path);
    CHECK(none.GetKeyPath() == path);
    CHECK(below.GetRootKey() == kRoot);
    REQUIRE(below.Perform(context));
    CHECK(ReadValue(kRoot, path + "\\Parameters", "Where").bytes == Sz("below"));
}

TEST_CASE("DeleteKeyTree removes a nested tree; a missing key raises error 2") {
    const std::string path = FreshKey("Tree");
    for (const char* sub : {"\\a", "\\a\\b", "\\a\\b\\c", "\\a\\d", "\\e"}) {
        PutValue(kRoot, path + sub, "v", REG_SZ, Sz(sub));
    }
    PutValue(kRoot, path, "top", REG_DWORD, Dword(1));
    SREGISTRY::DeleteKeyTree(kRoot, path.c_str());
    CHECK_FALSE(KeyExists(kRoot, path));
    CHECK(KeyExists(kRoot, kBase));

    try {
        SREGISTRY::DeleteKeyTree(kRoot, path.c_str());
        FAIL("no exception");
    } catch (const SREGISTRY::CRegException& error) {
        CHECK(error.error == ERROR_FILE_NOT_FOUND);
        CHECK(error.rootKey == kRoot);
    }
}

TEST_CASE("CDeleteRegKeyOperation deletes and reports; a missing key is result 2") {
    CClient sink;
    CContextDefault context(&sink.client);
    const std::string path = FreshKey("DeleteMe");
    PutValue(kRoot, path + "\\sub", "v", REG_SZ, Sz("x"));
    CDeleteRegKeyOperation operation(kRoot, path.c_str(), false);
    CHECK_FALSE(operation.IsCritical());
    CHECK(operation.Perform(context));
    CHECK(operation.IsPerformed());
    CHECK_FALSE(KeyExists(kRoot, path));
    // No restore possible.
    CHECK_FALSE(operation.Rollback(context));
    CHECK_FALSE(KeyExists(kRoot, path));
    // It has no guard against a second run: the key is gone now, so that one fails.
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(operation.IsPerformed());
    REQUIRE(sink.deletes.records.size() == 2);
    CHECK(sink.deletes.records[0].result == 1);
    CHECK(sink.deletes.records[1].result == 2);
    CHECK(sink.deletes.records[1].performing);
    CHECK(sink.deletes.records[1].operation->GetKeyPath() == path);
    CHECK(sink.deletes.records[1].operation->GetRootKey() == kRoot);
}

TEST_CASE("CRegisterDriverIndirect writes the service key and raises the reboot flag") {
    CClient sink;
    CContextDefault context(&sink.client);
    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\opsTestDrv";
    CDriverServiceInfo info;
    info.ServiceName = "opsTestDrv";
    info.DisplayName = "Ops test driver";
    info.Group = "Smart Card Reader";
    info.SetImageFile("opsTestDrv.sys");
    info.Type = 1;
    info.Start = 1;
    info.ErrorControl = 1;
    CRegisterDriverIndirect operation(info);
    CHECK(operation.Count() == 7);
    CHECK(operation.IsCritical());
    REQUIRE(operation.Perform(context));
    CHECK(context.IsRebootNeeded());
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "DisplayName").bytes == Sz("Ops test driver"));
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "Group").bytes == Sz("Smart Card Reader"));
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "ImagePath").bytes == Sz(info.ImagePath));
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "Start").bytes == Dword(1));
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "Type").bytes == Dword(1));
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "ErrorControl").bytes == Dword(1));
    CHECK(sink.keys.records.size() == 1);
    CHECK(sink.strings.records.size() == 3);
    CHECK(sink.dwords.records.size() == 3);

    // Undone as a set: the key it created goes again.
    CHECK(operation.Rollback(context));
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
}

TEST_CASE("CRegisterDriverIndirect leaves out empty texts") {
    CContextDefault context(nullptr);
    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\opsTestBare";
    CDriverServiceInfo info;
    info.ServiceName = "opsTestBare";
    info.Start = 3;
    CRegisterDriverIndirect operation(info);
    CHECK(operation.Count() == 4);
    REQUIRE(operation.Perform(context));
    CHECK_FALSE(ReadValue(HKEY_LOCAL_MACHINE, key, "DisplayName").exists);
    CHECK_FALSE(ReadValue(HKEY_LOCAL_MACHINE, key, "ImagePath").exists);
    CHECK(ReadValue(HKEY_LOCAL_MACHINE, key, "Start").bytes == Dword(3));
}

TEST_CASE("CRegisterDriverIndirect without a service name changes nothing, still reboots") {
    CContextDefault context(nullptr);
    HKEY services = nullptr;
    REQUIRE(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services", 0, KEY_READ,
                          &services) == ERROR_SUCCESS);
    DWORD before = 0;
    RegQueryInfoKeyA(services, nullptr, nullptr, nullptr, &before, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    CDriverServiceInfo info;
    info.DisplayName = "No name";
    info.SetImageFile("x.sys");
    CRegisterDriverIndirect operation(info);
    CHECK(operation.Count() == 0);
    CHECK(operation.Perform(context));
    CHECK(context.IsRebootNeeded());
    DWORD after = 0;
    RegQueryInfoKeyA(services, nullptr, nullptr, nullptr, &after, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(services);
    CHECK(after == before);
}

TEST_CASE("a failing CRegisterDriverIndirect does not ask for a restart") {
    CContextDefault context(nullptr);
    CDriverServiceInfo info;
    // A key name that the registry refuses.
    info.ServiceName = std::string(300, 'x');
    CRegisterDriverIndirect operation(info);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(context.IsRebootNeeded());
}

TEST_CASE("root key names for log texts") {
    CHECK(SREGISTRY::GetRootKeyName(HKEY_CLASSES_ROOT) == "HKEY_CLASSES_ROOT");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_CURRENT_USER) == "HKEY_CURRENT_USER");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_LOCAL_MACHINE) == "HKEY_LOCAL_MACHINE");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_USERS) == "HKEY_USERS");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_PERFORMANCE_DATA) == "HKEY_PERFORMANCE_DATA");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_PERFORMANCE_TEXT) == "HKEY_PERFORMANCE_TEXT");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_PERFORMANCE_NLSTEXT) == "HKEY_PERFORMANCE_NLSTEXT");
    CHECK(SREGISTRY::GetRootKeyName(HKEY_CURRENT_CONFIG) == "");
    CHECK(SREGISTRY::GetRootKeyName(nullptr) == "");
}

TEST_CASE("only the registry-key install shows itself to visitors") {
    struct CKeyVisitor : SSetupVisitor::CVisitorDefault {
        void Visit(const SSETUP::IInstallRegKeyOperation* operation) override {
            paths.push_back(operation->GetKeyPath());
        }
        std::vector<std::string> paths;
    } visitor;
    COperationSet set(false);
    auto* key = new CInstallRegKey(kRoot, "Software\\A", true);
    set.Add(key, false);
    set.Add(new CInstallRegStringValue(*key, nullptr, "v", "x", true), false);
    set.Add(new CDeleteRegKeyOperation(kRoot, "Software\\B", false), false);
    set.Add(new CInstallRegKey(kRoot, "Software\\C", true), false);
    set.Accept(visitor);
    CHECK(visitor.paths == std::vector<std::string>{"Software\\A", "Software\\C"});
}
