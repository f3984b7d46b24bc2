#pragma once
// Adds and removes key = value lines of an INI-style file (WININIT.INI) in place, through a
// file mapping; every other byte of the file stays as it was.
#include <windows.h>
#include <functional>
#include <string>

namespace SWININIT {

class CIniText;
struct CTextEdit;

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
    // needed. Null key or value count as empty.
    void AddEntry(const char* section, const char* key, const char* value);
    // Removes the first entry of a section of that name whose key and value match without
    // regard to letter case. No section or no such entry: the file stays unchanged.
    //
    // Both throw CIniException when the file cannot be opened, mapped, or brought to its new
    // size; the file is then as it was.
    void RemoveEntry(const char* section, const char* key, const char* value);

    // A line taken out of the file: its bytes with the line break, where it stood, and its
    // key and value (trimmed of spaces).
    struct CRemovedLine {
        size_t at = 0;
        std::string bytes;
        std::string key;
        std::string value;
    };
    using EntryMatch = std::function<bool(const std::string& key, const std::string& value)>;
    // Removes the first entry of a section of that name that match wants; false when none.
    bool RemoveMatching(const char* section, const EntryMatch& match, CRemovedLine* removed);
    // Puts a removed line back where it stood (after the lines removed later are back), or
    // at the end of the section when the file changed there.
    void PutBack(const char* section, const CRemovedLine& line);

private:
    // Plans the change on the text; false when there is none to make.
    using Plan = std::function<bool(const CIniText& text, CTextEdit* edit)>;
    void Edit(const Plan& plan);
    void OpenFile();
    // Maps the first size bytes for writing; a larger size grows the file to it.
    void Map(DWORD size);
    void Unmap();
    // Cuts the file to size; false (with the error in lastError) when the system refuses.
    bool Cut(DWORD size, DWORD* lastError);
    void Close();

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
    // The attributes to put back on a read-only file after the edit.
    DWORD restoreAttributes = INVALID_FILE_ATTRIBUTES;
};

} // namespace SWININIT
