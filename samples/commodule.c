// A self-registering module of the package (zvCSP.dll, zvICCSP.dll). Registration is made
// visible by a key of its own:
//   HKLM\SOFTWARE\Norvane\Zentavo\Registered\<module file name without extension>
// with the REG_SZ value "ModulePath", the module's full path at registration time, and the
// REG_DWORD value "ModuleSize", its size in bytes then: two builds of a module register
// different data, as two versions of a real one do.
// DllUnregisterServer removes the key (S_OK also when it was not there).
// Built with SAMPLE_REGISTER_FAILS, DllRegisterServer writes nothing and returns E_FAIL,
// the way a module that cannot register itself answers RegSvr32.
#include <windows.h>
#include <olectl.h>

#define REGISTERED_ROOT "SOFTWARE\\Norvane\\Zentavo\\Registered\\"

static HINSTANCE g_module;

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

// Own path and the key name derived from it; FALSE when the path does not fit.
static BOOL ModuleKey(char* path, DWORD pathSize, char* key, DWORD keySize) {
    const DWORD length = GetModuleFileNameA(g_module, path, pathSize);
    if (length == 0 || length >= pathSize)
        return FALSE;
    const char* name = path;
    for (const char* p = path; *p; p = CharNextA(p)) {
        if (*p == '\\' || *p == ':')
            name = p + 1;
    }
    const DWORD rootLength = sizeof(REGISTERED_ROOT) - 1;
    DWORD nameLength = lstrlenA(name);
    for (DWORD i = nameLength; i > 0; --i) {
        if (name[i - 1] == '.') {
            nameLength = i - 1;
            break;
        }
    }
    if (rootLength + nameLength + 1 > keySize)
        return FALSE;
    lstrcpyA(key, REGISTERED_ROOT);
    lstrcpynA(key + rootLength, name, (int)nameLength + 1);
    return TRUE;
}

STDAPI DllRegisterServer(void) {
#ifdef SAMPLE_REGISTER_FAILS
    return E_FAIL;
#else
    char path[MAX_PATH];
    char key[MAX_PATH + sizeof(REGISTERED_ROOT)];
    if (!ModuleKey(path, sizeof(path), key, sizeof(key)))
        return SELFREG_E_CLASS;
    HKEY handle;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, NULL, 0, KEY_WRITE, NULL, &handle, NULL) !=
        ERROR_SUCCESS)
        return SELFREG_E_CLASS;
    WIN32_FILE_ATTRIBUTE_DATA file;
    const DWORD size =
        GetFileAttributesExA(path, GetFileExInfoStandard, &file) ? file.nFileSizeLow : 0;
    const LONG written =
        RegSetValueExA(handle, "ModulePath", 0, REG_SZ, (const BYTE*)path,
                       (DWORD)lstrlenA(path) + 1) == ERROR_SUCCESS
            ? RegSetValueExA(handle, "ModuleSize", 0, REG_DWORD, (const BYTE*)&size, sizeof(size))
            : ERROR_WRITE_FAULT;
    RegCloseKey(handle);
    return written == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
#endif
}

STDAPI DllUnregisterServer(void) {
    char path[MAX_PATH];
    char key[MAX_PATH + sizeof(REGISTERED_ROOT)];
    if (!ModuleKey(path, sizeof(path), key, sizeof(key)))
        return SELFREG_E_CLASS;
    const LONG deleted = RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    return deleted == ERROR_SUCCESS || deleted == ERROR_FILE_NOT_FOUND ? S_OK : SELFREG_E_CLASS;
}
