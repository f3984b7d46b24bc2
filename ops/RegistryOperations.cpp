#include "ops/RegistryOperations.h"
#include "ops/Registry.h"
#include "setup/Visitor.h"
#include <new>

namespace SSETUPREG {

namespace {

std::string KeyPathBelow(const CInstallRegKey& keyOperation, const char* subPath) {
    std::string path = keyOperation.GetKeyPath();
    if (subPath != nullptr && *subPath != '\0') {
        path += '\\';
        path += subPath;
    }
    return path;
}

const char* Text(const char* text) {
    return text ? text : "";
}

} // namespace

// ---- CInstallRegKey

CInstallRegKey::CInstallRegKey(HKEY rootKey, const char* keyPath, bool isCritical)
    : CSetupOperationsDefault(true), rootKey(rootKey), keyPath(Text(keyPath)),
      isCritical(isCritical) {}

bool CInstallRegKey::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    SREGISTRY::CKey key;
    DWORD disposition = 0;
    // The rollback deletes this path: a malformed one could name the root.
    const bool result =
        SREGISTRY::IsSubkeyPath(keyPath.c_str()) &&
        key.Create(rootKey, keyPath.c_str(), KEY_WRITE, &disposition) == ERROR_SUCCESS;
    if (result) {
        key.Close();
        created = disposition != REG_OPENED_EXISTING_KEY;
    }
    Notify(context, true, result ? 0 : 1);
    performed = result;
    return result;
}

bool CInstallRegKey::Rollback(IContext& context) {
    if (!IsPerformed()) {
        return true;
    }
    int failed = 0;
    if (created) {
        // A key that meanwhile got subkeys may stay on the NT family.
        failed = RegDeleteKeyA(rootKey, keyPath.c_str()) == ERROR_SUCCESS ? 0 : 1;
        created = false;
    }
    Notify(context, false, failed);
    performed = false;
    return true;
}

void CInstallRegKey::Accept(SSetupVisitor::IVisitor& visitor) {
    visitor.Visit(static_cast<const SSETUP::IInstallRegKeyOperation*>(this));
}

void CInstallRegKey::Notify(IContext& context, bool performing, int failed) const {
    const CNotifyRecord record = {this, performing, failed};
    SSETUP::SendNotify<IRegKeyInstallNotify>(context, record);
}

// ---- CDeleteRegKeyOperation

CDeleteRegKeyOperation::CDeleteRegKeyOperation(HKEY rootKey, const char* keyPath, bool isCritical)
    : CSetupOperationsDefault(true), keyPath(Text(keyPath)), isCritical(isCritical),
      rootKey(rootKey) {}

bool CDeleteRegKeyOperation::Perform(IContext& context) {
    bool deleted = true;
    try {
        SREGISTRY::DeleteKeyTree(rootKey, keyPath.c_str());
    } catch (const SREGISTRY::CRegException&) {
        deleted = false;
    }
    const CNotifyRecord record = {deleted ? ResultDeleted : ResultFailed, this, true};
    SSETUP::SendNotify<IDeleteRegKeyNotify>(context, record);
    performed = deleted;
    return deleted;
}

bool CDeleteRegKeyOperation::Rollback(IContext&) {
    return false;
}

// ---- CInstallRegValue

CInstallRegValue::CInstallRegValue(HKEY rootKey, const char* keyPath, const char* valueName,
                                   bool isCritical)
    : CSetupOperationsDefault(true), rootKey(rootKey), keyPath(Text(keyPath)),
      valueName(Text(valueName)), isCritical(isCritical) {}

CInstallRegValue::CInstallRegValue(const CInstallRegKey& keyOperation, const char* subPath,
                                   const char* valueName, bool isCritical)
    : CSetupOperationsDefault(true), rootKey(keyOperation.GetRootKey()),
      keyPath(KeyPathBelow(keyOperation, subPath)), valueName(Text(valueName)),
      isCritical(isCritical) {}

LONG CInstallRegValue::QueryValue(HKEY key, DWORD* type, BYTE* data, DWORD* size) const {
    return RegQueryValueExA(key, valueName.c_str(), nullptr, type, data, size);
}

bool CInstallRegValue::SaveBackup(HKEY key) {
    backupData.reset();
    backupType = static_cast<DWORD>(-1);
    backupSize = 0;
    backupEmpty = false;
    DWORD type = 0;
    DWORD size = 0;
    const LONG probed = QueryValue(key, &type, nullptr, &size);
    if (probed == ERROR_FILE_NOT_FOUND) {
        return true; // the value did not exist
    }
    // A value that could not be read is not known to be new: the rollback would delete it.
    if (probed != ERROR_SUCCESS && probed != ERROR_MORE_DATA) {
        return false;
    }
    // From here on the value exists: without a copy of it the rollback would delete it.
    if (size == MAXDWORD) {
        return false;
    }
    // An empty value is saved as one zero byte so that it can be put back as it was.
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size + 1]());
    if (buffer == nullptr) {
        return false;
    }
    DWORD readSize = size;
    if (QueryValue(key, &type, buffer.get(), &readSize) != ERROR_SUCCESS) {
        return false;
    }
    backupData = std::move(buffer);
    backupType = type;
    backupSize = readSize;
    backupEmpty = readSize == 0;
    return true;
}

bool CInstallRegValue::WriteValue(DWORD type, const BYTE* data, DWORD size) {
    if (!SREGISTRY::IsSubkeyPath(keyPath.c_str())) {
        return false;
    }
    SREGISTRY::CKey key;
    if (key.Open(rootKey, keyPath.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        return false;
    }
    if (!SaveBackup(key.Get())) {
        return false;
    }
    return RegSetValueExA(key.Get(), valueName.c_str(), 0, type, data, size) == ERROR_SUCCESS;
}

bool CInstallRegValue::Rollback(IContext& context) {
    if (!IsPerformed()) {
        return false;
    }
    SREGISTRY::CKey key;
    bool result = false;
    if (key.Open(rootKey, keyPath.c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        result = false;
    } else if (backupData == nullptr) {
        result = RegDeleteValueA(key.Get(), valueName.c_str()) == ERROR_SUCCESS;
    } else if (backupType != static_cast<DWORD>(-1) && (backupSize != 0 || backupEmpty)) {
        result = RegSetValueExA(key.Get(), valueName.c_str(), 0, backupType, backupData.get(),
                                backupSize) == ERROR_SUCCESS;
    }
    if (!result) {
        NotifyRestoreFailed(context);
    }
    performed = false;
    return result;
}

// ---- CInstallRegStringValue

CInstallRegStringValue::CInstallRegStringValue(HKEY rootKey, const char* keyPath,
                                               const char* valueName, const char* value,
                                               bool isCritical)
    : CInstallRegValue(rootKey, keyPath, valueName, isCritical), value(Text(value)) {}

CInstallRegStringValue::CInstallRegStringValue(const CInstallRegKey& keyOperation,
                                               const char* subPath, const char* valueName,
                                               const char* value, bool isCritical)
    : CInstallRegValue(keyOperation, subPath, valueName, isCritical), value(Text(value)) {}

bool CInstallRegStringValue::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    const bool result = WriteValue(REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                   static_cast<DWORD>(value.size() + 1));
    const CNotifyRecord record = {this, true, result ? 0 : 1};
    SSETUP::SendNotify<IInstallRegSTRINGValueNotify>(context, record);
    performed = result;
    return result;
}

void CInstallRegStringValue::NotifyRestoreFailed(IContext& context) const {
    const CNotifyRecord record = {this, false, 1};
    SSETUP::SendNotify<IInstallRegSTRINGValueNotify>(context, record);
}

// ---- CInstallRegDWORDValue

CInstallRegDWORDValue::CInstallRegDWORDValue(HKEY rootKey, const char* keyPath,
                                             const char* valueName, DWORD value, bool isCritical)
    : CInstallRegValue(rootKey, keyPath, valueName, isCritical), value(value) {}

CInstallRegDWORDValue::CInstallRegDWORDValue(const CInstallRegKey& keyOperation,
                                             const char* subPath, const char* valueName,
                                             DWORD value, bool isCritical)
    : CInstallRegValue(keyOperation, subPath, valueName, isCritical), value(value) {}

bool CInstallRegDWORDValue::Perform(IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    const DWORD data = value;
    const bool result = WriteValue(REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof(data));
    const CNotifyRecord record = {this, true, result ? 0 : 1};
    SSETUP::SendNotify<IInstallRegDWORDValueNotify>(context, record);
    performed = result;
    return result;
}

void CInstallRegDWORDValue::NotifyRestoreFailed(IContext& context) const {
    const CNotifyRecord record = {this, false, 1};
    SSETUP::SendNotify<IInstallRegDWORDValueNotify>(context, record);
}

// ---- CDriverServiceInfo

void CDriverServiceInfo::SetImageFile(const char* fileName) {
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    const bool ntFamily = osManager->GetVersionInfo().dwPlatformId == VER_PLATFORM_WIN32_NT;
    ImagePath = ntFamily ? "System32\\drivers\\" : "\\SystemRoot\\System32\\drivers\\";
    ImagePath += Text(fileName);
}

// ---- CRegisterDriverIndirect

CRegisterDriverIndirect::CRegisterDriverIndirect(const CDriverServiceInfo& serviceInfo)
    : COperationSet(true), info(serviceInfo) {
    if (info.ServiceName.empty()) {
        return;
    }
    const std::string keyPath = "SYSTEM\\CurrentControlSet\\Services\\" + info.ServiceName;
    std::unique_ptr<CInstallRegKey> key(
        new CInstallRegKey(HKEY_LOCAL_MACHINE, keyPath.c_str(), true));
    const CInstallRegKey& keyOperation = *key;
    Add(key.release(), false);
    const auto addString = [&](const char* name, const std::string& text) {
        if (!text.empty()) {
            Add(new CInstallRegStringValue(keyOperation, nullptr, name, text.c_str(), true), false);
        }
    };
    addString("DisplayName", info.DisplayName);
    addString("Group", info.Group);
    addString("ImagePath", info.ImagePath);
    Add(new CInstallRegDWORDValue(keyOperation, nullptr, "Start", info.Start, true), false);
    Add(new CInstallRegDWORDValue(keyOperation, nullptr, "Type", info.Type, true), false);
    Add(new CInstallRegDWORDValue(keyOperation, nullptr, "ErrorControl", info.ErrorControl, true),
        false);
}

bool CRegisterDriverIndirect::Perform(IContext& context) {
    const bool result = COperationSet::Perform(context);
    if (result) {
        context.SetRebootNeeded(true);
    }
    return result;
}

} // namespace SSETUPREG
