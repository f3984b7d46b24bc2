#include "ops/ServiceControl.h"

namespace SServControl {

CServiceHandle::CServiceHandle(SC_HANDLE handle) : shared(new CShared{1, handle}) {}

CServiceHandle::CServiceHandle(const CServiceHandle& other) : shared(other.shared) {
    if (shared != nullptr) {
        InterlockedIncrement(&shared->count);
    }
}

CServiceHandle& CServiceHandle::operator=(const CServiceHandle& other) {
    if (other.shared != shared) {
        Release();
        shared = other.shared;
        if (shared != nullptr) {
            InterlockedIncrement(&shared->count);
        }
    }
    return *this;
}

CServiceHandle::~CServiceHandle() {
    Release();
}

void CServiceHandle::Release() {
    if (shared != nullptr && InterlockedDecrement(&shared->count) == 0) {
        CloseServiceHandle(shared->handle);
        delete shared;
    }
    shared = nullptr;
}

CServiceHandle OpenManager(DWORD access) {
    const SC_HANDLE handle = OpenSCManagerA(nullptr, nullptr, access);
    if (handle == nullptr) {
        throw CSystemErrorException(GetLastError());
    }
    return CServiceHandle(handle);
}

CServiceHandle OpenServiceByName(const CServiceHandle& manager, const char* name, DWORD access) {
    const SC_HANDLE handle = OpenServiceA(manager.Get(), name, access);
    if (handle == nullptr) {
        throw CSystemErrorException(GetLastError());
    }
    return CServiceHandle(handle);
}

void Control(const CServiceHandle& service, DWORD control, SERVICE_STATUS& status) {
    if (!ControlService(service.Get(), control, &status)) {
        throw CSystemErrorException(GetLastError());
    }
}

void QueryStatus(const CServiceHandle& service, SERVICE_STATUS& status) {
    if (!QueryServiceStatus(service.Get(), &status)) {
        throw CSystemErrorException(GetLastError());
    }
}

void Start(const CServiceHandle& service) {
    if (!StartServiceA(service.Get(), 0, nullptr)) {
        throw CSystemErrorException(GetLastError());
    }
}

} // namespace SServControl
