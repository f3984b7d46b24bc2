#include "ops/FileVersions.h"
#include "app/SingletonAutoPointer.h"
#include "os/OSManager.h"
#include "os/PathText.h"
#include <new>

namespace SFileVersions {

namespace {

const DWORD fixedRecordSignature = 0xFEEF04BD;

bool IsExistingFile(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

// The systems disagree on a file without a version: Windows NT answers 1812 for a module
// without resources and 1813 for one without a version resource; Wine in its 98 mode
// answers 2 for both, and for a file that is no module at all.
DWORD CFileVersionInfo::SizeQueryError(DWORD error) const {
    const bool noVersionCode = error == ERROR_FILE_NOT_FOUND ||
                               error == ERROR_RESOURCE_DATA_NOT_FOUND ||
                               error == ERROR_RESOURCE_TYPE_NOT_FOUND;
    return noVersionCode && IsExistingFile(path) ? ERROR_RESOURCE_TYPE_NOT_FOUND : error;
}

CFileVersionInfo::CFileVersionInfo(const char* path, bool loadNow) : path(path ? path : "") {
    if (loadNow) {
        Load();
    }
}

void CFileVersionInfo::Load() {
    if (loaded) {
        return;
    }
    data.reset();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) {
        throw CFileVerExcpt(SizeQueryError(GetLastError()), this);
    }
    std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[size]);
    if (buffer == nullptr) {
        throw CFileVerExcpt(ERROR_NOT_ENOUGH_MEMORY, this);
    }
    if (!GetFileVersionInfoA(path.c_str(), 0, size, buffer.get())) {
        throw CFileVerExcpt(GetLastError(), this);
    }
    data = std::move(buffer);
    loaded = true;
}

void CFileVersionInfo::Query(const char* query, void** value, UINT* length) {
    Load();
    *value = nullptr;
    *length = 0;
    // VerQueryValueA takes a non-const query on old SDKs.
    std::string text(query);
    if (!VerQueryValueA(data.get(), &text[0], value, length)) {
        throw CFileVerExcpt(GetLastError(), this);
    }
}

VS_FIXEDFILEINFO CFileVersionInfo::GetFixedInfo() {
    void* value = nullptr;
    UINT length = 0;
    Query("\\", &value, &length);
    VS_FIXEDFILEINFO record = {};
    // A record shorter than the structure would be read past its end; one without the
    // record's signature holds no version numbers to trust.
    if (value == nullptr || length < sizeof(record) ||
        static_cast<const VS_FIXEDFILEINFO*>(value)->dwSignature != fixedRecordSignature) {
        throw CFileVerExcpt(ERROR_RESOURCE_TYPE_NOT_FOUND, this);
    }
    CopyMemory(&record, value, sizeof(record));
    return record;
}

void CFileVersionInfo::GetTranslations(std::vector<CTranslation>& translations) {
    void* value = nullptr;
    UINT length = 0;
    Query("\\VarFileInfo\\Translation", &value, &length);
    if (value == nullptr) {
        return;
    }
    const BYTE* const bytes = static_cast<const BYTE*>(value);
    for (UINT offset = 0; offset + 4 <= length; offset += 4) {
        CTranslation translation;
        CopyMemory(&translation.language, bytes + offset, 2);
        CopyMemory(&translation.codePage, bytes + offset + 2, 2);
        translations.push_back(translation);
    }
}

std::string CFileVersionInfo::GetString(const CTranslation& translation, const char* key) {
    // "\StringFileInfo\" + 8 digits + "\" + key; a longer key would overrun wsprintfA's buffer.
    const std::string keyText(key ? key : "");
    if (keyText.size() > 200) {
        throw CFileVerExcpt(ERROR_INVALID_PARAMETER, this);
    }
    char query[260];
    wsprintfA(query, "\\StringFileInfo\\%04x%04x\\%s", translation.language, translation.codePage,
              keyText.c_str());
    void* value = nullptr;
    UINT length = 0;
    Query(query, &value, &length);
    if (value == nullptr || length == 0) {
        return std::string();
    }
    // The length counts the terminating zero; stop early at an embedded one.
    const char* const text = static_cast<const char*>(value);
    std::string result(text, length - 1);
    const std::size_t zero = result.find('\0');
    if (zero != std::string::npos) {
        result.resize(zero);
    }
    return result;
}

std::string ReadVersionString(const char* path, const char* key) {
    try {
        CFileVersionInfo info(path, false);
        std::vector<CTranslation> translations;
        info.GetTranslations(translations);
        if (translations.empty()) {
            return std::string();
        }
        return info.GetString(translations.front(), key);
    } catch (const CFileVerExcpt&) {
        return std::string();
    }
}

bool ReadFixedInfo(const char* path, VS_FIXEDFILEINFO& record) {
    try {
        CFileVersionInfo info(path, false);
        record = info.GetFixedInfo();
        return true;
    } catch (const CFileVerExcpt&) {
        return false;
    }
}

int CompareVersions(const VS_FIXEDFILEINFO& a, const VS_FIXEDFILEINFO& b) {
    if (a.dwProductVersionMS != b.dwProductVersionMS) {
        return a.dwProductVersionMS < b.dwProductVersionMS ? -1 : 1;
    }
    if (a.dwProductVersionLS != b.dwProductVersionLS) {
        return a.dwProductVersionLS < b.dwProductVersionLS ? -1 : 1;
    }
    return 0;
}

std::string FormatFileVersion(const VS_FIXEDFILEINFO& record) {
    char text[64];
    wsprintfA(text, "%d.%d.%d.%d", HIWORD(record.dwFileVersionMS), LOWORD(record.dwFileVersionMS),
              HIWORD(record.dwFileVersionLS), LOWORD(record.dwFileVersionLS));
    return text;
}

bool IsVersionedModule(const char* path) {
    std::string extension = SSETUPOS::GetExtension(path ? path : "");
    for (char& c : extension) {
        c = static_cast<char>(reinterpret_cast<UINT_PTR>(
            CharUpperA(reinterpret_cast<char*>(static_cast<UINT_PTR>(static_cast<BYTE>(c))))));
    }
    return extension == "EXE" || extension == "SYS" || extension == "DLL";
}

CReplacementDecision DecideReplacement(const char* source, const char* target) {
    CReplacementDecision decision = {};
    decision.needed = true;
    if (!IsVersionedModule(source)) {
        return decision;
    }
    SDP::singleton_auto_pointer<SSETUPOS::COSManager> osManager;
    SSETUPOS::IOsDependOperations& os = *osManager->GetOperations();
    if (!os.FileExists(source) || !os.FileExists(target)) {
        return decision;
    }
    if (!ReadFixedInfo(target, decision.targetRecord)) {
        decision.reason = CReplacementDecision::TargetUnversioned;
        return decision;
    }
    if (!ReadFixedInfo(source, decision.sourceRecord)) {
        decision.reason = CReplacementDecision::SourceUnversioned;
        decision.needed = false;
        return decision;
    }
    decision.reason = CReplacementDecision::ByVersion;
    decision.needed = IsNotOlder(decision.sourceRecord, decision.targetRecord);
    return decision;
}

bool IsReplacementNeeded(const char* source, const char* target) {
    return DecideReplacement(source, target).needed;
}

} // namespace SFileVersions
