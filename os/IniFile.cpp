#include "os/IniFile.h"
#include "os/IniText.h"
#include <cstring>

namespace SWININIT {

namespace {

const char kLineBreak[] = "\r\n";

std::string OrEmpty(const char* text) {
    return text ? std::string(text) : std::string();
}

} // namespace

void CIniFile::Open(DWORD growth) {
    Close();
    file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw CIniException(1, GetLastError());
    }
    dataSize = GetFileSize(file, nullptr);
    if (dataSize == INVALID_FILE_SIZE) {
        const DWORD error = GetLastError();
        dataSize = 0;
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
        throw CIniException(1, error);
    }
    // A mapping cannot be empty; the reserve is cut off again by Close.
    mappedSize = dataSize + growth > 0 ? dataSize + growth : 1;
    mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, mappedSize, nullptr);
    if (mapping == nullptr) {
        const DWORD error = GetLastError();
        Close();
        throw CIniException(1, error);
    }
    view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    if (view == nullptr) {
        const DWORD error = GetLastError();
        Close();
        throw CIniException(1, error);
    }
}

void CIniFile::Close() {
    if (view != nullptr) {
        UnmapViewOfFile(view);
        view = nullptr;
    }
    if (mapping != nullptr) {
        CloseHandle(mapping);
        mapping = nullptr;
    }
    if (file != INVALID_HANDLE_VALUE) {
        // Mapping grew the file by the reserve; removing a line shrank the text.
        SetFilePointer(file, static_cast<LONG>(dataSize), nullptr, FILE_BEGIN);
        SetEndOfFile(file);
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    mappedSize = 0;
    dataSize = 0;
}

void CIniFile::Insert(size_t at, const std::string& text) {
    std::memmove(view + at + text.size(), view + at, dataSize - at);
    std::memcpy(view + at, text.data(), text.size());
    dataSize += static_cast<DWORD>(text.size());
}

void CIniFile::Erase(size_t from, size_t to) {
    std::memmove(view + from, view + to, dataSize - to);
    dataSize -= static_cast<DWORD>(to - from);
}

void CIniFile::AddEntry(const char* section, const char* key, const char* value) {
    const std::string sectionName = OrEmpty(section);
    const std::string line = OrEmpty(key) + " = " + OrEmpty(value) + kLineBreak;
    // Header "[name]" CR LF, the line, and a CR LF that may have to end an open last line.
    const std::string::size_type growth = sectionName.size() + 4 + line.size() + 2;
    CEditScope scope(*this);
    Open(static_cast<DWORD>(growth));

    const CIniText text(view, dataSize);
    size_t insertion = text.FindSection(sectionName);
    std::string insert;
    if (insertion == text.Size()) {
        insert = "[" + sectionName + "]" + kLineBreak;
    } else {
        insertion = text.FindInsertionPoint(insertion);
    }
    // Text inserted behind an unterminated last line would join that line.
    if (insertion == text.Size() && text.EndsInsideLine()) {
        insert = kLineBreak + insert;
    }
    Insert(insertion, insert + line);
}

void CIniFile::RemoveEntry(const char* section, const char* key, const char* value) {
    CEditScope scope(*this);
    Open(0);
    const CIniText text(view, dataSize);
    const size_t header = text.FindSection(OrEmpty(section));
    if (header == text.Size()) {
        return;
    }
    const size_t entry = text.FindEntry(header, OrEmpty(key), OrEmpty(value));
    if (entry == text.Size()) {
        return;
    }
    Erase(entry, text.NextLine(entry));
}

} // namespace SWININIT
