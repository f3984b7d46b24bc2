#include "os/PathText.h"
#include <windows.h>

namespace SSETUPOS {

std::string GetFileNamePart(const std::string& path) {
    const std::string::size_type cut = path.find_last_of("\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string GetExtension(const std::string& path) {
    const std::string::size_type dot = path.rfind('.');
    return dot == std::string::npos ? std::string() : path.substr(dot + 1);
}

std::string GetNameWithoutExtension(const std::string& path) {
    return path.substr(0, path.rfind('.'));
}

std::string GetDirectoryPart(const std::string& path) {
    const std::string::size_type slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string ToUpperText(const std::string& text) {
    std::string upper(text);
    for (char& c : upper) {
        // Given a value below 0x10000, CharUpperA converts that one character and returns it.
        const ULONG_PTR one = static_cast<unsigned char>(c);
        c = static_cast<char>(
            reinterpret_cast<ULONG_PTR>(CharUpperA(reinterpret_cast<LPSTR>(one))) & 0xFF);
    }
    return upper;
}

} // namespace SSETUPOS
