// Card-type steps over the smart-card resource manager stand-in, where no 9x flow goes: other
// readers, failures, rollback; on NT also the smart-card service (zvService.exe beside this).
#include "ops/CardType.h"
#include "tests/ops/RecordingClient.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using SRegisterZentavo::TokenRegistrationEvent;

namespace {

const char kCard[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards\\zenTavo";
const char kReaders[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers";
const char kSwitches[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard";
const char kFail[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard\\Fail";
const std::string
    kAtr("\x3B\x6F\x00\xFF\x00\x56\x7A\x65\x6E\x54\x61\x76\x73\x30\x20\x00\x00\x90\x00", 19);

class CTestVariationPoint : public SZentavoManager::IManagerVariationPointInterface {
public:
    std::vector<BYTE> GetATR() const override {
        SetLastError(atr.empty() ? ERROR_RESOURCE_NAME_NOT_FOUND : 0);
        return std::vector<BYTE>(atr.begin(), atr.end());
    }
    std::string GetReaderNamePrefix() const override { return prefix; }
    std::string GetCardName() const override { return "zenTavo"; }
    std::string GetDriverServiceKey() const override { return "zvIFDH"; }
    std::string GetReaderInfName() const override { return "zvIFDH.inf"; }
    std::string GetReaderHardwareId() const override { return "*ZV0001"; }

    std::string atr = kAtr;
    std::string prefix = "Zv";
};

// "S" and "U" for the card type in the system and user scope, then each scope's readers.
std::string State() {
    std::string state = opstest::KeyExists(HKEY_LOCAL_MACHINE, kCard) ? "S" : "";
    state += opstest::KeyExists(HKEY_CURRENT_USER, kCard) ? "U" : "";
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        state += root == HKEY_LOCAL_MACHINE ? ":" : " /";
        HKEY key = nullptr;
        RegOpenKeyExA(root, kReaders, 0, KEY_READ, &key);
        char name[64];
        for (DWORD i = 0; key && RegEnumKeyA(key, i, name, sizeof(name)) == ERROR_SUCCESS; ++i) {
            state += std::string(" ") + name;
        }
        RegCloseKey(key);
    }
    return state;
}

struct CListener {
    CListener() : recorder(client), context(&client) {}
    // The records so far: "<error>/<kind> add|forget <scope>", joined by " | ".
    std::string Taken() {
        std::string joined;
        for (const TokenRegistrationEvent& record : recorder.records) {
            char text[64];
            std::snprintf(
                text, sizeof(text), "%lX/%lu %s %lu", static_cast<unsigned long>(record.errorCode),
                static_cast<unsigned long>(record.failureKind),
                record.isRegistration ? "add" : "forget", static_cast<unsigned long>(record.scope));
            joined += (joined.empty() ? "" : " | ") + std::string(text);
        }
        recorder.records.clear();
        return joined;
    }
    opstest::CRecordingClient client;
    opstest::CNotifyRecorder<SRegisterZentavo::IRegisterZentavoNotify, TokenRegistrationEvent>
        recorder;
    SSETUP::CContextDefault context;
};

} // namespace

TEST_CASE("card-type steps: what they report, forget and leave, and their rollback") {
    const std::string all = ": Other2 Z Zv0 ZV1 / Other4 Zv3";
    struct {
        char step; // 'I' introduce, 'A' the same over an existing one, 'R' remove both scopes
        const char* failing; // the stand-in's call made to fail with 80100001
        char without;        // 'A' the variation point has no ATR, 'P' no reader prefix
        const char* records;
        bool performed;         // only a card type the step added is its own to roll back
        std::string state;      // afterwards, see State()
        const char* rollback;   // its records; null: not rolled back
        std::string rolledBack; // State() after it
    } const rows[] = {
        // clang-format off
        {'I', nullptr, 0, "0/0 add 1", true, "S" + all, "0/0 forget 1", ": Other2 Z ZV1 / Other4 Zv3"},
        {'A', nullptr, 0, "0/0 add 1", false, "S" + all, "", "S" + all},
        {'I', "SCardIntroduceCardTypeA", 0, "80100001/3 add 1", false, all, nullptr, ""},
        {'I', "SCardEstablishContext", 0, "80100001/2 add 1", false, all, nullptr, ""},
        {'I', nullptr, 'A', "716/3 add 1", false, all, nullptr, ""},
        {'R', nullptr, 0, "0/0 forget 2 | 0/0 forget 1", true, ": Other2 Z ZV1 / Other4", "0/0 add 1", "S: Other2 Z ZV1 / Other4"},
        {'R', nullptr, 'P', "0/0 forget 2 | 0/0 forget 1", true, all, nullptr, ""},
        {'R', "SCardForgetCardTypeA", 0, "80100001/4 forget 2 | 80100001/4 forget 1", true, "SU: Other2 Z ZV1 / Other4", "", "SU: Other2 Z ZV1 / Other4"},
        {'R', "SCardListReadersA", 0, "0/0 forget 2 | 0/0 forget 1", true, all, nullptr, ""},
        // clang-format on
    };
    const struct {
        HKEY root;
        const char* name;
    } readers[] = {{HKEY_LOCAL_MACHINE, "Zv0"},    {HKEY_LOCAL_MACHINE, "ZV1"},
                   {HKEY_LOCAL_MACHINE, "Other2"}, {HKEY_LOCAL_MACHINE, "Z"},
                   {HKEY_CURRENT_USER, "Zv3"},     {HKEY_CURRENT_USER, "Other4"}};
    for (const auto& row : rows) {
        INFO(std::string(row.records));
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCard);
        RegDeleteKeyA(HKEY_CURRENT_USER, kCard);
        for (const auto& reader : readers) {
            opstest::PutValue(reader.root, std::string(kReaders) + "\\" + reader.name);
        }
        const auto point = std::make_shared<CTestVariationPoint>();
        CListener listener;
        if (row.step != 'I') {
            SRegisterZentavo::CRegisterZentavo(point, true, false).Perform(listener.context);
        }
        if (row.step == 'R') {
            SRegisterZentavo::CRegisterZentavo(point, false, false).Perform(listener.context);
        }
        listener.Taken();
        if (row.failing != nullptr) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, kFail, row.failing, REG_DWORD,
                              opstest::Dword(0x80100001));
        }
        if (row.without != 0) {
            (row.without == 'A' ? point->atr : point->prefix).clear();
        }
        std::unique_ptr<SSETUP::ISetupOperation> step;
        if (row.step == 'R') {
            step.reset(new SRegisterZentavo::CUnRegisterZentavo(point, false));
        } else {
            step.reset(new SRegisterZentavo::CRegisterZentavo(point, true, true));
        }
        CHECK(step->Perform(listener.context));
        CHECK(step->IsPerformed() == row.performed);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFail);
        CHECK(listener.Taken() == row.records);
        CHECK(State() == row.state);
        if (opstest::KeyExists(HKEY_LOCAL_MACHINE, kCard)) {
            CHECK(opstest::ReadValue(HKEY_LOCAL_MACHINE, kCard, "ATR").bytes == kAtr);
            CHECK_FALSE(opstest::ReadValue(HKEY_LOCAL_MACHINE, kCard, "ATRMask").exists);
        }
        if (row.rollback != nullptr) {
            CHECK(step->Rollback(listener.context) == row.performed);
            CHECK_FALSE(step->IsPerformed());
            CHECK(listener.Taken() == row.rollback);
            CHECK(State() == row.rolledBack);
        }
    }
}

TEST_CASE("NT: the smart-card service is started, set to start itself, and waited for") {
    if (GetVersion() >= 0x80000000) {
        return; // on the 9x family the resource manager needs no service
    }
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path =
        "\"" + std::string(self, std::strrchr(self, '\\')) + "\\zvService.exe\"";
    using CHandle = std::unique_ptr<SC_HANDLE__, decltype(&CloseServiceHandle)>;
    const CHandle manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS),
                          &CloseServiceHandle);
    const CHandle service(CreateServiceA(manager.get(), "SCardSvr", "SCardSvr", SERVICE_ALL_ACCESS,
                                         SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                         SERVICE_ERROR_IGNORE, path.c_str(), nullptr, nullptr,
                                         nullptr, nullptr, nullptr),
                          &CloseServiceHandle);
    REQUIRE_MESSAGE(service != nullptr, "CreateServiceA: " << GetLastError());
    CHECK(SZentavoManager::EnsureSmartCardServiceRunning());
    // Three answers without service are waited out.
    opstest::PutValue(HKEY_LOCAL_MACHINE, kSwitches, "NoServiceCount", REG_DWORD,
                      opstest::Dword(3));
    CListener listener;
    SRegisterZentavo::CRegisterZentavo step(std::make_shared<CTestVariationPoint>(), true, true);
    CHECK(step.Perform(listener.context));
    CHECK(listener.Taken() == "0/0 add 1");
    CHECK(opstest::ReadValue(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services\\SCardSvr",
                             "Start")
              .bytes == opstest::Dword(SERVICE_AUTO_START));
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    DeleteService(service.get());
}
