#include "ops/Registry.h"

namespace SREGISTRY {

bool IsSubkeyPath(const char* keyPath) {
    if (keyPath == nullptr || *keyPath == '\0' || *keyPath == '\\') {
        return false;
    }
    for (const char* c = keyPath; *c != '\0'; ++c) {
        if (*c == '\\' && (c[1] == '\\' || c[1] == '\0')) {
            return false;
        }
    }
    return true;
}

void DeleteKeyTree(HKEY rootKey, const char* keyPath) {
    if (!IsSubkeyPath(keyPath)) {
        throw CRegException(ERROR_BADKEY, rootKey);
    }
    {
        CKey key;
        const REGSAM access = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY |
                              KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY | READ_CONTROL;
        const LONG opened = key.Open(rootKey, keyPath, access);
        if (opened != ERROR_SUCCESS) {
            throw CRegException(opened, rootKey);
        }
        // Index 0 again each time: the previous first subkey is gone.
        for (;;) {
            char name[256];
            DWORD nameSize = sizeof(name);
            const LONG enumerated =
                RegEnumKeyExA(key.Get(), 0, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
            if (enumerated == ERROR_NO_MORE_ITEMS) {
                break;
            }
            if (enumerated != ERROR_SUCCESS) {
                throw CRegException(enumerated, rootKey);
            }
            DeleteKeyTree(key.Get(), name);
        }
    }
    const LONG deleted = RegDeleteKeyA(rootKey, keyPath);
    if (deleted != ERROR_SUCCESS) {
        throw CRegException(deleted, rootKey);
    }
}

DWORD ReadDwordValue(HKEY rootKey, const char* keyPath, const char* name, DWORD fallback) {
    CKey key;
    if (key.Open(rootKey, keyPath, KEY_READ) != ERROR_SUCCESS) {
        return fallback;
    }
    DWORD type = 0;
    DWORD value = 0;
    DWORD size = sizeof(value);
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(value)) {
        return fallback;
    }
    return value;
}

std::string GetRootKeyName(HKEY rootKey) {
    static const struct {
        HKEY key;
        const char* name;
    } names[] = {
        {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT"},
        {HKEY_CURRENT_USER, "HKEY_CURRENT_USER"},
        {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE"},
        {HKEY_USERS, "HKEY_USERS"},
        {HKEY_PERFORMANCE_DATA, "HKEY_PERFORMANCE_DATA"},
        {HKEY_PERFORMANCE_TEXT, "HKEY_PERFORMANCE_TEXT"},
        {HKEY_PERFORMANCE_NLSTEXT, "HKEY_PERFORMANCE_NLSTEXT"},
    };
    for (const auto& entry : names) {
        if (entry.key == rootKey) {
            return entry.name;
        }
    }
    return std::string();
}

} // namespace SREGISTRY
