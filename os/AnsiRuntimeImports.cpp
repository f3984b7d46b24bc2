// The compiler's runtime (libgcc's frame registration and its mutexes) calls GetModuleHandleW,
// LoadLibraryW and CreateSemaphoreW. Windows 95/98/ME export these only as stubs that fail with
// ERROR_CALL_NOT_IMPLEMENTED, so the runtime would silently lose its exception frames or its
// locking there. The runtime reaches an imported function through its import pointer
// (__imp_NAME); defining those pointers here, in an object every program of the core links,
// sends the runtime to the ANSI functions instead, and the W functions are never imported.
#include "os/ImportPointer.h"
#include <windows.h>

namespace {

// A wide name in the ANSI code page, without the heap (the runtime calls before main).
// A name that does not convert fails the call with WideCharToMultiByte's error.
class CAnsiName {
public:
    explicit CAnsiName(LPCWSTR wide)
        : given(wide != nullptr),
          failed(given && WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr,
                                              nullptr) == 0) {}
    CAnsiName(const CAnsiName&) = delete;
    CAnsiName& operator=(const CAnsiName&) = delete;

    bool Failed() const { return failed; }
    // Null where the caller passed no name.
    LPCSTR Get() const { return given ? text : nullptr; }

private:
    char text[MAX_PATH] = "";
    const bool given;
    const bool failed;
};

HMODULE WINAPI AnsiGetModuleHandle(LPCWSTR wide) {
    const CAnsiName name(wide);
    return !name.Failed() ? GetModuleHandleA(name.Get()) : nullptr;
}

HMODULE WINAPI AnsiLoadLibrary(LPCWSTR wide) {
    const CAnsiName name(wide);
    return !name.Failed() ? LoadLibraryA(name.Get()) : nullptr;
}

HANDLE WINAPI AnsiCreateSemaphore(LPSECURITY_ATTRIBUTES security, LONG initial, LONG maximum,
                                  LPCWSTR wide) {
    const CAnsiName name(wide);
    return !name.Failed() ? CreateSemaphoreA(security, initial, maximum, name.Get()) : nullptr;
}

} // namespace

extern "C" {
extern decltype(&GetModuleHandleW)
    const importGetModuleHandleW __asm__(IMPORT_POINTER(GetModuleHandleW, 4));
extern decltype(&LoadLibraryW) const importLoadLibraryW __asm__(IMPORT_POINTER(LoadLibraryW, 4));
extern decltype(&CreateSemaphoreW)
    const importCreateSemaphoreW __asm__(IMPORT_POINTER(CreateSemaphoreW, 16));

decltype(&GetModuleHandleW) const importGetModuleHandleW = AnsiGetModuleHandle;
decltype(&LoadLibraryW) const importLoadLibraryW = AnsiLoadLibrary;
decltype(&CreateSemaphoreW) const importCreateSemaphoreW = AnsiCreateSemaphore;
}
