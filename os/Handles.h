#pragma once
// Kernel handles closed with their owner.
#include <windows.h>
#include <string>

namespace SSETUPOS {

// A handle that a system call fills in (Receive) or that is given at construction; closed
// unless it is null or INVALID_HANDLE_VALUE.
class CHandle {
public:
    CHandle() = default;
    explicit CHandle(HANDLE handle) : handle(handle) {}
    ~CHandle() {
        if (IsValid()) {
            CloseHandle(handle);
        }
    }
    CHandle(const CHandle&) = delete;
    CHandle& operator=(const CHandle&) = delete;

    bool IsValid() const { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    HANDLE* Receive() { return &handle; }
    HANDLE Get() const { return handle; }

private:
    HANDLE handle = nullptr;
};

// An existing file opened for reading; others may read it meanwhile.
class CReadOnlyFile : public CHandle {
public:
    explicit CReadOnlyFile(const std::string& path)
        : CHandle(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
};

} // namespace SSETUPOS
