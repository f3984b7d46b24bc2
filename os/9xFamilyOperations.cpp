#include "os/9xFamilyOperations.h"
#include "os/Handles.h"
#include "os/IniFile.h"

namespace SSETUPOS {

namespace {

const char kRenameSection[] = "Rename";
// A Rename line with this key deletes the file instead of renaming it.
const char kNoFile[] = "NUL";

// The 8.3 form of an existing file: the Rename section is read before long names are
// available, so a long name there would be skipped. Empty when the file is missing or has
// no such form.
std::string ShortPath(const char* path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path, buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

// What is left of a WININIT.INI that had only the lines of this run once they are removed.
bool HoldsOnlyEmptyRenameSection(const std::string& path) {
    const std::string empty = std::string("[") + kRenameSection + "]\r\n";
    const CReadOnlyFile file(path);
    char text[32] = {};
    DWORD length = 0;
    return file.Get() != INVALID_HANDLE_VALUE &&
           ReadFile(file.Get(), text, sizeof text, &length, nullptr) && length == empty.size() &&
           empty.compare(0, empty.size(), text, length) == 0;
}

} // namespace

std::string C9xFamilyOperations::GetWininitPath() {
    return GetWindowsDir() + "\\WININIT.INI";
}

// Adds or removes the Rename line "short target = short source"; a null side is "NUL". The
// target of a restart rename is the file in use, so it exists and has a short form too.
bool C9xFamilyOperations::EditRenameSection(const char* source, const char* target,
                                            RenameEdit edit) {
    const std::string shortSource = ShortPath(source ? source : kNoFile);
    const std::string shortTarget = target ? ShortPath(target) : std::string(kNoFile);
    if (shortSource.empty() || shortTarget.empty()) {
        return false;
    }
    try {
        SWININIT::CIniFile wininit(GetWininitPath().c_str());
        (wininit.*edit)(kRenameSection, shortTarget.c_str(), shortSource.c_str());
    } catch (const SWININIT::CIniException&) {
        return false;
    }
    return true;
}

bool C9xFamilyOperations::MoveFileAtReboot(const char* source, const char* target) {
    const bool existed = FileExists(GetWininitPath().c_str());
    const bool added = EditRenameSection(source, target, &SWININIT::CIniFile::AddEntry);
    createdWininit = createdWininit || (added && !existed);
    return added;
}

bool C9xFamilyOperations::CancelMoveFileAtReboot(const char* source, const char* target) {
    const bool removed = EditRenameSection(source, target, &SWININIT::CIniFile::RemoveEntry);
    // A WININIT.INI that this run made goes again with its last line: a cancelled run leaves
    // the Windows folder as it found it.
    const std::string wininit = GetWininitPath();
    if (removed && createdWininit && HoldsOnlyEmptyRenameSection(wininit) &&
        RemoveFile(wininit.c_str())) {
        createdWininit = false;
    }
    return removed;
}

std::vector<CPendingWork> C9xFamilyOperations::TakeOutPendingWork(const CFileNames& names) {
    std::vector<CPendingWork> taken;
    // Opening the file for an edit would make it.
    if (!FileExists(GetWininitPath().c_str())) {
        return taken;
    }
    const auto isForFile = [&names](const std::string& key, const std::string& value) {
        return lstrcmpiA(key.c_str(), kNoFile) == 0 ? names.Names(value) : names.Names(key);
    };
    try {
        SWININIT::CIniFile wininit(GetWininitPath().c_str());
        SWININIT::CIniFile::CRemovedLine line;
        while (wininit.RemoveMatching(kRenameSection, isForFile, &line)) {
            CPendingWork work;
            const bool deletion = lstrcmpiA(line.key.c_str(), kNoFile) == 0;
            work.target = deletion ? line.value : line.key;
            work.source = deletion ? std::string() : line.value;
            work.position = line.at;
            work.entry = line.bytes;
            taken.push_back(work);
        }
    } catch (const SWININIT::CIniException&) {
        // A WININIT.INI that cannot be edited keeps what it holds.
    }
    // Nothing left for the restart: the file goes, as the restart would take it; putting a
    // line back makes it again.
    const std::string wininit = GetWininitPath();
    if (!taken.empty() && HoldsOnlyEmptyRenameSection(wininit)) {
        RemoveFile(wininit.c_str());
    }
    return taken;
}

bool C9xFamilyOperations::PutBackPendingWork(const CPendingWork& work) {
    SWININIT::CIniFile::CRemovedLine line;
    line.at = work.position;
    line.bytes = work.entry;
    try {
        SWININIT::CIniFile(GetWininitPath().c_str()).PutBack(kRenameSection, line);
    } catch (const SWININIT::CIniException&) {
        return false;
    }
    return true;
}

bool C9xFamilyOperations::ShutdownSystem(UINT flags) {
    return ExitWindowsEx(flags, 0) != FALSE;
}

bool C9xFamilyOperations::MoveFileTo(const char* source, const char* target, bool replace) {
    if (!replace || !FileExists(target)) {
        return MoveFileA(source, target) != FALSE;
    }
    const std::string targetName(target);
    std::string backup;
    for (char digit = '0'; digit <= '9' && backup.empty(); ++digit) {
        const std::string candidate = targetName + digit;
        if (MoveFileA(target, candidate.c_str())) {
            backup = candidate;
        }
    }
    if (backup.empty()) {
        return false;
    }
    const bool sourceMoved = MoveFileA(source, target) != FALSE;
    if (sourceMoved && RemoveFile(backup.c_str())) {
        return true;
    }
    // Undo: the source goes back to its name, the old target to its own.
    if (sourceMoved) {
        MoveFileA(target, source);
    }
    MoveFileA(backup.c_str(), target);
    return false;
}

} // namespace SSETUPOS
