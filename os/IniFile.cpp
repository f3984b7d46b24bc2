#include "os/IniFile.h"
#include "os/IniText.h"
#include <cstring>

namespace SWININIT {

namespace {

std::string OrEmpty(const char* text) {
    return text ? std::string(text) : std::string();
}

// The system's upper case of every byte value, in one call (as CharUpperA has it).
CUpperCase SystemUpperCase() {
    CUpperCase upper;
    char bytes[256];
    for (unsigned value = 0; value < 256; ++value) {
        bytes[value] = static_cast<char>(value);
    }
    CharUpperBuffA(bytes + 1, 255);
    upper.of[0] = 0;
    for (unsigned value = 1; value < 256; ++value) {
        upper.of[value] = static_cast<unsigned char>(bytes[value]);
    }
    return upper;
}

} // namespace

void CIniFile::AddEntry(const char* section, const char* key, const char* value) {
    Edit([&](const CIniText& text, CTextEdit* edit) {
        *edit = text.AddEntry(OrEmpty(section), OrEmpty(key), OrEmpty(value));
        return true;
    });
}

void CIniFile::RemoveEntry(const char* section, const char* key, const char* value) {
    Edit([&](const CIniText& text, CTextEdit* edit) {
        return text.RemoveEntry(OrEmpty(section), OrEmpty(key), OrEmpty(value), edit);
    });
}

bool CIniFile::RemoveMatching(const char* section, const EntryMatch& match, CRemovedLine* removed) {
    bool found = false;
    Edit([&](const CIniText& text, CTextEdit* edit) {
        found = text.RemoveMatching(
            OrEmpty(section),
            [&](const std::string& key, const std::string& value) {
                removed->key = key;
                removed->value = value;
                return match(key, value);
            },
            edit);
        if (found) {
            removed->at = edit->at;
            removed->bytes = text.Text(edit->at, edit->erase);
        }
        return found;
    });
    return found;
}

void CIniFile::PutBack(const char* section, const CRemovedLine& line) {
    Edit([&](const CIniText& text, CTextEdit* edit) {
        *edit = text.PutBack(OrEmpty(section), line.at, line.bytes);
        return true;
    });
}

// The file is mapped at its size, the change planned and made in the mapping, and the file
// brought to its exact new size: a larger mapping grows it before anything moves; a cut
// comes last, and when the system refuses it (another program maps the file), the change is
// undone in the mapping, so the file is never left half edited.
void CIniFile::Edit(const Plan& plan) {
    CEditScope scope(*this);
    OpenFile();
    const DWORD oldSize = dataSize;
    if (oldSize > 0) {
        Map(oldSize);
    }
    static const char kNothing[] = "";
    const CUpperCase upper = SystemUpperCase();
    const CIniText text(view != nullptr ? view : kNothing, oldSize, upper);
    CTextEdit edit;
    if (!plan(text, &edit)) {
        return;
    }
    // A run of NUL bytes after the text goes; what follows the change moves by the difference.
    const size_t tail = text.Size() - edit.at - edit.erase;
    const size_t newSize = text.Size() - edit.erase + edit.insert.size();
    if (newSize > MAXDWORD) {
        throw CIniException(1, ERROR_FILE_TOO_LARGE);
    }
    if (newSize > oldSize) {
        Unmap();
        try {
            Map(static_cast<DWORD>(newSize));
        } catch (const CIniException&) {
            DWORD ignored = 0;
            Cut(oldSize, &ignored);
            throw;
        }
    }
    const std::string erased(view + edit.at, edit.erase);
    std::memmove(view + edit.at + edit.insert.size(), view + edit.at + edit.erase, tail);
    std::memcpy(view + edit.at, edit.insert.data(), edit.insert.size());
    dataSize = static_cast<DWORD>(newSize);
    Unmap();
    DWORD error = 0;
    if (newSize >= oldSize || Cut(dataSize, &error)) {
        return;
    }
    // The bytes past the new end are still the old ones: move the tail back, put the line back.
    dataSize = oldSize;
    Map(oldSize);
    std::memmove(view + edit.at + edit.erase, view + edit.at + edit.insert.size(), tail);
    std::memcpy(view + edit.at, erased.data(), erased.size());
    std::memset(view + text.Size(), 0, oldSize - text.Size());
    throw CIniException(1, error);
}

void CIniFile::OpenFile() {
    Close();
    // A read-only file is edited all the same (the system reads it at the next start) and
    // gets its attributes back when the edit ends.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        SetFileAttributesA(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY)) {
        restoreAttributes = attributes;
    }
    file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                       OPEN_ALWAYS, FILE_FLAG_SEQUENTIAL_SCAN | FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        throw CIniException(1, GetLastError());
    }
    DWORD high = 0;
    SetLastError(NO_ERROR);
    dataSize = GetFileSize(file, &high);
    if (dataSize == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
        throw CIniException(1, GetLastError());
    }
    if (high != 0) {
        throw CIniException(1, ERROR_FILE_TOO_LARGE);
    }
}

void CIniFile::Map(DWORD size) {
    Unmap();
    mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, size, nullptr);
    if (mapping == nullptr) {
        throw CIniException(1, GetLastError());
    }
    view = static_cast<char*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
    if (view == nullptr) {
        const DWORD error = GetLastError();
        Unmap();
        throw CIniException(1, error);
    }
    mappedSize = size;
}

void CIniFile::Unmap() {
    if (view != nullptr) {
        UnmapViewOfFile(view);
        view = nullptr;
    }
    if (mapping != nullptr) {
        CloseHandle(mapping);
        mapping = nullptr;
    }
    mappedSize = 0;
}

bool CIniFile::Cut(DWORD size, DWORD* lastError) {
    if (SetFilePointer(file, static_cast<LONG>(size), nullptr, FILE_BEGIN) ==
        INVALID_SET_FILE_POINTER) {
        *lastError = GetLastError();
        return false;
    }
    if (!SetEndOfFile(file)) {
        *lastError = GetLastError();
        return false;
    }
    return true;
}

void CIniFile::Close() {
    Unmap();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
    if (restoreAttributes != INVALID_FILE_ATTRIBUTES) {
        SetFileAttributesA(path.c_str(), restoreAttributes);
        restoreAttributes = INVALID_FILE_ATTRIBUTES;
    }
    dataSize = 0;
}

} // namespace SWININIT
