#include "ops/EarlierWork.h"
#include "app/SingletonAutoPointer.h"
#include "ops/Registry.h"
#include "os/FileNames.h"
#include "os/OSManager.h"
#include "os/PathText.h"

namespace SSETUP {

namespace {

const char kRunOnceKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

SSETUPOS::IOsDependOperations& Os() {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    return *osManager->GetOperations();
}

void Notify(IContext& context, int kind, const std::string& target, const std::string& source) {
    const CEarlierWork::CNotifyRecord record = {kind, target, source};
    SendNotify<CEarlierWork::IEarlierWorkNotify>(context, record);
}

// The names under which a module's registration waits: its file name, or that name with one
// digit after it.
bool IsRegistrationName(const std::string& valueName, const std::string& fileName) {
    const std::string name = SSETUPOS::ToUpperText(valueName);
    const std::string base = SSETUPOS::ToUpperText(fileName);
    return name.compare(0, base.size(), base) == 0 &&
           (name.size() == base.size() || (name.size() == base.size() + 1 &&
                                           name[base.size()] >= '0' && name[base.size()] <= '9'));
}

} // namespace

void CEarlierWork::CancelFor(IContext& context, const std::string& path) {
    for (const SSETUPOS::CPendingWork& work : Os().CancelPendingWork(path.c_str())) {
        files.push_back(work);
        Notify(context, work.source.empty() ? KindDeletion : KindRename, work.target, work.source);
    }
}

void CEarlierWork::CancelRegistrationsOf(IContext& context, const std::string& modulePath) {
    SREGISTRY::CKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        return;
    }
    const SSETUPOS::CFileNames names(modulePath);
    const std::string fileName = SSETUPOS::GetFileNamePart(modulePath);
    std::vector<CRunOnceValue> found;
    for (DWORD index = 0;; ++index) {
        char name[MAX_PATH] = {};
        DWORD nameSize = sizeof name;
        BYTE data[4096] = {};
        DWORD dataSize = sizeof data - 1;
        DWORD type = 0;
        const LONG result =
            RegEnumValueA(key.Get(), index, name, &nameSize, nullptr, &type, data, &dataSize);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        const std::string command(reinterpret_cast<const char*>(data));
        if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) &&
            IsRegistrationName(name, fileName) && names.MentionedIn(command)) {
            found.push_back(
                {name, type, std::string(reinterpret_cast<const char*>(data), dataSize)});
        }
    }
    // Deleted after the walk, which a deletion would disturb.
    for (const CRunOnceValue& value : found) {
        if (RegDeleteValueA(key.Get(), value.name.c_str()) == ERROR_SUCCESS) {
            registrations.push_back(value);
            Notify(context, KindRegistration, modulePath, value.data.c_str());
        }
    }
}

bool CEarlierWork::CancelledDeletion() const {
    for (const SSETUPOS::CPendingWork& work : files) {
        if (work.source.empty()) {
            return true;
        }
    }
    return false;
}

bool CEarlierWork::Restore() {
    bool restored = true;
    if (!registrations.empty()) {
        SREGISTRY::CKey key;
        DWORD disposition = 0;
        restored = key.Create(HKEY_LOCAL_MACHINE, kRunOnceKey, KEY_ALL_ACCESS, &disposition) ==
                   ERROR_SUCCESS;
        for (auto value = registrations.rbegin(); restored && value != registrations.rend();
             ++value) {
            restored = RegSetValueExA(key.Get(), value->name.c_str(), 0, value->type,
                                      reinterpret_cast<const BYTE*>(value->data.data()),
                                      static_cast<DWORD>(value->data.size())) == ERROR_SUCCESS;
        }
        registrations.clear();
    }
    for (auto work = files.rbegin(); work != files.rend(); ++work) {
        restored = Os().RestorePendingWork(*work) && restored;
    }
    files.clear();
    return restored;
}

} // namespace SSETUP
