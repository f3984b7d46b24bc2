// Prints the fixed version record GetFileVersionInfo reads from each file named on the
// command line, one line per file: "<name> <product version> <file version>", or
// "<name> none" for a file without a version resource.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void Dump(const char* path) {
    const char* slash = std::strrchr(path, '\\');
    const char* name = slash != nullptr ? slash + 1 : path;
    DWORD handle = 0;
    std::vector<char> block(GetFileVersionInfoSizeA(path, &handle));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (block.empty() ||
        !GetFileVersionInfoA(path, 0, static_cast<DWORD>(block.size()), block.data()) ||
        !VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO)) {
        std::printf("%s none\n", name);
        return;
    }
    std::printf("%s %u.%u.%u.%u %u.%u.%u.%u\n", name, HIWORD(fixed->dwProductVersionMS),
                LOWORD(fixed->dwProductVersionMS), HIWORD(fixed->dwProductVersionLS),
                LOWORD(fixed->dwProductVersionLS), HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        Dump(argv[i]);
    }
    return 0;
}
