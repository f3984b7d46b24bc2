#pragma once
// Adds and removes key = value lines of an INI-style file (WININIT.INI) in place, through a
// file mapping; every other byte of the file stays as it was.
#include <windows.h>
#include <string>

namespace SWININIT {

class CIniException {
public:
    CIniException(int code, DWORD systemError) : code(code), systemError(systemError) {}
    int GetCode() const { return code; }
    DWORD GetSystemError() const { return systemError; }

private:
    int code;
    DWORD systemError;
};

class CIniFile {
public:
    explicit CIniFile(const char* path) : path(path ? path : "") {}
    ~CIniFile() { Close(); }
    CIniFile(const CIniFile&) = delete;
    CIniFile& operator=(const CIniFile&) = delete;

    // Appends "key = value" to the section, creating the section at the end of the file if
    // needed. Null key or value count as empty. Throws CIniException when the file cannot be
    // opened or mapped.
    void AddEntry(const char* section, const char* key, const char* value);
    // Removes the first entry after the section's header whose key and value match without
    // regard to letter case. No section or no such entry: the file stays unchanged.
    void RemoveEntry(const char* section, const char* key, const char* value);

private:
    // Opens (creating a missing file) and maps the file with room for growth more bytes.
    void Open(DWORD growth);
    // Unmaps and cuts the file to the data size; safe to call when nothing is open.
    void Close();
    void Insert(size_t at, const std::string& text);
    void Erase(size_t from, size_t to);

    // Closes the file when an edit ends, by return or by exception.
    class CEditScope {
    public:
        explicit CEditScope(CIniFile& file) : file(file) {}
        ~CEditScope() { file.Close(); }
        CEditScope(const CEditScope&) = delete;
        CEditScope& operator=(const CEditScope&) = delete;

    private:
        CIniFile& file;
    };

    std::string path;
    char* view = nullptr;
    HANDLE mapping = nullptr;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD mappedSize = 0;
    DWORD dataSize = 0;
};

} // namespace SWININIT
