#include "os/FileNames.h"
#include "os/PathText.h"
#include <windows.h>

namespace SSETUPOS {

namespace {

std::string ShortForm(const std::string& path) {
    char buffer[MAX_PATH] = {};
    const DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

bool IsShortName(const std::string& name) {
    const std::string::size_type dot = name.find('.');
    const std::string stem = name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot + 1);
    return !stem.empty() && stem.size() <= 8 && extension.size() <= 3 &&
           extension.find('.') == std::string::npos && name.find(' ') == std::string::npos;
}

} // namespace

std::string ShortFormOf(const std::string& path) {
    const std::string whole = ShortForm(path);
    if (!whole.empty()) {
        return whole;
    }
    const std::string name = GetFileNamePart(path);
    const std::string folder = ShortForm(GetDirectoryPart(path));
    if (folder.empty() || !IsShortName(name)) {
        return std::string();
    }
    return folder + (folder[folder.size() - 1] == '\\' ? "" : "\\") + name;
}

CFileNames::CFileNames(const std::string& path)
    : longName(ToUpperText(path)), shortName(ToUpperText(ShortFormOf(path))) {}

bool CFileNames::Names(const std::string& text) const {
    const std::string upper = ToUpperText(text);
    if (upper == longName || (!shortName.empty() && upper == shortName)) {
        return true;
    }
    // Another writer's mix of long and short parts.
    const std::string otherShort = ToUpperText(ShortFormOf(text));
    return !otherShort.empty() && otherShort == shortName;
}

bool CFileNames::MentionedIn(const std::string& text) const {
    const std::string upper = ToUpperText(text);
    return upper.find(longName) != std::string::npos ||
           (!shortName.empty() && upper.find(shortName) != std::string::npos);
}

} // namespace SSETUPOS
