#include "log/Log.h"
#include <cstdarg>

namespace SLOG {

std::string ConvertLineEnds(const char* text) {
    std::string converted;
    for (const char* at = text; *at != '\0'; ++at) {
        if (*at == '\n' && (at == text || at[-1] != '\r')) {
            converted += '\r';
        }
        converted += *at;
    }
    return converted;
}

CFileLog::~CFileLog() {
    Close();
}

void CFileLog::Close() {
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        file = INVALID_HANDLE_VALUE;
    }
}

bool CFileLog::Open(const char* filePath) {
    CLockGuard guard(lock);
    Close();
    path = filePath != nullptr ? filePath : "";
    file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        SetFilePointer(file, 0, nullptr, FILE_END);
    }
    return IsOpen();
}

void CFileLog::Write(const char* text) {
    CLockGuard guard(lock);
    if (!IsOpen() || text == nullptr) {
        return;
    }
    // One write call per text, so that every line written before a crash is in the file.
    const std::string converted = ConvertLineEnds(text);
    DWORD written = 0;
    WriteFile(file, converted.data(), static_cast<DWORD>(converted.size()), &written, nullptr);
}

void CFileLog::Printf(const char* format, ...) {
    CLockGuard guard(lock);
    char buffer[1024];
    va_list arguments;
    va_start(arguments, format);
    wvsprintfA(buffer, format, arguments);
    va_end(arguments);
    buffer[sizeof(buffer) - 1] = '\0';
    Write(buffer);
}

} // namespace SLOG
