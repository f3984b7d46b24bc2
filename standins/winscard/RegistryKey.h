// An open registry key that closes itself; the few operations the stand-in needs.
#pragma once

#include <windows.h>
#include <string>
#include <vector>

namespace WINSCARD_STANDIN {

class CRegistryKey {
public:
    CRegistryKey() = default;
    ~CRegistryKey() { Close(); }
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;

    // Error code of RegOpenKeyExA.
    LONG Open(HKEY root, const std::string& path, REGSAM access) {
        Close();
        return RegOpenKeyExA(root, path.c_str(), 0, access, &key_);
    }
    // Error code of RegCreateKeyExA; created tells a new key from an existing one.
    LONG Create(HKEY root, const std::string& path, bool* created) {
        Close();
        DWORD disposition = 0;
        const LONG result = RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                            nullptr, &key_, &disposition);
        if (created)
            *created = result == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY;
        return result;
    }
    void Close() {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }
    HKEY Get() const { return key_; }

    bool ReadDword(const char* name, DWORD* value) const {
        DWORD type = 0;
        DWORD size = sizeof(*value);
        return RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(value),
                                &size) == ERROR_SUCCESS &&
               type == REG_DWORD && size == sizeof(*value);
    }
    LONG WriteDword(const char* name, DWORD value) const {
        return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof(value));
    }
    LONG WriteBinary(const char* name, const void* data, DWORD size) const {
        return RegSetValueExA(key_, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    }
    // The raw bytes of a value of the given type; false when missing or of another type.
    bool ReadRaw(const char* name, DWORD wantedType, std::vector<char>* data) const {
        DWORD type = 0;
        DWORD size = 0;
        if (RegQueryValueExA(key_, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
            type != wantedType)
            return false;
        data->assign(size + 2, '\0');
        return RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(data->data()),
                                &size) == ERROR_SUCCESS;
    }
    // Names of the subkeys, in the registry's order.
    std::vector<std::string> SubkeyNames() const {
        std::vector<std::string> names;
        char name[MAX_PATH + 1];
        for (DWORD index = 0;; ++index) {
            DWORD length = sizeof(name);
            const LONG result =
                RegEnumKeyExA(key_, index, name, &length, nullptr, nullptr, nullptr, nullptr);
            if (result != ERROR_SUCCESS)
                break;
            names.emplace_back(name, length);
        }
        return names;
    }

private:
    HKEY key_ = nullptr;
};

} // namespace WINSCARD_STANDIN
