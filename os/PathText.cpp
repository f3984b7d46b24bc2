#include "os/PathText.h"

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

} // namespace SSETUPOS
