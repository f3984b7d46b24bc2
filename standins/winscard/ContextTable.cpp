#include "ContextTable.h"

namespace WINSCARD_STANDIN {

SCARDCONTEXT CContextTable::Add(DWORD scope) {
    CLock lock(&lock_);
    ++lastHandle_;
    contexts_.emplace_back(lastHandle_, scope);
    return lastHandle_;
}

bool CContextTable::Remove(SCARDCONTEXT context) {
    CLock lock(&lock_);
    for (auto it = contexts_.begin(); it != contexts_.end(); ++it) {
        if (it->first == context) {
            contexts_.erase(it);
            return true;
        }
    }
    return false;
}

bool CContextTable::ScopeOf(SCARDCONTEXT context, DWORD* scope) {
    CLock lock(&lock_);
    for (const auto& entry : contexts_) {
        if (entry.first == context) {
            *scope = entry.second;
            return true;
        }
    }
    return false;
}

void* CMemoryBlocks::Allocate(size_t size) {
    void* const block = HeapAlloc(GetProcessHeap(), 0, size);
    if (!block)
        return nullptr;
    CLock lock(&lock_);
    blocks_.push_back(block);
    return block;
}

bool CMemoryBlocks::Free(const void* block) {
    CLock lock(&lock_);
    for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
        if (*it == block) {
            blocks_.erase(it);
            HeapFree(GetProcessHeap(), 0, const_cast<void*>(block));
            return true;
        }
    }
    return false;
}

} // namespace WINSCARD_STANDIN
