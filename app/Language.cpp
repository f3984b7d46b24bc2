#include "app/Language.h"
#include "ops/Registry.h"
#include <cstring>

namespace SLANG {

namespace {

const char languageKeyPath[] = "Software\\Norvane\\Language";
const char valueEnglish[] = "ENGLISH";
const char valueNative[] = "NATIVE";
const REGSAM keyRead = 0x20019;
const REGSAM keyWrite = 0x20006;

HMODULE resourceModule = nullptr;
LANGID currentLanguage = 0;

// The language value is the key's default value, a string.
bool SetDefaultString(const SREGISTRY::CKey& key, const char* value) {
    return RegSetValueExA(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(lstrlenA(value) + 1)) == ERROR_SUCCESS;
}

bool CreateLanguageKey(SREGISTRY::CKey& key, REGSAM access) {
    DWORD disposition = 0;
    return key.Create(HKEY_LOCAL_MACHINE, languageKeyPath, access, &disposition) == ERROR_SUCCESS;
}

void StoreLanguage(LANGID lang) {
    SREGISTRY::CKey key;
    if (CreateLanguageKey(key, keyWrite)) {
        SetDefaultString(key, lang == LANG_ID_RUSSIAN ? valueNative : valueEnglish);
    }
}

// Step 3 of the start-up: the recorded choice, or "NATIVE" recorded when there is none.
LANGID ReadRecordedLanguage(LANGID userDefault) {
    SREGISTRY::CKey key;
    if (!CreateLanguageKey(key, keyRead)) {
        return userDefault;
    }
    char value[50] = {};
    DWORD size = sizeof(value);
    DWORD type = 0;
    if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value),
                         &size) != ERROR_SUCCESS) {
        key.Close();
        if (CreateLanguageKey(key, keyWrite)) {
            SetDefaultString(key, valueNative);
        }
        return userDefault;
    }
    value[sizeof(value) - 1] = '\0';
    // Byte-wise and case-sensitive: "english" is not recognised.
    return std::strcmp(value, valueEnglish) == 0 ? LANG_ID_ENGLISH : userDefault;
}

std::string WideToAnsi(const WCHAR* text, int length) {
    if (length <= 0) {
        return std::string();
    }
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) {
        return std::string();
    }
    std::string converted(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, length, &converted[0], size, nullptr, nullptr);
    return converted;
}

} // namespace

HMODULE GetResourceModule() {
    return resourceModule != nullptr ? resourceModule : GetModuleHandleA(nullptr);
}

void InitLanguage(HINSTANCE instance) {
    resourceModule = instance;
    SetLanguageAndStore(ReadRecordedLanguage(GetUserDefaultLangID()));
}

LANGID SetLanguageAndStore(LANGID lang) {
    StoreLanguage(lang);
    return SetLanguage(lang);
}

LANGID SetLanguage(LANGID lang) {
    const LANGID previous = currentLanguage;
    currentLanguage = lang;
    return previous;
}

LANGID GetCurrentLanguage() {
    return currentLanguage;
}

HRSRC FindLanguageResource(LPCSTR type, LPCSTR name) {
    const HMODULE module = GetResourceModule();
    const LANGID order[] = {currentLanguage, GetUserDefaultLangID(), LANG_ID_ENGLISH};
    for (const LANGID lang : order) {
        if (HRSRC found = FindResourceExA(module, type, name, lang)) {
            return found;
        }
    }
    return FindResourceA(module, name, type);
}

const void* LoadLanguageResource(LPCSTR type, LPCSTR name, DWORD* size) {
    const HRSRC found = FindLanguageResource(type, name);
    if (found == nullptr) {
        return nullptr;
    }
    const HGLOBAL loaded = LoadResource(GetResourceModule(), found);
    if (size != nullptr) {
        *size = SizeofResource(GetResourceModule(), found);
    }
    return loaded != nullptr ? LockResource(loaded) : nullptr;
}

bool LoadTextInLanguage(UINT id, LANGID lang, std::string& text) {
    text.clear();
    const HMODULE module = GetResourceModule();
    const HRSRC block = FindResourceExA(module, RT_STRING, MAKEINTRESOURCEA(id / 16 + 1), lang);
    if (block == nullptr) {
        return false;
    }
    const HGLOBAL loaded = LoadResource(module, block);
    const WCHAR* entry =
        loaded != nullptr ? static_cast<const WCHAR*>(LockResource(loaded)) : nullptr;
    if (entry == nullptr) {
        return false;
    }
    // A block holds 16 entries, each a length followed by that many UTF-16 characters.
    const WCHAR* const blockEnd = entry + SizeofResource(module, block) / sizeof(WCHAR);
    for (UINT skip = id % 16; skip > 0; --skip) {
        if (entry >= blockEnd) {
            return false;
        }
        entry += 1 + *entry;
    }
    // A zero length marks an identifier of the block that has no string.
    if (entry >= blockEnd || *entry == 0 || entry + 1 + *entry > blockEnd) {
        return false;
    }
    text = WideToAnsi(entry + 1, *entry);
    return true;
}

std::string LoadTextInLanguage(UINT id, LANGID lang) {
    std::string text;
    LoadTextInLanguage(id, lang, text);
    return text;
}

bool LoadText(UINT id, std::string& text) {
    if (LoadTextInLanguage(id, currentLanguage, text)) {
        return true;
    }
    if (currentLanguage == LANG_ID_ENGLISH || currentLanguage == LANG_ID_RUSSIAN) {
        return false;
    }
    // Another language has no tables of its own: fall back as dialogs do, so that no box
    // comes up with an empty text or caption.
    return LoadTextInLanguage(id, GetUserDefaultLangID(), text) ||
           LoadTextInLanguage(id, LANG_ID_ENGLISH, text);
}

std::string LoadText(UINT id) {
    std::string text;
    LoadText(id, text);
    return text;
}

std::string GetOSName(const OSVERSIONINFOA& version, bool versionRead) {
    if (!versionRead) {
        return "Unknown";
    }
    if (version.dwMajorVersion == 4) {
        switch (version.dwMinorVersion) {
        case 0:
            return "Windows 95/NT 4.0";
        case 10:
            return "Windows 98";
        case 90:
            return "Windows ME";
        default:
            return "Windows 95/98/ME/NT 4.0";
        }
    }
    if (version.dwMajorVersion == 5) {
        switch (version.dwMinorVersion) {
        case 0:
            return "Windows 2000";
        case 1:
            return "Windows XP";
        case 2:
            return "Windows .NET Server 2003 family";
        default:
            return "Windows 2000/XP/.NET Server 2003 family";
        }
    }
    return "Unknown";
}

std::string GetOSName() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    const bool read = GetVersionExA(&version) != FALSE;
    return GetOSName(version, read);
}

} // namespace SLANG
