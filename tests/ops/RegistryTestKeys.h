#pragma once
// Reading and preparing registry keys and values for the registry tests.
#include <windows.h>
#include <string>

namespace opstest {

struct CValue {
    bool exists = false;
    DWORD type = 0;
    std::string bytes;
};

inline bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Creates the key, and with a name also the value.
inline void PutValue(HKEY root, const std::string& path, const char* name = nullptr,
                     DWORD type = REG_SZ, const std::string& bytes = std::string()) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        if (name != nullptr) {
            RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                           static_cast<DWORD>(bytes.size()));
        }
        RegCloseKey(key);
    }
}

inline std::string Sz(const std::string& text) {
    return text + '\0';
}

inline std::string Dword(DWORD value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof(value));
}

inline CValue ReadValue(HKEY root, const std::string& path, const char* name) {
    CValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
        value.bytes.resize(size);
        value.exists =
            RegQueryValueExA(key, name, nullptr, &value.type,
                             reinterpret_cast<BYTE*>(&value.bytes[0]), &size) == ERROR_SUCCESS;
        value.bytes.resize(size);
    }
    RegCloseKey(key);
    return value;
}

} // namespace opstest
