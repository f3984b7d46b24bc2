#include "os/NtBasedOSOperations.h"
#include "os/Handles.h"
#include "os/ExplicitCall.h"
#include "os/PendingRenames.h"
#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

namespace SSETUPOS {

namespace {

const char kSessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char kPendingValue[] = "PendingFileRenameOperations";
const wchar_t kPendingValueW[] = L"PendingFileRenameOperations";

class CRegKeyHandle {
public:
    CRegKeyHandle() = default;
    ~CRegKeyHandle() {
        if (key != nullptr) {
            RegCloseKey(key);
        }
    }
    CRegKeyHandle(const CRegKeyHandle&) = delete;
    CRegKeyHandle& operator=(const CRegKeyHandle&) = delete;
    bool Open(HKEY root, const char* path, REGSAM access) {
        return RegOpenKeyExA(root, path, 0, access, &key) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

// The value is read and written in UTF-16 so that the other programs' paths keep every
// character, also those outside the ANSI code page. The wide registry functions exist on
// every NT system, which is the only place this runs.
class CPendingValue {
public:
    explicit CPendingValue(HKEY key) : key(key), advapi("advapi32.dll") {}

    // False when the value is there but cannot be read as a multi-string.
    bool Read(CWideString* multiString, bool* present) {
        using QueryValue = LONG(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);
        const auto query = advapi.GetProcAs<QueryValue>("RegQueryValueExW");
        DWORD type = 0;
        DWORD bytes = 0;
        LONG result = query(key, kPendingValueW, nullptr, &type, nullptr, &bytes);
        *present = result != ERROR_FILE_NOT_FOUND;
        if (!*present) {
            return true;
        }
        if (result != ERROR_SUCCESS || type != REG_MULTI_SZ) {
            return false;
        }
        std::vector<wchar_t> buffer(bytes / sizeof(wchar_t) + 2, L'\0');
        result = query(key, kPendingValueW, nullptr, &type, reinterpret_cast<LPBYTE>(&buffer[0]),
                       &bytes);
        if (result != ERROR_SUCCESS) {
            return false;
        }
        multiString->assign(&buffer[0], bytes / sizeof(wchar_t));
        return true;
    }

    bool Write(const CWideString& multiString) {
        using SetValue = LONG(WINAPI*)(HKEY, LPCWSTR, DWORD, DWORD, const BYTE*, DWORD);
        const auto set = advapi.GetProcAs<SetValue>("RegSetValueExW");
        return set(key, kPendingValueW, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(multiString.data()),
                   static_cast<DWORD>(multiString.size() * sizeof(wchar_t))) == ERROR_SUCCESS;
    }

    bool Delete() { return RegDeleteValueA(key, kPendingValue) == ERROR_SUCCESS; }

private:
    HKEY key;
    SEXPL_CALL::CLibrary advapi;
};

// Reads the system's list, lets change edit its pairs, and writes the list back (without the
// value when no pair is left) when change says so. False when the list cannot be read or
// written; a missing list reads as empty.
bool EditPendingList(const std::function<bool(std::vector<CPendingRenames::Pair>&)>& change) {
    CRegKeyHandle key;
    if (!key.Open(HKEY_LOCAL_MACHINE, kSessionManagerKey, KEY_ALL_ACCESS)) {
        return false;
    }
    try {
        CPendingValue value(key.Get());
        CWideString multiString;
        bool present = false;
        if (!value.Read(&multiString, &present)) {
            return false;
        }
        std::vector<CPendingRenames::Pair> pairs;
        if (present) {
            pairs = CPendingRenames::Parse(multiString);
        }
        if (!change(pairs)) {
            return true;
        }
        return pairs.empty() ? value.Delete() : value.Write(CPendingRenames::Join(pairs));
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
        return false;
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
        return false;
    }
}

} // namespace

bool CNtBasedOSOperations::MoveFileAtReboot(const char* source, const char* target) {
    return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT) !=
           FALSE;
}

bool CNtBasedOSOperations::CancelMoveFileAtReboot(const char* source, const char* target) {
    const std::string recordedSource = CPendingRenames::RecordedSource(source);
    const std::string recordedTarget = CPendingRenames::RecordedTarget(target);
    return EditPendingList([&](std::vector<CPendingRenames::Pair>& pairs) {
        for (auto pair = pairs.begin(); pair != pairs.end(); ++pair) {
            if (CPendingRenames::Matches(*pair, recordedSource, recordedTarget)) {
                pairs.erase(pair);
                return true;
            }
        }
        // Nothing of ours is pending.
        return false;
    });
}

// The requests for the file come out of the list in one write.
std::vector<CPendingWork> CNtBasedOSOperations::TakeOutPendingWork(const CFileNames& names) {
    std::vector<CPendingWork> taken;
    const bool written = EditPendingList([&](std::vector<CPendingRenames::Pair>& pairs) {
        std::vector<CPendingRenames::Pair> kept;
        for (size_t n = 0; n < pairs.size(); ++n) {
            const CPendingRenames::Pair& pair = pairs[n];
            const bool deletion = pair.target.empty();
            const std::string target =
                CPendingRenames::PlainPath(deletion ? pair.source : pair.target);
            if (!names.Names(target)) {
                kept.push_back(pair);
                continue;
            }
            CPendingWork work;
            work.target = target;
            work.source = deletion ? std::string() : CPendingRenames::PlainPath(pair.source);
            // As if taken out one after the other, so that they go back the last first.
            work.position = n - taken.size();
            work.entry = CPendingRenames::Pack(pair);
            taken.push_back(work);
        }
        pairs.swap(kept);
        return !taken.empty();
    });
    if (!written) {
        taken.clear();
    }
    return taken;
}

bool CNtBasedOSOperations::PutBackPendingWork(const CPendingWork& work) {
    return EditPendingList([&work](std::vector<CPendingRenames::Pair>& pairs) {
        const size_t at = std::min(work.position, pairs.size());
        pairs.insert(pairs.begin() + static_cast<std::ptrdiff_t>(at),
                     CPendingRenames::Unpack(work.entry));
        return true;
    });
}

bool CNtBasedOSOperations::ShutdownSystem(UINT flags) {
    using OpenToken = BOOL(WINAPI*)(HANDLE, DWORD, PHANDLE);
    using LookupPrivilege = BOOL(WINAPI*)(LPCSTR, LPCSTR, PLUID);
    using AdjustPrivileges =
        BOOL(WINAPI*)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD, PTOKEN_PRIVILEGES, PDWORD);
    try {
        // Windows 9x has no access tokens: these are called by name.
        SEXPL_CALL::CLibrary advapi("advapi32.dll");
        const auto openToken = advapi.GetProcAs<OpenToken>("OpenProcessToken");
        const auto lookupPrivilege = advapi.GetProcAs<LookupPrivilege>("LookupPrivilegeValueA");
        const auto adjustPrivileges = advapi.GetProcAs<AdjustPrivileges>("AdjustTokenPrivileges");
        CHandle token;
        if (!openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                       token.Receive())) {
            return false;
        }
        TOKEN_PRIVILEGES privileges = {};
        privileges.PrivilegeCount = 1;
        privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!lookupPrivilege(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid) ||
            !adjustPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr)) {
            return false;
        }
    } catch (const SEXPL_CALL::CLibNotFoundException&) {
        return false;
    } catch (const SEXPL_CALL::CProcNotFoundException&) {
        return false;
    }
    return ExitWindowsEx(flags, 0) != FALSE;
}

bool CNtBasedOSOperations::MoveFileTo(const char* source, const char* target, bool replace) {
    if (replace) {
        return MoveFileExA(source, target, MOVEFILE_REPLACE_EXISTING) != FALSE;
    }
    return MoveFileA(source, target) != FALSE;
}

} // namespace SSETUPOS
