#pragma once
// Registry keys and values as the tests prepare and read them back.
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
    const bool exists = RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (exists) {
        RegCloseKey(key);
    }
    return exists;
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
    return std::string(reinterpret_cast<char*>(&value), 4);
}

inline CValue ReadValue(HKEY root, const std::string& path, const char* name) {
    CValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        char data[4096];
        DWORD size = sizeof(data);
        value.exists = RegQueryValueExA(key, name, nullptr, &value.type,
                                        reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
        value.bytes.assign(data, value.exists ? size : 0);
        RegCloseKey(key);
    }
    return value;
}

} // namespace opstest
