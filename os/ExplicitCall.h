#pragma once
// Functions that not every Windows version exports, loaded by name at run time.
#include <windows.h>
#include <string>

namespace SEXPL_CALL {

class CLibNotFoundException {
public:
    CLibNotFoundException(const std::string& library, DWORD error)
        : library(library), error(error) {}
    const std::string& GetLibrary() const { return library; }
    DWORD GetError() const { return error; }

private:
    std::string library;
    DWORD error;
};

class CProcNotFoundException {
public:
    CProcNotFoundException(const std::string& library, const std::string& procedure, DWORD error)
        : library(library), procedure(procedure), error(error) {}
    const std::string& GetLibrary() const { return library; }
    const std::string& GetProcedure() const { return procedure; }
    DWORD GetError() const { return error; }

private:
    std::string library;
    std::string procedure;
    DWORD error;
};

// Loads the library on the first GetProc and frees it with the object.
class CLibrary {
public:
    explicit CLibrary(const char* fileName) : fileName(fileName ? fileName : "") {}
    ~CLibrary();
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    // Throws CLibNotFoundException or CProcNotFoundException; never returns null.
    FARPROC GetProc(const char* name);
    // GetProc cast to the function's real type, e.g. GetProcAs<BOOL(WINAPI*)(HANDLE)>("...").
    template <class Function> Function GetProcAs(const char* name) {
        // FARPROC goes through the generic function pointer type, which any type converts to.
        return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProc(name)));
    }
    const std::string& GetFileName() const { return fileName; }

private:
    std::string fileName;
    HMODULE module = nullptr;
};

} // namespace SEXPL_CALL
