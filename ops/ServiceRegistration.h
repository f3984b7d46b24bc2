#pragma once
// Service registration and control: a self-registering service executable installed,
// registered ("/Service") and started, or stopped, unregistered ("/UnRegServer") and removed.
#include "setup/Context.h"
#include "setup/SetupOperation.h"
#include <windows.h>
#include <string>

namespace SRegATLService {

enum ServiceAction : DWORD {
    ServiceRegistration = 1,
    ServiceUnregistration = 2,
    ServiceStop = 3,
    ServiceStart = 4,
};

// The code of a registration record whose executable could not be started.
const DWORD ExecutableNotStarted = static_cast<DWORD>(-1);

struct ServiceEvent {
    ServiceAction action;
    bool succeeded;
    bool registration; // true in registration records only
    std::string serviceName;
    std::string executablePath; // empty in stop and start records
    // Registration and unregistration: the executable's exit code (-1: not started);
    // stop and start: 0 or the system error that ended the attempt.
    DWORD code;
};

class IRegATLServiceNotify : public SSETUP::IClientNotifyContext2 {
public:
    static constexpr const char* InterfaceName = "IRegATLServiceNotify";
    const char* GetInterfaceName() const override { return InterfaceName; }
    virtual void Notify(const ServiceEvent& record) = 0;

protected:
    ~IRegATLServiceNotify() = default;
};

// The steps the registering operations share. Every step reports through
// IRegATLServiceNotify.
class CRegisterATLServiceBaseCode : public SSETUP::CSetupOperationsDefault {
public:
    CRegisterATLServiceBaseCode(const char* executablePath, const char* serviceName);

protected:
    enum class Report { Always, FailureOnly };
    // Runs the executable with "/Service"; true when it exited with 0.
    bool Register(SSETUP::IContext& context, Report report);
    // Stops the service and waits for it; serviceFound (may be null) tells whether the
    // service could be opened at all. True when it stopped.
    bool StopService(SSETUP::IContext& context, bool* serviceFound = nullptr);
    // Starts the service and waits for it to run; true when it runs.
    bool LaunchService(SSETUP::IContext& context);
    // Stops the service, then runs the executable with "/UnRegServer". True when the
    // service was there and the executable exited with 0.
    bool Unregister(SSETUP::IContext& context);

    // Runs the executable with the one switch as its whole command line: its exit code, or
    // ExecutableNotStarted.
    DWORD RunExecutable(const char* argument) const;

    const std::string executablePath;
    const std::string serviceName;

private:
    void Notify(SSETUP::IContext& context, ServiceAction action, bool succeeded,
                const std::string& path, DWORD code) const;
};

// Registers the service and starts it; the rollback unregisters it.
class CRegisterATLService : public CRegisterATLServiceBaseCode {
public:
    CRegisterATLService(const char* executablePath, const char* serviceName)
        : CRegisterATLServiceBaseCode(executablePath, serviceName) {}

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    void Accept(SSetupVisitor::IVisitor&) override {}
};

// Stops and unregisters a service left by an earlier installation; the rollback registers
// it again (not started).
class CUnRegisterATLService : public CRegisterATLServiceBaseCode {
public:
    CUnRegisterATLService(const char* executablePath, const char* serviceName)
        : CRegisterATLServiceBaseCode(executablePath, serviceName) {}

    bool Perform(SSETUP::IContext& context) override;
    bool Rollback(SSETUP::IContext& context) override;
    bool IsCritical() const override { return false; }
    void Accept(SSetupVisitor::IVisitor&) override {}
};

// Removes an earlier service, copies the executable and registers and starts the service.
class CInstallATLService : public SSETUP::COperationSet {
public:
    CInstallATLService(const char* sourcePath, const char* targetPath, const char* serviceName);
};

// Stops and unregisters the service, then deletes its executable.
class CUnInstallATLService : public SSETUP::COperationSet {
public:
    CUnInstallATLService(const char* path, const char* serviceName);
};

} // namespace SRegATLService
