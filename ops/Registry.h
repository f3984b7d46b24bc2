#pragma once
// Registry helpers shared by the operations and the procedures.
#include <windows.h>
#include <string>

namespace SREGISTRY {

class CRegException {
public:
    CRegException(LONG error, HKEY rootKey) : error(error), rootKey(rootKey) {}
    LONG error;   // the registry function's result, a Win32 error number
    HKEY rootKey; // the key under which the failing call worked
};

// True for a subkey path that names a key below its root: not null, not empty, no leading
// or trailing backslash and no empty component. The registry takes "" (and "Key\\") for the
// root itself, so a delete on anything else could wipe a whole tree.
bool IsSubkeyPath(const char* keyPath);

// Deletes keyPath under rootKey with everything below it. A missing key is a failure
// (error 2), a path that is not IsSubkeyPath is refused (ERROR_BADKEY) before anything is
// touched. Throws CRegException.
void DeleteKeyTree(HKEY rootKey, const char* keyPath);

// The REG_DWORD value name of keyPath; fallback when the key or value is missing or is not
// a 4-byte REG_DWORD.
DWORD ReadDwordValue(HKEY rootKey, const char* keyPath, const char* name, DWORD fallback);

// The name of a predefined root key for log texts ("HKEY_LOCAL_MACHINE"); empty for others.
std::string GetRootKeyName(HKEY rootKey);

// An open registry key, closed with its owner.
class CKey {
public:
    CKey() = default;
    ~CKey() { Close(); }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    LONG Open(HKEY parent, const char* path, REGSAM access) {
        Close();
        return RegOpenKeyExA(parent, path, 0, access, &key);
    }
    // disposition: REG_CREATED_NEW_KEY or REG_OPENED_EXISTING_KEY.
    LONG Create(HKEY parent, const char* path, REGSAM access, DWORD* disposition) {
        Close();
        return RegCreateKeyExA(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr,
                               &key, disposition);
    }
    void Close() {
        if (key != nullptr) {
            RegCloseKey(key);
            key = nullptr;
        }
    }
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

} // namespace SREGISTRY
