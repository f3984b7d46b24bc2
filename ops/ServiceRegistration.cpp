#include "ops/ServiceRegistration.h"
#include "ops/DeinstallFile.h"
#include "ops/InstallFile.h"
#include "ops/RunProcess.h"
#include "ops/ServiceControl.h"

namespace SRegATLService {

namespace {

// How long a service is given to reach the wanted state: 60 queries one second apart.
const int StatePolls = 60;
const DWORD PollInterval = 1000;

struct CControlOutcome {
    bool found;   // the service could be opened
    bool reached; // it reached the awaited state
    DWORD code;   // 0, or the system error that ended the attempt
};

// Opens the service, sends it request and waits for awaitedState.
template <class Request>
CControlOutcome DriveService(const std::string& name, Request request, DWORD awaitedState) {
    using namespace SServControl;
    CControlOutcome outcome = {false, false, 0};
    try {
        const CServiceHandle manager = OpenManager(SC_MANAGER_ALL_ACCESS);
        const CServiceHandle service = OpenServiceByName(manager, name.c_str(), SERVICE_ALL_ACCESS);
        outcome.found = true;
        request(service);
        for (int poll = 1; poll <= StatePolls; ++poll) {
            SERVICE_STATUS status = {};
            QueryStatus(service, status);
            if (status.dwCurrentState == awaitedState) {
                outcome.reached = true;
                break;
            }
            if (poll < StatePolls) {
                Sleep(PollInterval);
            }
        }
    } catch (const CSystemErrorException& error) {
        outcome.code = error.GetError();
    }
    return outcome;
}

} // namespace

CRegisterATLServiceBaseCode::CRegisterATLServiceBaseCode(const char* executablePath,
                                                         const char* serviceName)
    : CSetupOperationsDefault(true), executablePath(executablePath ? executablePath : ""),
      serviceName(serviceName ? serviceName : "") {}

DWORD CRegisterATLServiceBaseCode::RunExecutable(const char* argument) const {
    // The switch is the whole command line the service program receives.
    const SSETUPCOMDLL::CProcessOutcome outcome =
        SSETUPCOMDLL::RunAndWait(executablePath.c_str(), argument);
    return outcome.started ? outcome.code : ExecutableNotStarted;
}

void CRegisterATLServiceBaseCode::Notify(SSETUP::IContext& context, ServiceAction action,
                                         bool succeeded, const std::string& path,
                                         DWORD code) const {
    const ServiceEvent record = {action,      succeeded, action == ServiceRegistration,
                                 serviceName, path,      code};
    SSETUP::SendNotify<IRegATLServiceNotify>(context, record);
}

bool CRegisterATLServiceBaseCode::Register(SSETUP::IContext& context, Report report) {
    const DWORD result = RunExecutable("/Service");
    if (report == Report::Always || result != 0) {
        Notify(context, ServiceRegistration, result == 0, executablePath, result);
    }
    return result == 0;
}

bool CRegisterATLServiceBaseCode::StopService(SSETUP::IContext& context, bool* serviceFound) {
    SERVICE_STATUS status = {};
    const CControlOutcome outcome = DriveService(
        serviceName,
        [&status](const SServControl::CServiceHandle& service) {
            SServControl::Control(service, SERVICE_CONTROL_STOP, status);
        },
        SERVICE_STOPPED);
    Notify(context, ServiceStop, outcome.reached, std::string(), outcome.code);
    if (serviceFound != nullptr) {
        *serviceFound = outcome.found;
    }
    return outcome.reached;
}

bool CRegisterATLServiceBaseCode::LaunchService(SSETUP::IContext& context) {
    const CControlOutcome outcome = DriveService(
        serviceName,
        [](const SServControl::CServiceHandle& service) { SServControl::Start(service); },
        SERVICE_RUNNING);
    Notify(context, ServiceStart, outcome.reached, std::string(), outcome.code);
    return outcome.reached;
}

bool CRegisterATLServiceBaseCode::Unregister(SSETUP::IContext& context) {
    bool serviceFound = false;
    StopService(context, &serviceFound);
    const DWORD result = RunExecutable("/UnRegServer");
    Notify(context, ServiceUnregistration, result == 0, executablePath, result);
    return serviceFound && result == 0;
}

bool CRegisterATLService::Perform(SSETUP::IContext& context) {
    if (IsPerformed()) {
        return false;
    }
    if (!Register(context, Report::Always)) {
        // A failed registration may have written part of its entries, or all of them when
        // only its result was lost: the service takes them out before it goes.
        RunExecutable("/UnRegServer");
        return false;
    }
    performed = true;
    // A service that does not start is only reported: it is registered all the same.
    LaunchService(context);
    return true;
}

bool CRegisterATLService::Rollback(SSETUP::IContext& context) {
    if (!IsPerformed()) {
        return true;
    }
    Unregister(context);
    performed = false;
    return true;
}

bool CUnRegisterATLService::Perform(SSETUP::IContext& context) {
    if (IsPerformed()) {
        return true;
    }
    // Only a service that was there and is gone now is registered again by the rollback;
    // the outcome is reported and never stops the installation.
    performed = Unregister(context);
    return true;
}

bool CUnRegisterATLService::Rollback(SSETUP::IContext& context) {
    if (!IsPerformed()) {
        return true;
    }
    // Only a failure is logged: the service the run found is gone for good then.
    Register(context, Report::FailureOnly);
    performed = false;
    return true;
}

CInstallATLService::CInstallATLService(const char* sourcePath, const char* targetPath,
                                       const char* serviceName)
    : COperationSet(true, new CUnRegisterATLService(targetPath, serviceName),
                    new SSETUP::CInstallFile(sourcePath, targetPath, true),
                    new CRegisterATLService(targetPath, serviceName), nullptr) {}

CUnInstallATLService::CUnInstallATLService(const char* path, const char* serviceName)
    : COperationSet(true, new CUnRegisterATLService(path, serviceName),
                    new SSETUP::CDeinstallFile(path, false), nullptr) {}

} // namespace SRegATLService
