#include "os/PendingRenames.h"
#include <algorithm>
#include <cstring>

namespace SSETUPOS {

namespace {

const char kNtPrefix[] = "\\??\\";
// Marks a target that the boot-time rename may replace.
const char kReplaceMark[] = "!";

std::string FullPath(const char* path) {
    char buffer[MAX_PATH] = {};
    char* namePart = nullptr;
    const DWORD length = GetFullPathNameA(path, MAX_PATH, buffer, &namePart);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string(path);
}

std::string ToAnsi(const CWideString& text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string ansi(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), static_cast<int>(text.size()), &ansi[0], length,
                        nullptr, nullptr);
    return ansi;
}

// The system's own name of a path: \??\C:\dir\file, or \??\UNC\server\share\file.
std::string NtPath(const char* path) {
    const std::string full = FullPath(path);
    if (full.compare(0, 2, "\\\\") == 0) {
        return kNtPrefix + std::string("UNC") + full.substr(1);
    }
    return kNtPrefix + full;
}

bool SameText(const std::string& left, const std::string& right) {
    return lstrcmpiA(left.c_str(), right.c_str()) == 0;
}

} // namespace

std::vector<CPendingRenames::Pair> CPendingRenames::Parse(const CWideString& multiString) {
    std::vector<Pair> pairs;
    size_t pos = 0;
    const auto next = [&multiString, &pos]() {
        const size_t end = std::min(multiString.find(L'\0', pos), multiString.size());
        CWideString text = multiString.substr(pos, end - pos);
        pos = end + 1;
        return text;
    };
    // The system reads pairs until an empty source; a deletion's target is empty.
    while (pos < multiString.size() && multiString[pos] != L'\0') {
        Pair pair;
        pair.source = next();
        pair.target = pos < multiString.size() ? next() : CWideString();
        pairs.push_back(pair);
    }
    return pairs;
}

CWideString CPendingRenames::Join(const std::vector<Pair>& pairs) {
    CWideString multiString;
    for (const Pair& pair : pairs) {
        multiString += pair.source;
        multiString += L'\0';
        multiString += pair.target;
        multiString += L'\0';
    }
    multiString += L'\0';
    return multiString;
}

std::string CPendingRenames::RecordedSource(const char* source) {
    return NtPath(source);
}

std::string CPendingRenames::RecordedTarget(const char* target) {
    return target ? kReplaceMark + NtPath(target) : std::string();
}

bool CPendingRenames::Matches(const Pair& pair, const std::string& source,
                              const std::string& target) {
    return SameText(ToAnsi(pair.source), source) && SameText(ToAnsi(pair.target), target);
}

std::string CPendingRenames::PlainPath(const CWideString& recorded) {
    std::string path = ToAnsi(recorded);
    if (path.compare(0, 1, kReplaceMark) == 0) {
        path.erase(0, 1);
    }
    if (path.compare(0, 4, kNtPrefix) == 0) {
        path.erase(0, 4);
    }
    return path;
}

std::string CPendingRenames::Pack(const Pair& pair) {
    const CWideString both = pair.source + L'\0' + pair.target;
    return std::string(reinterpret_cast<const char*>(both.data()), both.size() * sizeof(wchar_t));
}

CPendingRenames::Pair CPendingRenames::Unpack(const std::string& bytes) {
    CWideString both(bytes.size() / sizeof(wchar_t), L'\0');
    if (!both.empty()) {
        std::memcpy(&both[0], bytes.data(), both.size() * sizeof(wchar_t));
    }
    const CWideString::size_type split = std::min(both.find(L'\0'), both.size());
    Pair pair;
    pair.source = both.substr(0, split);
    pair.target = split < both.size() ? both.substr(split + 1) : CWideString();
    return pair;
}

} // namespace SSETUPOS
