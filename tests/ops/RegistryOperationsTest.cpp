// Registry operations against the machine's real registry: keys, values with their rollback,
// key tree deletion and the refusal of malformed paths, the direct driver registration.
#include "RecordingClient.h"
#include "RegistryTestKeys.h"
#include "ops/Registry.h"
#include "ops/RegistryOperations.h"
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
    PutValue(kRoot, path);
    return path;
}

// A client that records everything, and a context bound to it.
struct CRegCase {
    CClient sink;
    CContextDefault context{&sink.client};
};

// Fails when performed: a critical step that makes its set roll back.
class CFailingStep : public SSETUP::CSetupOperationsDefault {
public:
    CFailingStep() : CSetupOperationsDefault(true) {}
    bool Perform(SSETUP::IContext&) override { return false; }
    bool Rollback(SSETUP::IContext&) override { return false; }
    void Accept(SSetupVisitor::IVisitor&) override {}
};

} // namespace

TEST_CASE_FIXTURE(CRegCase,
                  "CInstallRegKey: a new key is deleted by the rollback, an existing one kept") {
    const std::string existing = FreshKey("Keys");
    const std::string path = existing + "\\New";
    CInstallRegKey created(kRoot, path.c_str(), true);
    CInstallRegKey opened(kRoot, existing.c_str(), true);
    REQUIRE(created.Perform(context));
    REQUIRE(opened.Perform(context));
    CHECK(created.WasCreated());
    CHECK_FALSE(opened.WasCreated());
    CHECK_FALSE(created.Perform(context));
    CHECK(created.Rollback(context));
    CHECK(opened.Rollback(context));
    CHECK_FALSE(KeyExists(kRoot, path));
    CHECK(KeyExists(kRoot, existing));
    // Rollbacks are reported too; a second one has nothing to undo and sends nothing.
    CHECK(created.Rollback(context));
    REQUIRE(sink.keys.records.size() == 4);
    CHECK_FALSE(sink.keys.records[3].performing);
}

TEST_CASE("a value comes back after the rollback with its data and type, or goes") {
    const struct {
        const char* name;
        bool existed;
        DWORD oldType;
        std::string oldBytes;
        const char* text; // a string value with this text, else a DWORD value
    } rows[] = {
        {"string over an expandable string", true, REG_EXPAND_SZ, Sz("%SystemRoot%\\old"), "C:\\n"},
        {"DWORD over a DWORD", true, REG_DWORD, Dword(4), nullptr},
        {"empty string over a value without data", true, REG_BINARY, std::string(), ""},
        {"DWORD where there was none", false, 0, std::string(), nullptr},
    };
    for (const auto& row : rows) {
        INFO(std::string(row.name));
        CRegCase c;
        const std::string path = FreshKey("Values");
        if (row.existed) {
            PutValue(kRoot, path, "V", row.oldType, row.oldBytes);
        }
        std::unique_ptr<CInstallRegValue> operation;
        if (row.text != nullptr) {
            operation.reset(new CInstallRegStringValue(kRoot, path.c_str(), "V", row.text, true));
        } else {
            operation.reset(new CInstallRegDWORDValue(kRoot, path.c_str(), "V", 0x10002, true));
        }
        REQUIRE(operation->Perform(c.context));
        const CValue written = ReadValue(kRoot, path, "V");
        CHECK(written.type == (row.text ? REG_SZ : REG_DWORD));
        // A string is written with its terminating zero, the empty one as one byte.
        CHECK(written.bytes == (row.text ? Sz(row.text) : Dword(0x10002)));

        CHECK(operation->Rollback(c.context));
        const CValue back = ReadValue(kRoot, path, "V");
        CHECK(back.exists == row.existed);
        CHECK(back.type == row.oldType);
        CHECK(back.bytes == row.oldBytes);
        // No notification from the rollback; a second one has nothing to do.
        CHECK(c.sink.strings.records.size() + c.sink.dwords.records.size() == 1);
        CHECK_FALSE(operation->Rollback(c.context));
    }
}

TEST_CASE_FIXTURE(CRegCase, "two writes of one value in a set are rolled back in reverse") {
    for (const bool existed : {true, false}) {
        CAPTURE(existed);
        const std::string path = FreshKey("Twice");
        if (existed) {
            PutValue(kRoot, path, "Mode", REG_SZ, Sz("original"));
        }
        COperationSet set(false);
        set.Add(new CInstallRegStringValue(kRoot, path.c_str(), "Mode", "first", true), false);
        set.Add(new CInstallRegStringValue(kRoot, path.c_str(), "Mode", "second", true), false);
        set.Add(new CFailingStep, false);
        CHECK_FALSE(set.Perform(context));
        const CValue now = ReadValue(kRoot, path, "Mode");
        CHECK(now.exists == existed);
        CHECK(now.bytes == (existed ? Sz("original") : std::string()));
    }
}

TEST_CASE("a value that cannot be saved first is not overwritten") {
    // Reads the previous value as the registry would, except for the failure of the row.
    class CBackupFails : public CInstallRegStringValue {
    public:
        CBackupFails(const std::string& path, DWORD probedSize)
            : CInstallRegStringValue(kRoot, path.c_str(), "V", "new", true),
              probedSize(probedSize) {}

    private:
        LONG QueryValue(HKEY, DWORD* type, BYTE* data, DWORD* size) const override {
            *type = REG_SZ;
            if (data == nullptr) {
                *size = probedSize;
                return ERROR_SUCCESS;
            }
            return ERROR_MORE_DATA; // it changed between the two queries
        }
        const DWORD probedSize;
    };
    for (const DWORD probedSize : {DWORD(4), DWORD(MAXDWORD)}) {
        CAPTURE(probedSize);
        CRegCase c;
        const std::string path = FreshKey("Unsaved");
        PutValue(kRoot, path, "V", REG_SZ, Sz("old"));
        CBackupFails operation(path, probedSize);
        CHECK_FALSE(operation.Perform(c.context));
        CHECK(ReadValue(kRoot, path, "V").bytes == Sz("old"));
        REQUIRE(c.sink.strings.records.size() == 1);
        CHECK(c.sink.strings.records[0].failed == 1);
    }
}

TEST_CASE_FIXTURE(CRegCase, "a value of a missing key fails and creates nothing") {
    const std::string path = FreshKey("Missing") + "\\NotThere";
    CInstallRegStringValue operation(kRoot, path.c_str(), "V", "x", true);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(KeyExists(kRoot, path));
    REQUIRE(sink.strings.records.size() == 1);
    CHECK(sink.strings.records[0].failed == 1);
}

TEST_CASE("value operations built on a key operation, with and without a sub path") {
    const CInstallRegKey key(kRoot, "Software\\K", true);
    CHECK(CInstallRegStringValue(key, "Parameters", "V", "x", true).GetKeyPath() ==
          "Software\\K\\Parameters");
    CHECK(CInstallRegDWORDValue(key, "", "V", 1, true).GetKeyPath() == "Software\\K");
    CHECK(CInstallRegDWORDValue(key, nullptr, "V", 1, true).GetKeyPath() == "Software\\K");
}

TEST_CASE_FIXTURE(CRegCase,
                  "key deletion: a nested tree goes; a missing key is error 2, result 2") {
    const std::string path = FreshKey("Tree");
    for (const char* sub : {"\\a\\b\\c", "\\a\\d", "\\e"}) {
        PutValue(kRoot, path + sub, "v", REG_SZ, Sz(sub));
    }
    CDeleteRegKeyOperation operation(kRoot, path.c_str(), false);
    CHECK(operation.Perform(context));
    CHECK_FALSE(KeyExists(kRoot, path));
    CHECK(KeyExists(kRoot, kBase));
    CHECK_FALSE(operation.Rollback(context));
    // No guard against a second run: the key is gone now, so that one fails.
    CHECK_FALSE(operation.Perform(context));
    REQUIRE(sink.deletes.records.size() == 2);
    CHECK(sink.deletes.records[0].result == 1);
    CHECK(sink.deletes.records[1].result == 2);
    try {
        SREGISTRY::DeleteKeyTree(kRoot, path.c_str());
        FAIL("no exception");
    } catch (const SREGISTRY::CRegException& error) {
        CHECK(error.error == ERROR_FILE_NOT_FOUND);
        CHECK(error.rootKey == kRoot);
    }
}

TEST_CASE("a malformed key path is refused and the tree below the root stays") {
    // The root is an open test key, so that a path taken for the root itself could only
    // ever wipe this key.
    const std::string guard = FreshKey("Guard");
    PutValue(kRoot, guard + "\\Sub\\Inner", "v", REG_SZ, Sz("kept"));
    HKEY root = nullptr;
    REQUIRE(RegOpenKeyExA(kRoot, guard.c_str(), 0, KEY_ALL_ACCESS, &root) == ERROR_SUCCESS);
    for (const char* path : {(const char*)nullptr, "", "\\", "\\Sub", "Sub\\", "Sub\\\\Inner"}) {
        CAPTURE(std::string(path ? path : "(null)"));
        CClient sink;
        CContextDefault context(&sink.client);
        try {
            SREGISTRY::DeleteKeyTree(root, path);
            FAIL("no exception");
        } catch (const SREGISTRY::CRegException& error) {
            CHECK(error.error == ERROR_BADKEY);
        }
        CDeleteRegKeyOperation deleteKey(root, path, false);
        CHECK_FALSE(deleteKey.Perform(context));
        CInstallRegKey makeKey(root, path, true);
        CHECK_FALSE(makeKey.Perform(context));
        CInstallRegStringValue setValue(root, path, "v", "x", true);
        CHECK_FALSE(setValue.Perform(context));
        CInstallRegDWORDValue setNumber(root, path, "n", 1, true);
        CHECK_FALSE(setNumber.Perform(context));
        CHECK(sink.deletes.records.size() == 1);
        CHECK(sink.keys.records.size() == 1);
        CHECK(ReadValue(kRoot, guard + "\\Sub\\Inner", "v").bytes == Sz("kept"));
        CHECK_FALSE(ReadValue(kRoot, guard, "v").exists);
        CHECK_FALSE(ReadValue(kRoot, guard + "\\Sub", "n").exists);
    }
    RegCloseKey(root);
}

TEST_CASE_FIXTURE(CRegCase,
                  "CRegisterDriverIndirect writes the service key and raises the reboot flag") {
    const std::string key = "SYSTEM\\CurrentControlSet\\Services\\opsTestDrv";
    CDriverServiceInfo info;
    info.ServiceName = "opsTestDrv";
    info.DisplayName = "Ops test driver";
    info.Group = "Smart Card Reader";
    info.SetImageFile("opsTestDrv.sys");
    info.Type = 1;
    info.Start = 2;
    info.ErrorControl = 3;
    CRegisterDriverIndirect operation(info);
    REQUIRE(operation.Perform(context));
    CHECK(context.IsRebootNeeded());
    // The 9x family's form of the image path.
    const std::pair<const char*, std::string> written[] = {
        {"DisplayName", Sz("Ops test driver")}, {"Group", Sz("Smart Card Reader")},
        {"ImagePath", Sz("\\SystemRoot\\System32\\drivers\\opsTestDrv.sys")},
        {"Type", Dword(1)}, {"Start", Dword(2)}, {"ErrorControl", Dword(3)}};
    for (const auto& value : written) {
        CHECK(ReadValue(kRoot, key, value.first).bytes == value.second);
    }
    // Undone as a set: the key it created goes again.
    CHECK(operation.Rollback(context));
    CHECK_FALSE(KeyExists(kRoot, key));

    // Empty texts are left out; without a service name nothing is written, yet the driver
    // still waits for the restart.
    info.DisplayName.clear();
    info.ImagePath.clear();
    CRegisterDriverIndirect bare(info);
    REQUIRE(bare.Perform(context));
    CHECK_FALSE(ReadValue(kRoot, key, "DisplayName").exists);
    CHECK_FALSE(ReadValue(kRoot, key, "ImagePath").exists);
    CHECK(ReadValue(kRoot, key, "Start").bytes == Dword(2));
    info.ServiceName.clear();
    CContextDefault unnamedContext(nullptr);
    CRegisterDriverIndirect unnamed(info);
    CHECK(unnamed.Perform(unnamedContext));
    CHECK(unnamedContext.IsRebootNeeded());
}

TEST_CASE_FIXTURE(CRegCase, "a failing CRegisterDriverIndirect does not ask for a restart") {
    CDriverServiceInfo info;
    // A key name that the registry refuses.
    info.ServiceName = std::string(300, 'x');
    CRegisterDriverIndirect operation(info);
    CHECK_FALSE(operation.Perform(context));
    CHECK_FALSE(context.IsRebootNeeded());
}
