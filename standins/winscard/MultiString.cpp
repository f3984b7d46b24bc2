#include "MultiString.h"

#include <windows.h>

namespace WINSCARD_STANDIN {

std::vector<std::string> SplitMultiString(const char* multiString) {
    std::vector<std::string> strings;
    if (!multiString)
        return strings;
    for (const char* p = multiString; *p; p += lstrlenA(p) + 1)
        strings.emplace_back(p);
    return strings;
}

std::string JoinMultiString(const std::vector<std::string>& names) {
    std::string joined;
    for (const auto& name : names) {
        joined += name;
        joined += '\0';
    }
    joined += '\0';
    return joined;
}

bool SameName(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

void AppendUnique(std::vector<std::string>* names, const std::vector<std::string>& more) {
    for (const auto& name : more) {
        bool present = false;
        for (const auto& existing : *names)
            present = present || SameName(existing, name);
        if (!present)
            names->push_back(name);
    }
}

} // namespace WINSCARD_STANDIN
