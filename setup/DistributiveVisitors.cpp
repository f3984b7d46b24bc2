#include "setup/DistributiveVisitors.h"
#include "os/Handles.h"
#include "ops/FileVersions.h"
#include "ops/InstallFile.h"
#include "os/FindFile.h"

namespace SSetupVisitors {

namespace {

const char productVersionKey[] = "ProductVersion";
// The reader's code for a module that exists but carries no version resource.
const DWORD noVersionResource = ERROR_RESOURCE_TYPE_NOT_FOUND;

// Reads size bytes at offset; false when the file ends before them.
bool ReadAt(HANDLE file, DWORD offset, void* buffer, DWORD size) {
    DWORD read = 0;
    return SetFilePointer(file, static_cast<LONG>(offset), nullptr, FILE_BEGIN) == offset &&
           ReadFile(file, buffer, size, &read, nullptr) && read == size;
}

// A module image cut short in transfer: it starts as one ("MZ") but its headers or a section
// run past the end of the file. A file that is no image at all is not judged here.
bool IsImageCutShort(const std::string& path, DWORD fileSize) {
    const SSETUPOS::CReadOnlyFile file(path);
    WORD magic = 0;
    if (!file.IsValid() || !ReadAt(file.Get(), 0, &magic, sizeof(magic)) ||
        magic != IMAGE_DOS_SIGNATURE) {
        return false;
    }
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file.Get(), 0, &dos, sizeof(dos)) || dos.e_lfanew <= 0) {
        return true;
    }
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    const DWORD headerAt = static_cast<DWORD>(dos.e_lfanew);
    if (!ReadAt(file.Get(), headerAt, &signature, sizeof(signature)) ||
        signature != IMAGE_NT_SIGNATURE ||
        !ReadAt(file.Get(), headerAt + sizeof(signature), &header, sizeof(header))) {
        return true;
    }
    const DWORD sectionsAt =
        headerAt + sizeof(signature) + sizeof(header) + header.SizeOfOptionalHeader;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(file.Get(), sectionsAt + i * sizeof(section), &section, sizeof(section)) ||
            section.PointerToRawData > fileSize ||
            section.SizeOfRawData > fileSize - section.PointerToRawData) {
            return true;
        }
    }
    return false;
}

// A package file the install could copy but not use: a folder in its place, an empty file,
// or a module cut short.
bool IsUsable(const std::string& path) {
    const SSETUPOS::CFindFile find(path);
    if (!find.Found() || find.IsDirectory()) {
        return false;
    }
    const WIN32_FIND_DATAA& entry = find.Entry();
    if (entry.nFileSizeHigh != 0) {
        return true;
    }
    return entry.nFileSizeLow != 0 && !(SFileVersions::IsVersionedModule(path.c_str()) &&
                                        IsImageCutShort(path, entry.nFileSizeLow));
}

} // namespace

void CCheckDistributive::Visit(const SSETUP::IInstallFileOperation* operation) {
    const std::string source = operation->GetSourcePath();
    if (!osManager->GetOperations()->FileExists(source.c_str()) || !IsUsable(source)) {
        missingFiles.push_back(source);
        allPresent = false;
    }
}

bool CEnumDistributiveFilesVisitor::CEnumOnlyExecutables::IsNeeded(const char* path) {
    return SFileVersions::IsVersionedModule(path);
}

void CEnumDistributiveFilesVisitor::Visit(const SSETUP::IInstallFileOperation* operation) {
    const std::string source = operation->GetSourcePath();
    if (filter->IsNeeded(source.c_str())) {
        files.push_back(source);
    }
}

void CSeekForFresherFilesVisitor::Visit(const SSETUP::IInstallFileOperation* operation) {
    const std::string source = operation->GetSourcePath();
    const std::string target = operation->GetTargetPath();
    if (!SFileVersions::IsVersionedModule(source.c_str())) {
        return;
    }
    SSETUPOS::IOsDependOperations& os = *osManager->GetOperations();
    if (!os.FileExists(source.c_str()) || !os.FileExists(target.c_str())) {
        return;
    }
    ++comparedCount;
    SFileVersions::CFileVersionInfo sourceInfo(source.c_str(), false);
    SFileVersions::CFileVersionInfo targetInfo(target.c_str(), false);
    VS_FIXEDFILEINFO sourceRecord;
    try {
        sourceRecord = sourceInfo.GetFixedInfo();
    } catch (const SFileVersions::CFileVerExcpt& failure) {
        // An unversioned package module is offered as older than any versioned installed one.
        if (failure.errorCode != noVersionResource) {
            return;
        }
        try {
            targetInfo.GetFixedInfo();
        } catch (const SFileVersions::CFileVerExcpt&) {
            return;
        }
        fresherFiles.push_back(
            {source, std::string(),
             SFileVersions::ReadVersionString(target.c_str(), productVersionKey)});
        return;
    }
    try {
        if (SFileVersions::IsOlder(sourceRecord, targetInfo.GetFixedInfo())) {
            fresherFiles.push_back(
                {source, SFileVersions::ReadVersionString(source.c_str(), productVersionKey),
                 SFileVersions::ReadVersionString(target.c_str(), productVersionKey)});
        }
    } catch (const SFileVersions::CFileVerExcpt&) {
    }
}

} // namespace SSetupVisitors
