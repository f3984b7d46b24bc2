// The controller's handlers of the operations' notifications: one log line per outcome, the
// answers of the two needed-queries, and the key check that refuses an uninstall.
#include "app/Language.h"
#include "app/LogTexts.h"
#include "app/MainInstall.h"
#include "ops/FileVersions.h"
#include "ops/Registry.h"
#include "os/PathText.h"
#include "ui/Resource.h"

namespace SINSTALL {

namespace {

const DWORD undefinedRunResult = 0xDEADBEEF;

std::string Decimal(long value) {
    char text[16];
    wsprintfA(text, "%ld", value);
    return text;
}

std::string KeyText(HKEY rootKey, const std::string& keyPath) {
    return SREGISTRY::GetRootKeyName(rootKey) + "\\" + keyPath;
}

// Clears a read-only mark so that the operation can replace or delete the file; returns
// whether there was one. A failure is left to the operation to meet.
bool ClearReadOnly(SSETUPOS::IOsDependOperations& os, const std::string& path) {
    if (!os.FileExists(path.c_str())) {
        return false;
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_READONLY) == 0) {
        return false;
    }
    SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    return true;
}

} // namespace

std::string DescribeReturnCode(DWORD code) {
    if (code == undefinedRunResult) {
        return "< Undefined return value>";
    }
    return Decimal(static_cast<LONG>(code));
}

std::string DescribeSystemError(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    if (length == 0 || text == nullptr) {
        return std::string();
    }
    const std::string description(text, length);
    LocalFree(text);
    return description;
}

std::string ErrorSuffix(bool succeeded, DWORD code) {
    if (succeeded) {
        return std::string();
    }
    return "( errCode == " + DescribeSystemError(code) + " )";
}

std::string ScopeName(DWORD scope) {
    switch (scope) {
    case 1:
        return "SCOPE_GLOBAL";
    case 2:
        return "SCOPE_LOCAL";
    default:
        return "<Unknown scope code == " + Decimal(static_cast<LONG>(scope)) + " >";
    }
}

std::string TokenResultText(DWORD failureKind, DWORD errorCode) {
    const std::string details = "Sys ecode = " + Decimal(static_cast<LONG>(errorCode)) + "," +
                                " Sys error description : " + DescribeSystemError(errorCode) + " )";
    switch (failureKind) {
    case 0:
        return "OK !!!";
    case 2:
        return "API ::EstablishContext() FAILED !!! " + details;
    case 3:
        return "API ::IntroduceCardType() FAILED !!! " + details;
    case 4:
        return "API ::ForgetReader() FAILED !!! " + details;
    case 5:
        return "EnumZentavoReaders() FAILED !!! " + details;
    default:
        return details;
    }
}

void CMainInstall::Notify(const SLITEDRV::CCheckZentavoKey::TokenKeyCheckEvent&) {
    log.Printf("\n\nReg Key 'HKLM\\Software\\Microsoft\\Cryptography\\Calais\\SmartCards\\zenTavo' "
               "\nhas been found. deinstallation will be aborted ...\n\n");
    ShowInfoMessage(nullptr, SLANG::LoadText(IDS_CSP_INSTALLED).c_str(),
                    GetMessageCaption().c_str(), MB_ICONINFORMATION | MB_OK, 1);
    reportUninstallFailure = false;
    uninstallAbortReason = 1;
}

void CMainInstall::Notify(const SSETUP::CEarlierWork::CNotifyRecord& record) {
    const char* const target = record.target.c_str();
    switch (record.kind) {
    case SSETUP::CEarlierWork::KindRename:
        log.Printf(
            "Replacing of '%s' by '%s' at system start, left by an earlier run, is cancelled "
            "!!! \n",
            target, record.source.c_str());
        break;
    case SSETUP::CEarlierWork::KindDeletion:
        log.Printf("Deleting of '%s' at system start, left by an earlier run, is cancelled !!! \n",
                   target);
        break;
    case SSETUP::CEarlierWork::KindRegistration:
        log.Printf(
            "Registering of COM Module '%s' at system start ( '%s' ), left by an earlier run, "
            "is cancelled !!! \n",
            target, record.source.c_str());
        break;
    default:
        break;
    }
}

void CMainInstall::Notify(const SSETUP::CInstallFile::CNotifyRecord& record) {
    const std::string source = record.operation->GetSourcePath();
    const std::string target = record.operation->GetTargetPath();
    switch (record.result) {
    case SSETUP::CInstallFile::ResultCopied:
        log.Printf("Installing file '%s' -> '%s' (OK) \n", source.c_str(), target.c_str());
        break;
    case SSETUP::CInstallFile::ResultFailed:
        log.Printf("Installing file '%s' -> '%s' (FAILED !!!!!!) \n", source.c_str(),
                   target.c_str());
        log.Printf("---------------------------------------------- \n");
        break;
    case SSETUP::CInstallFile::ResultAtReboot:
        log.Printf("Installing file '%s' -> '%s' (through tmp file '%s' ) (OK, Reboot needed to "
                   "complete) \n",
                   source.c_str(), target.c_str(), record.tempPath.c_str());
        break;
    case SSETUP::CInstallFile::ResultRestoreFailed:
        // The old file could not be put back: say where it still is.
        log.Printf("Restoring file '%s' from '%s' FAILED !!! \n", target.c_str(),
                   record.tempPath.c_str());
        break;
    case SSETUP::CInstallFile::ResultUndoFailed:
        log.Printf("Undoing the install of file '%s' %s FAILED !!! \n", target.c_str(),
                   record.tempPath.empty() ? "" : record.tempPath.c_str());
        break;
    default:
        break;
    }
}

void CMainInstall::Query(SSETUP::CInstallFile::CQueryRecord& record) {
    const std::string source = record.operation->GetSourcePath();
    const std::string target = record.operation->GetTargetPath();
    bool needed = false;
    if (overwriteMode == OVERWRITE_ALL) {
        needed = true;
    } else if (overwriteMode == OVERWRITE_ONLY_FRESHER) {
        const SFileVersions::CReplacementDecision decision =
            SFileVersions::DecideReplacement(source.c_str(), target.c_str());
        needed = decision.needed;
        using Decision = SFileVersions::CReplacementDecision;
        if (decision.reason == Decision::TargetUnversioned) {
            log.Printf("\t\tInstalled file '%s' has not version !\n\t\tAssuming, that source file "
                       "fresher... \n\n",
                       target.c_str());
        } else if (decision.reason == Decision::SourceUnversioned) {
            log.Printf("\t\tSource file '%s' has not version. \n\t\tBut installed file '%s' has. "
                       "\n\t\tAssuming, that installed file fresher !!!\n\n",
                       source.c_str(), target.c_str());
        } else if (decision.reason == Decision::ByVersion) {
            log.Printf("\t\tSource file '%s' (%s) %s than \n\t\tdestination file '%s'(%s) or have "
                       "EQ version. \n\t\tOverwriting %s needed !!! \n\n",
                       source.c_str(),
                       SFileVersions::FormatFileVersion(decision.sourceRecord).c_str(),
                       needed ? "fresher" : "older", target.c_str(),
                       SFileVersions::FormatFileVersion(decision.targetRecord).c_str(),
                       needed ? "" : "not");
        }
    } else {
        record.needed = false;
        return;
    }
    if (needed && ClearReadOnly(*osManager->GetOperations(), target)) {
        log.Printf("   !!!!! File '%s' already exists and Has READ ONLY attrib !!! Clearing his "
                   "READ ONLY flag then !!!!! \r\n",
                   target.c_str());
    }
    record.needed = needed;
}

void CMainInstall::Notify(const SSETUPREG::CInstallRegKey::CNotifyRecord& record) {
    const std::string key = KeyText(record.operation->GetRootKey(), record.operation->GetKeyPath());
    // Rollbacks of key creations leave a line only when the key they made stays.
    if (!record.performing) {
        if (record.failed == 1) {
            log.Printf("Removing regKey '%s' (FAIL !!!!!!) \n", key.c_str());
        }
        return;
    }
    if (record.failed == 0) {
        log.Printf("Installing regKey '%s' (OK !!!!!!) \n", key.c_str());
    } else if (record.failed == 1) {
        log.Printf("Installing regKey '%s' (FAIL !!!!!!) \n", key.c_str());
    }
}

void CMainInstall::Notify(const SINSTPNP::CUnRegisterPNPDriver::CNotifyRecord& record) {
    const std::string inf = SSETUPOS::GetFileNamePart(record.infPath);
    if (!record.performing) {
        log.Printf("Creating again the removed devices '%s' ( INF == '%s', DriverID == '%s' ) "
                   "FAILED !!! \n",
                   record.missingDevices.c_str(), inf.c_str(), record.hardwareId.c_str());
    } else if (record.success) {
        log.Printf("UnRegisterPNPDriver operation SUCCEEDED ( INF == '%s', DriverID == '%s' ) %s "
                   "!!! \n",
                   inf.c_str(), record.hardwareId.c_str(),
                   record.rebootNeeded ? "( REBOOT NEEDED TO COMPLETE ) !!!" : "");
    } else {
        log.Printf("UnRegisterPNPDriver operation FAILED ( INF == '%s', DriverID == '%s' ) !!! \n",
                   inf.c_str(), record.hardwareId.c_str());
    }
}

void CMainInstall::Notify(const SINSTPNP::CRegisterPNPDriver::CNotifyRecord& record) {
    const std::string inf = SSETUPOS::GetFileNamePart(record.operation->GetInfPath());
    const int number = record.index + 1;
    const int total = record.operation->GetDeviceCount();
    const char* const reboot = record.rebootNeeded ? " ( REBOOT NEEDED ) " : "";
    switch (record.result) {
    case SINSTPNP::CRegisterPNPDriver::ResultDeviceInstalled:
        log.Printf("Registering device %d of %d (Inf fileName == %s) OK %s!!! \n", number, total,
                   inf.c_str(), reboot);
        break;
    case SINSTPNP::CRegisterPNPDriver::ResultDeviceFailed:
        log.Printf("Registering device %d of %d (Inf fileName == %s) !!!! FAILED %s!!!!! \n",
                   number, total, inf.c_str(), reboot);
        break;
    case SINSTPNP::CRegisterPNPDriver::ResultAllSucceeded:
        log.Printf("TOTAL Registering devices from INF '%s' performed SUCCESSFULLY !!! \n",
                   inf.c_str());
        break;
    case SINSTPNP::CRegisterPNPDriver::ResultAllFailed:
        log.Printf("TOTAL Registering devices from INF '%s' FAILED !!! \n", inf.c_str());
        break;
    case SINSTPNP::CRegisterPNPDriver::ResultRemovalFailed:
        log.Printf(
            "Removing the registered devices ( INF == '%s', DriverID == '%s' ) FAILED !!! \n",
            inf.c_str(), record.operation->GetHardwareId().c_str());
        break;
    default:
        break;
    }
}

void CMainInstall::Notify(const SSETUP::CDeinstallFile::CNotifyRecord& record) {
    const std::string path = record.operation->GetPath();
    switch (record.result) {
    case SSETUP::CDeinstallFile::ResultDeleted:
        log.Printf("Deinstalling file '%s' OK !!! \n", path.c_str());
        break;
    case SSETUP::CDeinstallFile::ResultFailed:
        log.Printf("Deinstallation of file '%s' FAILED !!!\n", path.c_str());
        break;
    case SSETUP::CDeinstallFile::ResultAtReboot:
        log.Printf("File '%s' will be deleted AFTER REBOOT !!!\n", path.c_str());
        break;
    default:
        break;
    }
}

void CMainInstall::Query(SSETUP::CDeinstallFile::CQueryRecord& record) {
    const std::string path = record.operation->GetPath();
    if (ClearReadOnly(*osManager->GetOperations(), path)) {
        log.Printf("   !!!!! File '%s' exists and Has READ ONLY attrib !!! Clearing his READ ONLY "
                   "flag then !!!!! \r\n",
                   path.c_str());
    }
    record.needed = true;
}

void CMainInstall::Notify(const SSETUPREG::CDeleteRegKeyOperation::CNotifyRecord& record) {
    const std::string key = KeyText(record.operation->GetRootKey(), record.operation->GetKeyPath());
    if (record.result == SSETUPREG::CDeleteRegKeyOperation::ResultDeleted) {
        log.Printf("Reg Key '%s' deinstalled successfully !!! \n", key.c_str());
    } else if (record.result == SSETUPREG::CDeleteRegKeyOperation::ResultFailed) {
        log.Printf("Failing to deinstall Reg Key '%s' !!! \n", key.c_str());
    }
}

void CMainInstall::LogValueRestoreFailed(const std::string& root, const std::string& keyPath,
                                         const std::string& name) {
    log.Printf("Restoring Value %s\\%s ( %s ) FAILED !!! \n", root.c_str(), keyPath.c_str(),
               name.c_str());
}

void CMainInstall::Notify(const SSETUPREG::CInstallRegDWORDValue::CNotifyRecord& record) {
    const SSETUP::ISetRegDWORDValueOperation& value = *record.operation;
    const std::string root = SREGISTRY::GetRootKeyName(value.GetRootKey());
    const std::string keyPath = value.GetKeyPath();
    const std::string name = value.GetValueName();
    if (!record.performing) {
        LogValueRestoreFailed(root, keyPath, name);
    } else if (record.failed == 0) {
        log.Printf("DWORD Value %s\\%s ( %s == '%08X' ) has been SUCCESSFULLY INSTALLED !!! \n",
                   root.c_str(), keyPath.c_str(), name.c_str(), value.GetData());
    } else if (record.failed == 1) {
        log.Printf("FAILING To Set DWORD Value %s\\%s ( %s == '%08X' ) !!! \n", root.c_str(),
                   keyPath.c_str(), name.c_str(), value.GetData());
    } else if (record.failed == SINSTPNP::CPendingDeviceCount::ResultNotCleared) {
        log.Printf("Deleting Value %s\\%s ( %s ) FAILED !!! \n", root.c_str(), keyPath.c_str(),
                   name.c_str());
    }
}

void CMainInstall::Notify(const SSETUPREG::CInstallRegStringValue::CNotifyRecord& record) {
    const SSETUP::ISetRegSTRINGValueOperation& value = *record.operation;
    const std::string root = SREGISTRY::GetRootKeyName(value.GetRootKey());
    const std::string keyPath = value.GetKeyPath();
    const std::string name = value.GetValueName();
    const std::string data = value.GetData();
    if (!record.performing) {
        LogValueRestoreFailed(root, keyPath, name);
    } else if (record.failed == 0) {
        log.Printf("STRING Value %s\\%s ( %s == '%08s' ) has been SUCCESSFULLY INSTALLED !!! \n",
                   root.c_str(), keyPath.c_str(), name.c_str(), data.c_str());
    } else if (record.failed == 1) {
        log.Printf("FAILING to Set STRING Value %s\\%s ( %s == '%08s' ) !!! \n", root.c_str(),
                   keyPath.c_str(), name.c_str(), data.c_str());
    }
}

void CMainInstall::Notify(const SSETUPCOMDLL::IRegisterCOMModuleNotify::CNotifyRecord& record) {
    const std::string module = record.operation->GetModulePath();
    switch (record.result) {
    case SSETUPCOMDLL::IRegisterCOMModuleNotify::ResultRegistered:
        log.Printf("COM Module '%s' has been SUCCESSFULLY registered !!!\n", module.c_str());
        break;
    case SSETUPCOMDLL::IRegisterCOMModuleNotify::ResultFailed:
        log.Printf("FAIL to register COM Module '%s', RegSvr32 returs '%s' !!!\n", module.c_str(),
                   DescribeReturnCode(record.runResult).c_str());
        break;
    case SSETUPCOMDLL::IRegisterCOMModuleNotify::ResultAtReboot:
        log.Printf("COM Module '%s' will be registered AFTER REBOOT !!!\n", module.c_str());
        break;
    case SSETUPCOMDLL::IRegisterCOMModuleNotify::ResultRestoreFailed:
        log.Printf("Registering COM Module '%s' back FAILED, RegSvr32 returns '%s' !!!\n",
                   module.c_str(), DescribeReturnCode(record.runResult).c_str());
        break;
    default:
        break;
    }
}

void CMainInstall::Notify(const SSETUPCOMDLL::IUnregsiterCOMModuleNotify::CNotifyRecord& record) {
    if (!record.performing) {
        return;
    }
    if (record.success) {
        log.Printf("COM Module '%s' has been SUCCESSFULLY unregistered \n",
                   record.modulePath.c_str());
    } else {
        log.Printf("ERROR occured while unregistering COM module '%s' !!!!! \n",
                   record.modulePath.c_str());
    }
}

void CMainInstall::Notify(const SRegATLService::ServiceEvent& record) {
    const char* const name = record.serviceName.c_str();
    const char* const path = record.executablePath.c_str();
    const char* const outcome = record.succeeded ? "SUCCEDED" : "FAILED";
    switch (record.action) {
    case SRegATLService::ServiceRegistration:
        log.Printf("Service '%s'  ( path == '%s' ) registration %s %s.\n", name, path, outcome,
                   ErrorSuffix(record.succeeded, record.code).c_str());
        break;
    case SRegATLService::ServiceUnregistration:
        log.Printf("Service '%s'  ( path == '%s' ) UnRegistration %s .\n", name, path, outcome);
        break;
    case SRegATLService::ServiceStop:
        log.Printf("Stopping service '%s'...    %s .\n", name, record.succeeded ? "OK" : "FAILURE");
        break;
    case SRegATLService::ServiceStart:
        log.Printf("Launching service '%s'...    %s %s.\n", name,
                   record.succeeded ? "OK" : "FAILURE",
                   ErrorSuffix(record.succeeded, record.code).c_str());
        break;
    default:
        break;
    }
}

void CMainInstall::Notify(const SRegisterZentavo::TokenRegistrationEvent& record) {
    std::string what = record.isRegistration ? "Registering Token card type etc. ("
                                             : "UnRegistering Token card type & removing Token "
                                               "readers (";
    // Re-introductions by rollbacks (not critical) leave a line only when the card type the
    // run forgot stays forgotten.
    if (record.isRegistration && !record.critical) {
        if (record.failureKind == 0) {
            return;
        }
        what = "Restoring card type '" +
               SLANG::LoadTextInLanguage(IDS_CARD_NAME, SLANG::LANG_ID_ENGLISH) + "' (";
    }
    const std::string line = what + ScopeName(record.scope) +
                             ") : " + TokenResultText(record.failureKind, record.errorCode) + "\n";
    // Written as it is: a percent sign in a system text is no format.
    log.Write(line.c_str());
}

} // namespace SINSTALL
