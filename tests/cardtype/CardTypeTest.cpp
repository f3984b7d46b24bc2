// Card-type registration through the steps and the smart-card resource manager stand-in; on NT
// also the smart-card service start (zvService.exe beside this program).
#include "ops/CardType.h"
#include "tests/ops/RecordingClient.h"
#include "tests/ops/RegistryTestKeys.h"
#include <doctest/doctest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using SRegisterZentavo::CRegisterZentavo;
using SRegisterZentavo::CUnRegisterZentavo;
using SRegisterZentavo::TokenRegistrationEvent;
using SZentavoManager::CZentavoManager;

namespace {

const char kCards[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\SmartCards";
const char kReaders[] = "SOFTWARE\\Microsoft\\Cryptography\\Calais\\Readers";
const char kSwitches[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard";
const char kFail[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard\\Fail";
const char kCalls[] = "SOFTWARE\\Morvisk\\TestSwitches\\WinSCard\\Calls";
const BYTE kAtr[19] = {0x3B, 0x6F, 0x00, 0xFF, 0x00, 0x56, 0x7A, 0x65, 0x6E, 0x54,
                       0x61, 0x76, 0x73, 0x30, 0x20, 0x00, 0x00, 0x90, 0x00};

class CTestVariationPoint : public SZentavoManager::IManagerVariationPointInterface {
public:
    std::vector<BYTE> GetATR() const override {
        if (atr.empty()) {
            SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        }
        return atr;
    }
    std::string GetReaderNamePrefix() const override { return prefix; }
    std::string GetCardName() const override { return "zenTavo"; }
    std::string GetDriverServiceKey() const override {
        return "SYSTEM\\CurrentControlSet\\Services\\zvIFDH";
    }
    std::string GetReaderInfName() const override { return "zvIFDH.inf"; }
    std::string GetReaderHardwareId() const override { return "*ZV0001"; }

    std::vector<BYTE> atr{kAtr, kAtr + sizeof(kAtr)};
    std::string prefix = "Norvane Co. zenTavo";
};

std::shared_ptr<CTestVariationPoint> NewPoint() {
    return std::make_shared<CTestVariationPoint>();
}

bool IsNT() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof(version);
    GetVersionExA(&version);
    return version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

HKEY RootOf(bool systemScope) {
    return systemScope ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

std::string CardKey() {
    return std::string(kCards) + "\\zenTavo";
}

std::vector<std::string> SubKeyNames(HKEY root, const char* path) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char name[256];
        DWORD length = sizeof(name);
        for (DWORD i = 0; RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr,
                                        nullptr) == ERROR_SUCCESS;
             ++i, length = sizeof(name)) {
            names.emplace_back(name, length);
        }
        RegCloseKey(key);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The reader names of the scope's own database, sorted and joined by " | ".
std::string Readers(HKEY root) {
    std::string joined;
    for (const std::string& name : SubKeyNames(root, kReaders)) {
        joined += (joined.empty() ? "" : " | ") + name;
    }
    return joined;
}

void AddReaders(HKEY root, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        opstest::PutValue(root, std::string(kReaders) + "\\" + name);
    }
}

// An empty database and no failure switches.
void ClearDatabase() {
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        RegDeleteKeyA(root, CardKey().c_str());
        for (const std::string& name : SubKeyNames(root, kReaders)) {
            RegDeleteKeyA(root, (std::string(kReaders) + "\\" + name).c_str());
        }
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFail);
}

void IntroduceIn(bool systemScope) {
    CZentavoManager(NewPoint(), systemScope).IntroduceCardType();
}

DWORD Calls(const char* function) {
    const opstest::CValue value = opstest::ReadValue(HKEY_LOCAL_MACHINE, kCalls, function);
    return value.exists ? *reinterpret_cast<const DWORD*>(value.bytes.data()) : 0;
}

// A demand-start service named like the smart-card service, deleted with the object.
class CTestService {
public:
    explicit CTestService(const std::string& path)
        : manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS)),
          service(CreateServiceA(manager, "SCardSvr", "SCardSvr", SERVICE_ALL_ACCESS,
                                 SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                                 SERVICE_ERROR_IGNORE, path.c_str(), nullptr, nullptr, nullptr,
                                 nullptr, nullptr)) {}
    ~CTestService() {
        SERVICE_STATUS status{};
        ControlService(service, SERVICE_CONTROL_STOP, &status);
        DeleteService(service);
        CloseServiceHandle(service);
        CloseServiceHandle(manager);
    }
    CTestService(const CTestService&) = delete;
    CTestService& operator=(const CTestService&) = delete;

    bool Created() const { return service != nullptr; }
    // "<start type> <binary path>"
    std::string Config() const {
        std::vector<BYTE> buffer(8192);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer.data());
        DWORD needed = 0;
        if (!QueryServiceConfigA(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
            return "no configuration";
        }
        return std::to_string(config->dwStartType) + " " + config->lpBinaryPathName;
    }

private:
    const SC_HANDLE manager;
    const SC_HANDLE service;
};

struct CListener {
    CListener() : recorder(client), context(&client) {}
    // The records so far as "<error> kind <n> <registration|removal> scope <n> [critical]
    // [unreported]", joined by " | ".
    std::string Taken() {
        std::string joined;
        for (const TokenRegistrationEvent& record : recorder.records) {
            char text[96];
            std::snprintf(text, sizeof(text), "%lX kind %lu %s scope %lu%s%s",
                          static_cast<unsigned long>(record.errorCode),
                          static_cast<unsigned long>(record.failureKind),
                          record.isRegistration ? "registration" : "removal",
                          static_cast<unsigned long>(record.scope),
                          record.critical ? " critical" : "", record.reported ? "" : " unreported");
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

TEST_CASE("the card type is introduced with its ATR alone and forgotten, in either scope") {
    for (const bool systemScope : {true, false}) {
        CAPTURE(systemScope);
        ClearDatabase();
        CListener listener;
        const std::string scope = systemScope ? "1" : "2";
        const auto point = NewPoint();

        CRegisterZentavo first(point, systemScope, true);
        CHECK(first.Perform(listener.context));
        CHECK(first.IsPerformed());
        const opstest::CValue atr = opstest::ReadValue(RootOf(systemScope), CardKey(), "ATR");
        CHECK(atr.type == REG_BINARY);
        CHECK(atr.bytes == std::string(reinterpret_cast<const char*>(kAtr), sizeof(kAtr)));
        CHECK_FALSE(opstest::ReadValue(RootOf(systemScope), CardKey(), "ATRMask").exists);
        CHECK_FALSE(opstest::ReadValue(RootOf(systemScope), CardKey(), "Primary Provider").exists);
        CHECK_FALSE(opstest::KeyExists(RootOf(!systemScope), CardKey()));
        CHECK_FALSE(first.Perform(listener.context));

        // An existing card type of that name counts as success.
        CRegisterZentavo second(point, systemScope, false);
        CHECK(second.Perform(listener.context));
        CHECK(listener.Taken() == "0 kind 0 registration scope " + scope +
                                      " critical | 0 kind 0 registration scope " + scope);

        CHECK(first.Rollback(listener.context));
        CHECK_FALSE(first.IsPerformed());
        CHECK_FALSE(opstest::KeyExists(RootOf(systemScope), CardKey()));
        CHECK_FALSE(first.Rollback(listener.context));
        CHECK(listener.Taken() == "0 kind 0 removal scope " + scope + " critical");
    }
}

TEST_CASE("the removal forgets the token readers and the card type in both scopes") {
    ClearDatabase();
    IntroduceIn(false);
    IntroduceIn(true);
    AddReaders(HKEY_LOCAL_MACHINE,
               {"Norvane Co. zenTavo 0", "Norvane Co. zenTavo 1", "Norvane Co. zenTavo 2",
                "Other Maker Reader 0", "Norvane Co. ZENTAVO 3", "Norvane Co. zen"});
    AddReaders(HKEY_CURRENT_USER, {"Norvane Co. zenTavo 4", "User Reader 0"});

    // A reader prefix that could not be had forgets no reader at all.
    auto noPrefix = NewPoint();
    noPrefix->prefix.clear();
    CZentavoManager withoutPrefix(noPrefix, true);
    withoutPrefix.ForgetTokenReaders(withoutPrefix.EstablishContext());
    CHECK(Readers(HKEY_LOCAL_MACHINE) ==
          "Norvane Co. ZENTAVO 3 | Norvane Co. zen | Norvane Co. zenTavo 0 | Norvane Co. "
          "zenTavo 1 | Norvane Co. zenTavo 2 | Other Maker Reader 0");

    CListener listener;
    CUnRegisterZentavo removal(NewPoint(), false);
    CHECK(removal.Perform(listener.context));
    CHECK(removal.IsPerformed());
    CHECK(listener.Taken() == "0 kind 0 removal scope 2 | 0 kind 0 removal scope 1");
    CHECK(Readers(HKEY_LOCAL_MACHINE) ==
          "Norvane Co. ZENTAVO 3 | Norvane Co. zen | Other Maker Reader 0");
    CHECK(Readers(HKEY_CURRENT_USER) == "User Reader 0");
    CHECK_FALSE(opstest::KeyExists(HKEY_LOCAL_MACHINE, CardKey()));
    CHECK_FALSE(opstest::KeyExists(HKEY_CURRENT_USER, CardKey()));

    CHECK(removal.Perform(listener.context));
    CHECK(listener.Taken() == "");

    // The rollback brings the card type back in the system scope only.
    CHECK(removal.Rollback(listener.context));
    CHECK_FALSE(removal.IsPerformed());
    CHECK(listener.Taken() == "0 kind 0 registration scope 1");
    CHECK(opstest::KeyExists(HKEY_LOCAL_MACHINE, CardKey()));
    CHECK_FALSE(opstest::KeyExists(HKEY_CURRENT_USER, CardKey()));
}

TEST_CASE("failures go to the notification and the steps still succeed") {
    struct CRow {
        const char* name;
        const char* failing; // the stand-in's call switched to fail with 80100001
        bool withoutAtr;
        bool registration;
        const char* records;
        bool cardTypeLeft; // in the system scope afterwards
        bool readerLeft;
    };
    // clang-format off
    const CRow rows[] = {
        {"introduction refused", "SCardIntroduceCardTypeA", false, true,
         "80100001 kind 3 registration scope 1 critical", false, true},
        {"no context", "SCardEstablishContext", false, true,
         "80100001 kind 2 registration scope 1 critical", false, true},
        {"no ATR", nullptr, true, true,
         "716 kind 3 registration scope 1 critical", false, true},
        {"forgetting refused", "SCardForgetCardTypeA", false, false,
         "80100001 kind 4 removal scope 2 | 80100001 kind 4 removal scope 1", true, false},
        {"no reader list", "SCardListReadersA", false, false,
         "0 kind 0 removal scope 2 | 0 kind 0 removal scope 1", false, true},
    };
    // clang-format on
    for (const CRow& row : rows) {
        CAPTURE(row.name);
        ClearDatabase();
        if (!row.registration) {
            IntroduceIn(false);
            IntroduceIn(true);
        }
        AddReaders(HKEY_LOCAL_MACHINE, {"Norvane Co. zenTavo 0"});
        if (row.failing != nullptr) {
            opstest::PutValue(HKEY_LOCAL_MACHINE, kFail, row.failing, REG_DWORD,
                              opstest::Dword(0x80100001));
        }
        auto point = NewPoint();
        if (row.withoutAtr) {
            point->atr.clear();
        }
        CListener listener;
        std::unique_ptr<SSETUP::ISetupOperation> step;
        if (row.registration) {
            step.reset(new CRegisterZentavo(point, true, true));
        } else {
            step.reset(new CUnRegisterZentavo(point, false));
        }
        CHECK(step->Perform(listener.context));
        CHECK(step->IsPerformed());
        CHECK(listener.Taken() == row.records);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFail);
        CHECK(opstest::KeyExists(HKEY_LOCAL_MACHINE, CardKey()) == row.cardTypeLeft);
        CHECK(opstest::KeyExists(HKEY_LOCAL_MACHINE,
                                 std::string(kReaders) + "\\Norvane Co. zenTavo 0") ==
              row.readerLeft);
    }
}

TEST_CASE("a resource manager without its service: started and asked again on NT only") {
    ClearDatabase();
    const bool nt = IsNT();
    // A smart-card service that cannot start: NT still sets it to start automatically.
    const CTestService service("C:\\missing.exe");
    REQUIRE_MESSAGE(service.Created(), "CreateServiceA: " << GetLastError());
    // NT: two answers without service are waited out; 9x: the first one is final.
    opstest::PutValue(HKEY_LOCAL_MACHINE, kSwitches, "NoServiceCount", REG_DWORD,
                      opstest::Dword(nt ? 3 : 1));
    const DWORD before = Calls("SCardEstablishContext");
    CListener listener;
    CRegisterZentavo step(NewPoint(), true, true);
    CHECK(step.Perform(listener.context));
    CHECK(Calls("SCardEstablishContext") - before == (nt ? 4u : 1u));
    CHECK(listener.Taken() == (nt ? "0 kind 0 registration scope 1 critical"
                                  : "8010001D kind 2 registration scope 1 critical"));
    CHECK(opstest::KeyExists(HKEY_LOCAL_MACHINE, CardKey()) == nt);
    CHECK(service.Config() == (nt ? "2 C:\\missing.exe" : "3 C:\\missing.exe"));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kCalls);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSwitches);
}

TEST_CASE("the smart-card service is started and set to start automatically") {
    if (!IsNT()) {
        return; // on the 9x family nothing asks for the service
    }
    CHECK_FALSE(SZentavoManager::EnsureSmartCardServiceRunning()); // Wine has none of its own
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    const std::string path = "\"" + std::string(self, std::strrchr(self, '\\')) + "\\zvService.exe\"";
    const CTestService service(path);
    REQUIRE_MESSAGE(service.Created(), "CreateServiceA: " << GetLastError());
    CHECK(SZentavoManager::EnsureSmartCardServiceRunning());
    CHECK(SZentavoManager::EnsureSmartCardServiceRunning()); // running already is running
    CHECK(service.Config() == "2 " + path);
}
