#pragma once
// Reading version resources of modules and the one rule by which versions are compared:
// the product version of the fixed record, numerically.
#include <windows.h>
#include <memory>
#include <string>
#include <vector>

namespace SFileVersions {

class CFileVersionInfo;

// Thrown by value by every failing call of CFileVersionInfo.
class CFileVerExcpt {
public:
    CFileVerExcpt(DWORD errorCode, const CFileVersionInfo* source)
        : errorCode(errorCode), source(source) {}
    // GetLastError at the failing call, or 8 when the buffer could not be allocated. An
    // existing file without a version resource gives 1813 on every system; a missing file 2.
    DWORD errorCode;
    // The reader that failed: compare with your own reader, read its path through it.
    const CFileVersionInfo* source;
};

// Language, then code page, as stored in \VarFileInfo\Translation.
struct CTranslation {
    WORD language;
    WORD codePage;
};

// The version resource of one file, loaded on first use. Every call may throw CFileVerExcpt;
// after a failed load a later call tries again.
class CFileVersionInfo {
public:
    CFileVersionInfo(const char* path, bool loadNow);
    CFileVersionInfo(const CFileVersionInfo&) = delete;
    CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;

    void Load();
    // A copy of the fixed version record (root block "\").
    VS_FIXEDFILEINFO GetFixedInfo();
    // Appends the stored translations in their order.
    void GetTranslations(std::vector<CTranslation>& translations);
    // The value of key in the string table of translation; empty for an empty value.
    std::string GetString(const CTranslation& translation, const char* key);
    const std::string& GetPath() const { return path; }

private:
    // The error of a failed size query, with every "no version resource" answer made 1813.
    DWORD SizeQueryError(DWORD error) const;
    // The block at query, with its length in bytes (for strings: in characters).
    void Query(const char* query, void** value, UINT* length);

    std::unique_ptr<BYTE[]> data;
    const std::string path;
    bool loaded = false;
};

// The value of key ("ProductVersion", "FileDescription", "FileVersion") in the file's first
// translation; empty when the file has none or cannot be read.
std::string ReadVersionString(const char* path, const char* key);
// Fills record and returns true; false, record unchanged, when the file has no readable one.
bool ReadFixedInfo(const char* path, VS_FIXEDFILEINFO& record);

// Three-way comparison by product version: -1, 0 or 1.
int CompareVersions(const VS_FIXEDFILEINFO& a, const VS_FIXEDFILEINFO& b);
inline bool IsNotOlder(const VS_FIXEDFILEINFO& a, const VS_FIXEDFILEINFO& b) {
    return CompareVersions(a, b) >= 0;
}
inline bool IsOlder(const VS_FIXEDFILEINFO& a, const VS_FIXEDFILEINFO& b) {
    return CompareVersions(a, b) < 0;
}
// The file version as "1.2.3.4".
std::string FormatFileVersion(const VS_FIXEDFILEINFO& record);
// True when the extension of path, in any letter case, is EXE, SYS or DLL.
bool IsVersionedModule(const char* path);

// Whether source may replace target when only files not newer on the machine are to be
// overwritten: yes for non-modules, missing files and unversioned targets; no for an
// unversioned source over a versioned target; else by product version, equal counting yes.
bool IsReplacementNeeded(const char* source, const char* target);

// The same decision with the step that took it, for the log.
struct CReplacementDecision {
    enum Reason {
        NotCompared = 0,       // not a module, or one of the files is missing
        TargetUnversioned = 1, // yes
        SourceUnversioned = 2, // no
        ByVersion = 3,         // by product version; both records filled
    };
    bool needed;
    Reason reason;
    VS_FIXEDFILEINFO sourceRecord;
    VS_FIXEDFILEINFO targetRecord;
};
CReplacementDecision DecideReplacement(const char* source, const char* target);

} // namespace SFileVersions
