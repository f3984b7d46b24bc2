#include "app/MainInstall.h"
#include "app/Language.h"
#include "app/Options.h"
#include "ops/ZentavoManager.h"
#include "ops/FileVersions.h"
#include "os/PathText.h"
#include "ui/MainDialog.h"
#include "ui/QueryDialogs.h"
#include "ui/Resource.h"
#include <vector>

// The factory lives for the whole process, like the options; the holders of the controller
// and of the operations only add references.
SDP::singleton_auto_pointer<SINSTALL::CInstallFactory> g_factoryHolder;

namespace SINSTALL {

namespace {

using SSetupOptions::COptions;

const UINT errorStyle = MB_ICONEXCLAMATION | MB_OK;
const UINT infoStyle = MB_OK;
const UINT questionStyle = MB_ICONQUESTION | MB_YESNO;

const char defaultInstanceName[] = "Default Mutex Name Is {5B3E9A1F-2C47-4D8E-9F60-13A7C2E48B05} ";

// The text of a message with one "%s", filled with argument (no length limit, and a "%"
// in the argument is shown as it is); in the current language unless another is given.
std::string FormatText(UINT id, const std::string& argument, LANGID language = 0) {
    std::string text =
        language == 0 ? SLANG::LoadText(id) : SLANG::LoadTextInLanguage(id, language);
    const std::string::size_type at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

std::string GetModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

} // namespace

std::string CMainInstall::CGetAllreadyLaunchedMutexName::GetMutexName() {
    std::string name;
    if (!SLANG::LoadTextInLanguage(IDS_INSTANCE_NAME, SLANG::LANG_ID_ENGLISH, name)) {
        name = defaultInstanceName;
    }
    return name;
}

CMainInstall::CMainInstall() {
    using SSETUP::IClientNotifyContext2;
    const auto keyCheck = static_cast<SLITEDRV::CCheckZentavoKey::INotifyZentavoKey*>(this);
    interfaceTable.Register(IClientNotifyContext2::InterfaceName, keyCheck);
    interfaceTable.Register(SLITEDRV::CCheckZentavoKey::INotifyZentavoKey::InterfaceName, keyCheck);
    interfaceTable.Register(IInstallFileNotify::InterfaceName,
                            static_cast<IInstallFileNotify*>(this));
    interfaceTable.Register(IInstallFileNeededQuery::InterfaceName,
                            static_cast<IInstallFileNeededQuery*>(this));
    interfaceTable.Register(IRegKeyInstallNotify::InterfaceName,
                            static_cast<IRegKeyInstallNotify*>(this));
    interfaceTable.Register(IUnregisterPNPDriverNotify::InterfaceName,
                            static_cast<IUnregisterPNPDriverNotify*>(this));
    interfaceTable.Register(IRegisterPNPDriverNotify::InterfaceName,
                            static_cast<IRegisterPNPDriverNotify*>(this));
    interfaceTable.Register(IDeinstallFileNotify::InterfaceName,
                            static_cast<IDeinstallFileNotify*>(this));
    interfaceTable.Register(IDeinstallFileNeededQuery::InterfaceName,
                            static_cast<IDeinstallFileNeededQuery*>(this));
    interfaceTable.Register(IDeleteRegKeyNotify::InterfaceName,
                            static_cast<IDeleteRegKeyNotify*>(this));
    interfaceTable.Register(IRegisterCOMModuleNotify::InterfaceName,
                            static_cast<IRegisterCOMModuleNotify*>(this));
    interfaceTable.Register(IInstallRegDWORDValueNotify::InterfaceName,
                            static_cast<IInstallRegDWORDValueNotify*>(this));
    interfaceTable.Register(IInstallRegSTRINGValueNotify::InterfaceName,
                            static_cast<IInstallRegSTRINGValueNotify*>(this));
    interfaceTable.Register(IUnregsiterCOMModuleNotify::InterfaceName,
                            static_cast<IUnregsiterCOMModuleNotify*>(this));
    interfaceTable.Register(IRegATLServiceNotify::InterfaceName,
                            static_cast<IRegATLServiceNotify*>(this));
    interfaceTable.Register(IRegisterZentavoNotify::InterfaceName,
                            static_cast<IRegisterZentavoNotify*>(this));
    interfaceTable.Register(IEarlierWorkNotify::InterfaceName,
                            static_cast<IEarlierWorkNotify*>(this));
}

CMainInstall::~CMainInstall() = default;

SSETUP::IClientNotifyContext2* CMainInstall::QueryNotifyInterface(const char* name) {
    return interfaceTable.Find(name);
}

int CMainInstall::Run(const char* commandLine, int variant) {
    const int initialized = Initialize(commandLine);
    if (initialized != 0) {
        return initialized;
    }
    factory->SetDriversOnly(variant == 2);
    SDP::singleton_auto_pointer<COptions> options;
    if (!options->IsQuiet() && instanceGuard->IsAlreadyLaunched()) {
        return RESULT_FAILED;
    }
    if (!IsWindows9xFamily()) {
        if (!options->IsQuiet()) {
            ShowErrorMessage(nullptr, SLANG::LoadText(IDS_NOT_9X).c_str(),
                             GetMessageCaption().c_str(), errorStyle, 1);
        }
        return RESULT_NOT_9X;
    }
    if (!options->Has(SSetupOptions::OPT_UNINSTALL) && !CheckDistributive(nullptr)) {
        return RESULT_FAILED;
    }
    if (options->IsQuiet()) {
        const int rc = options->Has(SSetupOptions::OPT_UNINSTALL) ? UninstallDrivers()
                                                                  : InstallDrivers(nullptr);
        if (rc == RESULT_REBOOT_NEEDED) {
            RebootIfNeeded();
        }
        return rc;
    }
    for (;;) {
        CMainDialog dialog;
        dialog.SetDriversInstalled(CanUninstall());
        dialog.SetVersionText(GetVersionLabelText(variant).c_str());
        const INT_PTR button = dialog.DoModal(GetActiveWindow());
        if (button == -1) {
            // No template or no desktop: showing it again would fail the same way forever.
            return RESULT_FAILED;
        }
        int rc = RESULT_DONE;
        if (button == IDC_INSTALL) {
            rc = InstallDrivers(nullptr);
        } else if (button == IDC_UNINSTALL) {
            rc = UninstallDrivers();
        }
        osManager->GetOperations()->RemoveSetupTempFolders();
        if (rc == RESULT_REBOOT_NEEDED && RebootIfNeeded()) {
            return RESULT_REBOOT_NEEDED;
        }
        if (button == IDCANCEL) {
            return rc;
        }
    }
}

int CMainInstall::Initialize(const char* commandLine) {
    SDP::singleton_auto_pointer<COptions> options;
    options->Clear();
    options->Parse(commandLine);
    if (options->GetLanguage() == SSetupOptions::LANGUAGE_RUSSIAN) {
        SLANG::SetLanguage(SLANG::LANG_ID_RUSSIAN);
    } else if (options->GetLanguage() == SSetupOptions::LANGUAGE_ENGLISH) {
        SLANG::SetLanguage(SLANG::LANG_ID_ENGLISH);
    }
    if (options->Has(SSetupOptions::OPT_UNKNOWN) || options->Has(SSetupOptions::OPT_HELP)) {
        CShowHelpDlg usage;
        usage.DoModal(nullptr);
        return RESULT_USAGE_SHOWN;
    }
    if (options->IsLogRequested()) {
        std::string path = options->GetLogPath();
        if (path.empty()) {
            path = GetDefaultLogPath();
        }
        // A log that cannot be opened is not reported: the run goes on without one.
        log.Open(path.c_str());
    }
    return 0;
}

std::string CMainInstall::GetDefaultLogPath() const {
    const std::string modulePath = GetModulePath();
    const std::string::size_type dot = modulePath.rfind('.');
    const std::string stem =
        dot == std::string::npos || dot == 0 ? modulePath : modulePath.substr(0, dot);
    return stem + ".Log";
}

std::string CMainInstall::GetVersionLabelText(int variant) const {
    if (variant != 2) {
        return std::string();
    }
    const std::string driverPath =
        factory->GetFilePath(CPackageLayout::FileReaderDriver, CPackageLayout::PackageFolder);
    return SFileVersions::ReadVersionString(driverPath.c_str(), "ProductVersion");
}

bool CMainInstall::IsWindows9xFamily() const {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    return GetVersionExA(&version) && IsWindows9xVersion(version);
}

bool CMainInstall::IsWindows9xVersion(const OSVERSIONINFOA& version) {
    return version.dwMajorVersion == 4 && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool CMainInstall::CheckDistributive(HWND owner) {
    std::unique_ptr<SSETUP::ISetupOperation> procedure;
    try {
        procedure = CreateInstallProcedure();
    } catch (...) {
    }
    if (!procedure) {
        RefusePackage(owner, factory->GetFilePath(CPackageLayout::FileReaderDriver,
                                                  CPackageLayout::PackageFolder));
        return false;
    }
    SSetupVisitors::CCheckDistributive visitor;
    procedure->Accept(visitor);
    if (!visitor.IsComplete()) {
        const std::list<std::string> missing = visitor.GetMissingFiles();
        RefusePackage(owner, missing.empty() ? std::string() : missing.front());
        return false;
    }
    return true;
}

void CMainInstall::RefusePackage(HWND owner, const std::string& missingPath) {
    // A quiet run shows no box: the log is where an administrator learns why.
    const std::string folder = CPackageLayout::GetDistributiveFolder();
    if (!osManager->GetOperations()->DirectoryExists(folder.c_str())) {
        log.Printf("Package folder '%s' does not exist. Installation is terminated.\n",
                   folder.c_str());
    } else {
        log.Printf("%s\n",
                   FormatText(IDS_FILE_MISSING, missingPath, SLANG::LANG_ID_ENGLISH).c_str());
    }
    ShowErrorMessage(owner, FormatText(IDS_FILE_MISSING, missingPath).c_str(),
                     GetMessageCaption().c_str(), errorStyle, 1);
}

DWORD CMainInstall::GetMachineLockLimit() const {
    return CMachineLock::DefaultLimitMs;
}

bool CMainInstall::TakeMachineLock(CMachineLock& lock, UINT waitDialog) {
    SDP::singleton_auto_pointer<COptions> options;
    CRunDummyDialogBox pleaseWait;
    const bool taken = lock.Acquire(GetMachineLockLimit(), [&]() {
        log.Printf("Another copy of Zentavo drivers setup is changing the system. Waiting for it "
                   "... \n");
        if (!options->IsQuiet()) {
            pleaseWait.Create(waitDialog, nullptr);
        }
    });
    pleaseWait.Destroy();
    if (!taken) {
        log.Printf("Another copy of Zentavo drivers setup is still running. Waited %lu minutes, "
                   "giving up !!! \n",
                   static_cast<unsigned long>(GetMachineLockLimit() / 60000));
    }
    return taken;
}

bool CMainInstall::PerformProcedure(SSETUP::ISetupOperation& procedure,
                                    SSETUP::CContextDefault& context) {
    // The operation framework lets failures of its layers pass; one that reaches here ends
    // the flow as failed instead of ending the program.
    try {
        return procedure.Perform(context);
    } catch (...) {
        return false;
    }
}

int CMainInstall::InstallDrivers(HWND) {
    SSETUP::CContextDefault context(
        QueryNotifyInterface(SSETUP::IClientNotifyContext2::InterfaceName));
    SDP::singleton_auto_pointer<COptions> options;
    int rc = RESULT_DONE;
    WriteLogHeader("installation");
    log.Printf("\n\n\n");
    if (!SZentavoManager::CWinSCardApi::Get().IsLoaded()) {
        // Without the resource manager the card type cannot be made known: refused before
        // anything is changed.
        log.Printf("Smart card components of Windows are missing: WinSCard.dll can not be "
                   "loaded (Sys ecode = %lu). Installation is terminated.\n",
                   static_cast<unsigned long>(GetLastError()));
        ShowErrorMessage(nullptr, SLANG::LoadText(IDS_NO_SMARTCARD).c_str(),
                         GetMessageCaption().c_str(), errorStyle, 1);
        return RESULT_FAILED;
    }
    CMachineLock lock;
    if (!TakeMachineLock(lock, IDD_INSTALL_WAIT)) {
        ShowErrorMessage(nullptr, SLANG::LoadText(IDS_INSTALL_FAILED).c_str(),
                         GetMessageCaption().c_str(), errorStyle, 1);
        return RESULT_FAILED;
    }
    std::unique_ptr<SSETUP::ISetupOperation> procedure;
    try {
        procedure = CreateInstallProcedure();
    } catch (...) {
    }
    if (!procedure) {
        log.Printf("Detected, that Driver ZVIFDH has incorrect version ... \n");
        log.Printf("ABORTINT Installation ...\n");
        ShowErrorMessage(nullptr, SLANG::LoadText(IDS_BAD_PACKAGE_VERSION).c_str(),
                         GetMessageCaption().c_str(), errorStyle, 1);
        return RESULT_FAILED;
    }
    overwriteMode = AskOverwrite(*procedure);
    if (overwriteMode == OVERWRITE_NOTHING) {
        return RESULT_DONE;
    }
    CRunDummyDialogBox pleaseWait;
    if (!options->IsQuiet()) {
        pleaseWait.Create(IDD_INSTALL_WAIT, nullptr);
    }
    const bool ok = PerformProcedure(*procedure, context);
    lock.Release();
    rc = !ok ? RESULT_FAILED : context.IsRebootNeeded() ? RESULT_REBOOT_NEEDED : RESULT_DONE;
    if (!options->IsQuiet()) {
        pleaseWait.Destroy();
    }
    if (rc != RESULT_FAILED) {
        ShowInfoMessage(nullptr, SLANG::LoadText(IDS_INSTALLED).c_str(),
                        GetMessageCaption().c_str(), infoStyle, 1);
        log.Printf("\n\nFinishing installation WITH SUCCESS \n==============================\n\n");
    } else {
        ShowErrorMessage(nullptr, SLANG::LoadText(IDS_INSTALL_FAILED).c_str(),
                         GetMessageCaption().c_str(), errorStyle, 1);
        log.Printf("\n\n!!!! Installation FAILED !!!! \n==============================\n\n");
    }
    return rc;
}

int CMainInstall::AskOverwrite(SSETUP::ISetupOperation& procedure) {
    SDP::singleton_auto_pointer<COptions> options;
    if (options->Has(SSetupOptions::OPT_OVERWRITE)) {
        return OVERWRITE_ALL;
    }
    SSetupVisitors::CSeekForFresherFilesVisitor visitor;
    procedure.Accept(visitor);
    const auto fresherFiles = visitor.GetFresherFiles();
    if (fresherFiles.empty()) {
        return OVERWRITE_ALL;
    }
    log.Printf("Detected, that installed version freasher !!! \n");
    if (options->IsQuiet()) {
        log.Printf("In quiet mode !!! Check option /O ... ");
        log.Printf("option /O is OFF ( overwriting doesn't needed ) ... \n");
        return OVERWRITE_NOTHING;
    }
    log.Printf("Option /Q (Quiet) does not set. Asking for overwriting ...\n");
    return AskOverwriteDialog(fresherFiles, fresherFiles.size() == visitor.comparedCount);
}

int CMainInstall::AskOverwriteDialog(
    const std::list<SSetupVisitors::CSeekForFresherFilesVisitor::CFresherFile>& files,
    bool allNewer) {
    std::vector<CSomeFilesFresherDlg::CRow> rows;
    for (const auto& file : files) {
        rows.push_back({SSETUPOS::GetFileNamePart(file.packagePath), file.packageVersion,
                        file.installedVersion});
    }
    CSomeFilesFresherDlg dialog(rows, allNewer);
    dialog.DoModal(nullptr);
    switch (dialog.GetAnswer()) {
    case CSomeFilesFresherDlg::AnswerReinstallAll:
        log.Printf("User Selected 'Overwrite all files !!!' \n");
        return OVERWRITE_ALL;
    case CSomeFilesFresherDlg::AnswerOnlyNew:
        log.Printf("User Selected 'Overwrite only fresher files !!!' \n");
        return OVERWRITE_ONLY_FRESHER;
    case CSomeFilesFresherDlg::AnswerCancel:
        log.Printf("User does not want install older version !!! \n");
        return OVERWRITE_NOTHING;
    default:
        return OVERWRITE_NOTHING;
    }
}

int CMainInstall::UninstallDrivers() {
    SSETUP::CContextDefault context(
        QueryNotifyInterface(SSETUP::IClientNotifyContext2::InterfaceName));
    SDP::singleton_auto_pointer<COptions> options;
    int rc = RESULT_DONE;
    reportUninstallFailure = true;
    uninstallAbortReason = 0;
    CMachineLock lock;
    if (!TakeMachineLock(lock, IDD_UNINSTALL_WAIT)) {
        ShowErrorMessage(nullptr, SLANG::LoadText(IDS_UNINSTALL_FAILED).c_str(),
                         GetMessageCaption().c_str(), errorStyle, 1);
        return RESULT_FAILED;
    }
    std::unique_ptr<SSETUP::ISetupOperation> procedure;
    try {
        procedure = CreateUninstallProcedure();
    } catch (...) {
    }
    if (!procedure) {
        log.Printf("\n\n Can not recognize ZVIFDH driver version. Deinstallation will be aborted "
                   "!!! \n\n\n");
        ShowErrorMessage(nullptr, SLANG::LoadText(IDS_BAD_INSTALLED_VERSION).c_str(),
                         GetMessageCaption().c_str(), errorStyle, 1);
        return RESULT_FAILED;
    }
    WriteLogHeader(" deinstallation ");
    CRunDummyDialogBox pleaseWait;
    if (!options->IsQuiet()) {
        pleaseWait.Create(IDD_UNINSTALL_WAIT, nullptr);
    }
    const bool ok = PerformProcedure(*procedure, context);
    lock.Release();
    if (!ok) {
        rc = uninstallAbortReason == 1 ? RESULT_UNINSTALL_REFUSED : RESULT_FAILED;
    } else {
        rc = context.IsRebootNeeded() ? RESULT_REBOOT_NEEDED : RESULT_DONE;
    }
    if (!options->IsQuiet()) {
        pleaseWait.Destroy();
    }
    if (rc == RESULT_DONE || rc == RESULT_REBOOT_NEEDED) {
        ShowInfoMessage(nullptr, SLANG::LoadText(IDS_UNINSTALLED).c_str(),
                        GetMessageCaption().c_str(), infoStyle, 1);
        log.Printf("\n\nFinishing destallation WITH SUCCESS \n==============================\n\n");
    } else {
        if (reportUninstallFailure) {
            ShowErrorMessage(nullptr, SLANG::LoadText(IDS_UNINSTALL_FAILED).c_str(),
                             GetMessageCaption().c_str(), errorStyle, 1);
        }
        log.Printf("\n\n!!!! Deinstallation FAILED !!!! \n==============================\n\n");
    }
    return rc;
}

bool CMainInstall::RebootIfNeeded() {
    SDP::singleton_auto_pointer<COptions> options;
    if (options->Has(SSetupOptions::OPT_NO_REBOOT)) {
        log.Printf("option /NORB is set. OS rebooting doesn't needed \n");
        return false;
    }
    log.Printf("option /NORB doesn't set. Trying to reboot OS \n");
    if (!options->IsQuiet() || options->Has(SSetupOptions::OPT_ASK_REBOOT)) {
        const int answer = ShowMessage(nullptr, SLANG::LoadText(IDS_REBOOT_QUESTION).c_str(),
                                       GetMessageCaption().c_str(), questionStyle);
        if (answer != IDYES) {
            log.Printf("User does not want reboot right now !!! \n");
            return false;
        }
        log.Printf("User want to reboot right now. Proceeding reboot \n");
    }
    osManager->GetOperations()->ShutdownSystem(EWX_REBOOT);
    return true;
}

void CMainInstall::WriteLogHeader(const char* what) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    log.Printf("\n\n==================================\n");
    log.Printf("Starting %s at %04d/%02d/%02d   %02d:%02d:%02d \n", what, now.wYear, now.wMonth,
               now.wDay, now.wHour, now.wMinute, now.wSecond);
    log.Printf("\n\n");
    SSETUPOS::IOsDependOperations& os = *osManager->GetOperations();
    log.Printf("System Info : \n------------- \nOS : %s \nWinDir : %s \nSystem Dir : %s \n",
               SLANG::GetOSName().c_str(), os.GetWindowsDir().c_str(), os.GetSystemDir().c_str());
    log.Printf("\n\n==================================\n\n");
    if (osManager->IsNTPlatform()) {
        log.Printf("NT Based OS !!! Checking User Account ... \n");
        char userName[257] = {};
        DWORD size = sizeof(userName);
        GetUserNameA(userName, &size);
        log.Printf("Current User : '%s', %s \n", userName,
                   CInstanceGuard::IsUserAdmin()
                       ? "user BELONGs to ADMINISTRATORS GROUP !!! "
                       : "user DOES NOT BELONGs to ADMINISTRATORS GROUP !!! ");
    }
    const std::string modulePath = GetModulePath();
    const std::string versionText =
        SFileVersions::ReadVersionString(modulePath.c_str(), "FileVersion");
    VS_FIXEDFILEINFO fixed = {};
    SFileVersions::ReadFixedInfo(modulePath.c_str(), fixed);
    log.Printf("This Module Version (string presentation) : '%s', ", versionText.c_str());
    log.Printf("This Module Version (Numeric presentation) : %d.%d.%d.%d \n\n\n",
               HIWORD(fixed.dwFileVersionMS), LOWORD(fixed.dwFileVersionMS),
               HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));
}

std::unique_ptr<SSETUP::ISetupOperation> CMainInstall::CreateInstallProcedure() {
    return factory->CreateInstall();
}

std::unique_ptr<SSETUP::ISetupOperation> CMainInstall::CreateUninstallProcedure() {
    return factory->CreateUninstall();
}

bool CMainInstall::CanUninstall() {
    try {
        return CreateUninstallProcedure() != nullptr;
    } catch (...) {
        return false;
    }
}

int CMainInstall::ShowMessage(HWND owner, const char* text, const char* caption, UINT style) {
    MSGBOXPARAMSA box = {};
    box.cbSize = sizeof(box);
    box.hwndOwner = owner;
    box.hInstance = SLANG::GetResourceModule();
    box.lpszText = text;
    box.lpszCaption = caption;
    box.dwStyle = style;
    box.dwLanguageId = SLANG::GetCurrentLanguage();
    return MessageBoxIndirectA(&box);
}

int CMainInstall::ShowErrorMessage(HWND owner, const char* text, const char* caption, UINT style,
                                   int hiddenResult) {
    SDP::singleton_auto_pointer<COptions> options;
    if (options->IsQuiet() && !options->IsErrorDisplayForced()) {
        return hiddenResult;
    }
    return ShowMessage(owner, text, caption, style);
}

int CMainInstall::ShowInfoMessage(HWND owner, const char* text, const char* caption, UINT style,
                                  int hiddenResult) {
    SDP::singleton_auto_pointer<COptions> options;
    if (options->IsQuiet()) {
        return hiddenResult;
    }
    return ShowMessage(owner, text, caption, style);
}

std::string CMainInstall::GetMessageCaption() {
    return SLANG::LoadText(IDS_CAPTION);
}

} // namespace SINSTALL
