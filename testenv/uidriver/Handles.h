#pragma once
// Owners of the few kernel and window-station objects the driver opens.
#include "os/Handles.h"
#include <windows.h>

#include <cstddef>

namespace UIDRIVER {

// Kernel handles: the installer's own owner.
using SSETUPOS::CHandle;

class CDesktop {
public:
    explicit CDesktop(HDESK desktop) : desktop(desktop) {}
    ~CDesktop() {
        if (desktop != nullptr) {
            CloseDesktop(desktop);
        }
    }
    CDesktop(const CDesktop&) = delete;
    CDesktop& operator=(const CDesktop&) = delete;

    HDESK Get() const { return desktop; }

private:
    HDESK desktop;
};

// A block of memory inside another process: list views take and fill structures whose
// pointers must be valid in their own address space.
class CRemoteMemory {
public:
    CRemoteMemory(HANDLE process, size_t size)
        : process(process),
          base(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)), size(size) {}
    ~CRemoteMemory() {
        if (base != nullptr) {
            VirtualFreeEx(process, base, 0, MEM_RELEASE);
        }
    }
    CRemoteMemory(const CRemoteMemory&) = delete;
    CRemoteMemory& operator=(const CRemoteMemory&) = delete;

    bool IsValid() const { return base != nullptr; }
    char* Address(size_t offset) const { return static_cast<char*>(base) + offset; }
    size_t Size() const { return size; }

    bool Write(size_t offset, const void* data, size_t count) const {
        SIZE_T written = 0;
        return offset + count <= size &&
               WriteProcessMemory(process, Address(offset), data, count, &written) &&
               written == count;
    }
    bool Read(size_t offset, void* data, size_t count) const {
        SIZE_T read = 0;
        return offset + count <= size &&
               ReadProcessMemory(process, Address(offset), data, count, &read) && read == count;
    }
    // Reads from any address of the process (a control may point at its own storage).
    bool ReadAt(const void* address, void* data, size_t count) const {
        SIZE_T read = 0;
        return ReadProcessMemory(process, address, data, count, &read) && read == count;
    }

private:
    HANDLE process;
    void* base;
    size_t size;
};

} // namespace UIDRIVER
