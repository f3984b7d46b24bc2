#include "os/ExplicitCall.h"

namespace SEXPL_CALL {

CLibrary::~CLibrary() {
    if (module != nullptr) {
        FreeLibrary(module);
    }
}

FARPROC CLibrary::GetProc(const char* name) {
    if (module == nullptr) {
        module = LoadLibraryA(fileName.c_str());
        if (module == nullptr) {
            throw CLibNotFoundException(fileName, GetLastError());
        }
    }
    const FARPROC proc = GetProcAddress(module, name);
    if (proc == nullptr) {
        throw CProcNotFoundException(fileName, name ? name : "", GetLastError());
    }
    return proc;
}

} // namespace SEXPL_CALL
