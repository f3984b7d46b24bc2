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

bool IsNT() {
    return GetVersion() < 0x80000000;
}

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
    // "<error> kind <n> <registration|removal> scope <n> [critical]", joined by " | ".
    std::string Taken() {
        std::string joined;
        for (const TokenRegistrationEvent& record : recorder.records) {
            char text[96];
            std::snprintf(text, sizeof(text), "%lX kind %lu %s scope %lu%s",
                          static_cast<unsigned long>(record.errorCode),
                          static_cast<unsigned long>(record.failureKind),
                          record.isRegistration ? "registration" : "removal",
                          static_cast<unsigned long>(record.scope),
                          record.critical ? " critical" : "");
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
    struct {
        const char* step;    // "introduce" (the card type "again"), or "remove" from both scopes
        const char* failing; // the stand-in's call made to fail with 80100001
        const char* without; // "ATR" or "prefix": the variation point lacks it
        const char* records;
        const char* state;    // afterwards, see State()
        const char* rollback; // its records; null: not rolled back
        const char* rolledBackState;
    } const rows[] = {
        // clang-format off
        {"introduce", nullptr, nullptr, "0 kind 0 registration scope 1 critical",
         "S: Other2 Z Zv0 ZV1 / Other4 Zv3", "0 kind 0 removal scope 1 critical", ": Other2 Z ZV1 / Other4 Zv3"},
        {"again", nullptr, nullptr, "0 kind 0 registration scope 1 critical", "S: Other2 Z Zv0 ZV1 / Other4 Zv3", nullptr, nullptr},
        {"introduce", "SCardIntroduceCardTypeA", nullptr, "80100001 kind 3 registration scope 1 critical",
         ": Other2 Z Zv0 ZV1 / Other4 Zv3", nullptr, nullptr},
        {"introduce", "SCardEstablishContext", nullptr, "80100001 kind 2 registration scope 1 critical",
         ": Other2 Z Zv0 ZV1 / Other4 Zv3", nullptr, nullptr},
        {"introduce", nullptr, "ATR", "716 kind 3 registration scope 1 critical",
         ": Other2 Z Zv0 ZV1 / Other4 Zv3", nullptr, nullptr},
        {"remove", nullptr, nullptr, "0 kind 0 removal scope 2 | 0 kind 0 removal scope 1",
         ": Other2 Z ZV1 / Other4", "0 kind 0 registration scope 1", "S: Other2 Z ZV1 / Other4"},
        {"remove", nullptr, "prefix", "0 kind 0 removal scope 2 | 0 kind 0 removal scope 1",
         ": Other2 Z Zv0 ZV1 / Other4 Zv3", nullptr, nullptr},
        {"remove", "SCardForgetCardTypeA", nullptr, "80100001 kind 4 removal scope 2 | 80100001 kind 4 removal scope 1",
         "SU: Other2 Z ZV1 / Other4", "", "SU: Other2 Z ZV1 / Other4"},
        {"remove", "SCardListReadersA", nullptr, "0 kind 0 removal scope 2 | 0 kind 0 removal scope 1",
         ": Other2 Z Zv0 ZV1 / Other4 Zv3", nullptr, nullptr},
        // clang-format on
    };
    for (const auto& row : rows) {
        const std::string name = std::string(row.step) + " " + (row.failing ? row.failing : "") +
                                 " " + (row.without ? row.without : "");
        INFO(name);
        for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
            RegDeleteKeyA(root, kCard);
            for (const char* name : {"Zv0", "ZV1", "Other2", "Zv3", "Other4", "Z"}) {
                RegDeleteKeyA(root, (std::string(kReaders) + "\\" + name).c_str());
            }
        }
        for (const char* name : {"Zv0", "ZV1", "Other2", "Z"}) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, std::string(kReaders) + "\\" + name);
        }
        for (const char* name : {"Zv3", "Other4"}) {
            opstest::PutValue(HKEY_CURRENT_USER, std::string(kReaders) + "\\" + name);
        }
        const auto full = std::make_shared<CTestVariationPoint>();
        CListener listener;
        if (std::strcmp(row.step, "introduce") != 0) {
            SRegisterZentavo::CRegisterZentavo(full, true, false).Perform(listener.context);
            SRegisterZentavo::CRegisterZentavo(full, false, false).Perform(listener.context);
            listener.Taken();
            if (std::strcmp(row.step, "again") == 0) {
                RegDeleteKeyA(HKEY_CURRENT_USER, kCard);
            }
        }
        if (row.failing != nullptr) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, kFail, row.failing, REG_DWORD,
                              opstest::Dword(0x80100001));
        }
        const auto point = std::make_shared<CTestVariationPoint>();
        if (row.without != nullptr) {
            (std::strcmp(row.without, "ATR") == 0 ? point->atr : point->prefix).clear();
        }
        std::unique_ptr<SSETUP::ISetupOperation> step;
        if (std::strcmp(row.step, "remove") == 0) {
            step.reset(new SRegisterZentavo::CUnRegisterZentavo(point, false));
        } else {
            step.reset(new SRegisterZentavo::CRegisterZentavo(point, true, true));
        }
        CHECK(step->Perform(listener.context));
        CHECK(step->IsPerformed());
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFail);
        CHECK(listener.Taken() == row.records);
        CHECK(State() == row.state);
        if (opstest::KeyExists(HKEY_LOCAL_MACHINE, kCard)) {
            CHECK(opstest::ReadValue(HKEY_LOCAL_MACHINE, kCard, "ATR").bytes == kAtr);
            CHECK_FALSE(opstest::ReadValue(HKEY_LOCAL_MACHINE, kCard, "ATRMask").exists);
        }
        if (row.rollback != nullptr) {
            CHECK(step->Rollback(listener.context));
            CHECK_FALSE(step->IsPerformed());
            CHECK(listener.Taken() == row.rollback);
            CHECK(State() == row.rolledBackState);
        }
    }
}

TEST_CASE("NT: the smart-card service is started, set to start itself, and waited for") {
    if (!IsNT()) {
        return; // on the 9x family the resource manager needs no service
    }
    CHECK_FALSE(SZentavoManager::EnsureSmartCardServiceRunning()); // Wine has none of its own
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
    CHECK(listener.Taken() == "0 kind 0 registration scope 1 critical");
    std::vector<BYTE> buffer(8192);
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
    DWORD needed = 0;
    REQUIRE(QueryServiceConfigA(service.get(), config, 8192, &needed));
    CHECK(config->dwStartType == SERVICE_AUTO_START);
    SERVICE_STATUS status{};
    ControlService(service.get(), SERVICE_CONTROL_STOP, &status);
    DeleteService(service.get());
}
