#pragma once
// File helpers for tests that run on the virtual machine: whole files as byte strings,
// fresh folders.
#include <windows.h>
#include <fstream>
#include <iterator>
#include <string>

namespace testfiles {

inline void PutFile(const std::string& path, const std::string& bytes) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// "(missing)" for a file that is not there, so that a comparison shows it.
inline std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return "(missing)";
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void Remove(const std::string& path) {
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(path.c_str());
}

// A folder that exists and holds nothing of earlier cases.
inline std::string FreshFolder(const std::string& path) {
    CreateDirectoryA(path.c_str(), nullptr);
    WIN32_FIND_DATAA entry;
    const HANDLE find = FindFirstFileA((path + "\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                Remove(path + "\\" + entry.cFileName);
            }
        } while (FindNextFileA(find, &entry));
        FindClose(find);
    }
    return path;
}

} // namespace testfiles
