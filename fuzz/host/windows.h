#pragma once
// Host stand-in for the few Win32 names the command-line parser's file uses, so that the
// parser builds natively for fuzzing; its upper case also fills the table the WININIT.INI
// text logic is given. Not part of the product.
#include <cstdint>

typedef long LONG;
typedef char* LPSTR;
typedef std::uintptr_t ULONG_PTR;

// Upper case of one byte as a Western (1252) code page has it.
inline unsigned char HostUpperByte(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<unsigned char>(c - 0x20);
    }
    switch (c) {
    case 0x9A:
    case 0x9C:
    case 0x9E:
        return static_cast<unsigned char>(c - 0x10);
    case 0xFF:
        return 0x9F;
    default:
        return c;
    }
}

// Like the system's: a value below 0x10000 is one character, anything else a C string
// converted in place.
inline LPSTR CharUpperA(LPSTR text) {
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(text);
    if (value < 0x10000) {
        return reinterpret_cast<LPSTR>(
            static_cast<ULONG_PTR>(HostUpperByte(static_cast<unsigned char>(value))));
    }
    for (char* c = text; *c != '\0'; ++c) {
        *c = static_cast<char>(HostUpperByte(static_cast<unsigned char>(*c)));
    }
    return text;
}

inline LONG InterlockedIncrement(LONG volatile* value) {
    return ++*value;
}
inline LONG InterlockedDecrement(LONG volatile* value) {
    return --*value;
}
