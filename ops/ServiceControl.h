#pragma once
// Thin wrappers around the service control manager: counted handles, and calls that throw
// CSystemErrorException with the system error code when they fail.
#include <windows.h>

namespace SServControl {

class CSystemErrorException {
public:
    explicit CSystemErrorException(DWORD error) : error(error) {}
    DWORD GetError() const { return error; }

private:
    DWORD error;
};

// A service control manager or service handle shared by its copies; the last one closes it.
class CServiceHandle {
public:
    CServiceHandle() = default;
    // Takes over handle (not null).
    explicit CServiceHandle(SC_HANDLE handle);
    CServiceHandle(const CServiceHandle& other);
    CServiceHandle& operator=(const CServiceHandle& other);
    ~CServiceHandle();

    SC_HANDLE Get() const { return shared ? shared->handle : nullptr; }

private:
    struct CShared {
        LONG count;
        SC_HANDLE handle;
    };
    void Release();

    CShared* shared = nullptr;
};

// The local machine's service control manager, default database.
CServiceHandle OpenManager(DWORD access);
CServiceHandle OpenServiceByName(const CServiceHandle& manager, const char* name, DWORD access);
void Control(const CServiceHandle& service, DWORD control, SERVICE_STATUS& status);
void QueryStatus(const CServiceHandle& service, SERVICE_STATUS& status);
// Without arguments.
void Start(const CServiceHandle& service);

} // namespace SServControl
