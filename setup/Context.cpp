#include "setup/Context.h"
#include <cstring>

namespace SSETUP {

void CNotifyInterfaceTable::Register(const char* name, IClientNotifyContext2* implementation) {
    if (name == nullptr) {
        return;
    }
    entries.emplace_back(name, implementation);
}

IClientNotifyContext2* CNotifyInterfaceTable::Find(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const auto& entry : entries) {
        if (std::strcmp(entry.first.c_str(), name) == 0) {
            return entry.second;
        }
    }
    return nullptr;
}

} // namespace SSETUP
