#pragma once
// Text helpers: output in UTF-8 with C-style escapes, numbers from the command line.
#include <windows.h>

#include <string>

namespace UIDRIVER {

// ANSI text of this process's code page as UTF-8 (the tests compare UTF-8 literals).
std::string AnsiToUtf8(const std::string& ansi);

// "text" with backslash, quote and control characters escaped, so one value stays one token.
std::string Quote(const std::string& ansi);

// Decimal or 0x-prefixed hexadecimal; false when the text is not entirely a number.
bool ParseNumber(const char* text, long& value);

// Control ids as the dialog manager carries them in WM_COMMAND: 16 bits, so -1 is 65535.
inline unsigned ControlIdOf(HWND control) {
    return static_cast<unsigned>(GetDlgCtrlID(control)) & 0xFFFFu;
}

std::string HexHandle(HWND window);

} // namespace UIDRIVER
