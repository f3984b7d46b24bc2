#include "Text.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace UIDRIVER {

std::string AnsiToUtf8(const std::string& ansi) {
    if (ansi.empty()) {
        return ansi;
    }
    const int wideLength =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (wideLength <= 0) {
        return ansi;
    }
    std::vector<wchar_t> wide(wideLength);
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(),
                        wideLength);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) {
        return ansi;
    }
    std::string utf8(utf8Length, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &utf8[0], utf8Length, nullptr,
                        nullptr);
    return utf8;
}

std::string Quote(const std::string& ansi) {
    std::string quoted = "\"";
    for (const char c : AnsiToUtf8(ansi)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\\':
            quoted += "\\\\";
            break;
        case '"':
            quoted += "\\\"";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
                quoted += escaped;
            } else {
                quoted += c;
            }
        }
    }
    return quoted + "\"";
}

bool ParseNumber(const char* text, long& value) {
    if (text == nullptr || *text == '\0') {
        return false;
    }
    // Base 10 unless 0x: a leading zero must not turn "010" into octal.
    const bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, hex ? 16 : 10);
    if (*end != '\0') {
        return false;
    }
    value = parsed;
    return true;
}

std::string HexHandle(HWND window) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%08llX",
                  static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
    return text;
}

} // namespace UIDRIVER
