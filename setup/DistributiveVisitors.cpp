#include "setup/DistributiveVisitors.h"
#include "ops/FileVersions.h"
#include "ops/InstallFile.h"

namespace SSetupVisitors {

namespace {

const char productVersionKey[] = "ProductVersion";
// The reader's code for a module that exists but carries no version resource.
const DWORD noVersionResource = ERROR_RESOURCE_TYPE_NOT_FOUND;

} // namespace

void CCheckDistributive::Visit(const SSETUP::IInstallFileOperation* operation) {
    const std::string source = operation->GetSourcePath();
    if (!osManager->GetOperations()->FileExists(source.c_str())) {
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
