// The resource manager contexts open in this process and their scopes.
#pragma once

#include <windows.h>
#include <winscard.h>
#include <utility>
#include <vector>

namespace WINSCARD_STANDIN {

class CLock {
public:
    explicit CLock(CRITICAL_SECTION* section) : section_(section) {
        EnterCriticalSection(section_);
    }
    ~CLock() { LeaveCriticalSection(section_); }
    CLock(const CLock&) = delete;
    CLock& operator=(const CLock&) = delete;

private:
    CRITICAL_SECTION* section_;
};

class CContextTable {
public:
    CContextTable() { InitializeCriticalSection(&lock_); }
    ~CContextTable() { DeleteCriticalSection(&lock_); }
    CContextTable(const CContextTable&) = delete;
    CContextTable& operator=(const CContextTable&) = delete;

    // A new handle, never 0 and never given out before in this process.
    SCARDCONTEXT Add(DWORD scope);
    bool Remove(SCARDCONTEXT context);
    bool ScopeOf(SCARDCONTEXT context, DWORD* scope);

private:
    CRITICAL_SECTION lock_;
    std::vector<std::pair<SCARDCONTEXT, DWORD>> contexts_;
    SCARDCONTEXT lastHandle_ = 0xCA1A0000;
};

// Memory blocks handed out for SCARD_AUTOALLOCATE; freeing a block that is not one of them
// (twice, or a foreign pointer) is refused instead of corrupting the heap.
class CMemoryBlocks {
public:
    CMemoryBlocks() { InitializeCriticalSection(&lock_); }
    ~CMemoryBlocks() { DeleteCriticalSection(&lock_); }
    CMemoryBlocks(const CMemoryBlocks&) = delete;
    CMemoryBlocks& operator=(const CMemoryBlocks&) = delete;

    // A block of size bytes, or nullptr.
    void* Allocate(size_t size);
    // False when the block was not handed out by Allocate or is already freed.
    bool Free(const void* block);

private:
    CRITICAL_SECTION lock_;
    std::vector<const void*> blocks_;
};

} // namespace WINSCARD_STANDIN
