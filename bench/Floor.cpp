// The least a program can do to leave the machine as a quiet install of the sample package
// leaves it: copy the files, write the reader driver's service key and the card type, and
// register the two COM modules. It is the yardstick the installer is timed against.
//   bench_floor PKGDIR              COM modules registered in process (DllRegisterServer)
//   bench_floor PKGDIR /REGSVR32    COM modules registered by two RegSvr32.exe processes
//   bench_floor /UNDO               remove all of it again (the fresh state between runs)
// Exit code 0 when every step succeeded, 1 otherwise, 2 for a wrong command line.
#include <windows.h>
#include <cstring>
#include <string>

namespace {

enum Folder { SystemFolder, DriversFolder, InfFolder };

struct CFile {
    const char* name;
    Folder folder;
};

const CFile files[] = {
    {"zvIFDH.sys", DriversFolder},  {"zvUSB.sys", DriversFolder},  {"zvUSB.inf", InfFolder},
    {"zvAPI.dll", SystemFolder},    {"zvAPIEX.dll", SystemFolder}, {"zvERR.dll", SystemFolder},
    {"zvCSP.dll", SystemFolder},    {"zvCSP.sig", SystemFolder},   {"zvICCSP.dll", SystemFolder},
    {"zvPKCS11.dll", SystemFolder},
};

const char* const comModules[] = {"zvCSP.dll", "zvICCSP.dll"};

const char serviceKey[] = "System\\CurrentControlSet\\Services\\zvIFDH";
const char cardKey[] = "Software\\Microsoft\\Cryptography\\Calais\\SmartCards\\zenTavo";
const char cardParentKey[] = "Software\\Microsoft\\Cryptography\\Calais\\SmartCards";
const char ownKey[] = "Software\\Norvane";
const BYTE cardAtr[] = {0x3b, 0x6f, 0x00, 0xff, 0x00, 0x56, 0x7a, 0x65, 0x6e, 0x54,
                        0x61, 0x76, 0x73, 0x30, 0x20, 0x00, 0x00, 0x90, 0x00};

std::string SystemDir() {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return path;
}

std::string WindowsDir() {
    char path[MAX_PATH] = {};
    GetWindowsDirectoryA(path, MAX_PATH);
    return path;
}

std::string TargetPath(const CFile& file) {
    switch (file.folder) {
    case DriversFolder:
        return SystemDir() + "\\drivers\\" + file.name;
    case InfFolder:
        return WindowsDir() + "\\inf\\" + file.name;
    default:
        return SystemDir() + "\\" + file.name;
    }
}

class CKey {
public:
    explicit CKey(const char* path) {
        if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                            nullptr) != ERROR_SUCCESS) {
            key = nullptr;
        }
    }
    ~CKey() {
        if (key) {
            RegCloseKey(key);
        }
    }
    CKey(const CKey&) = delete;
    CKey& operator=(const CKey&) = delete;

    bool SetString(const char* name, const char* text) {
        return key && RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                     static_cast<DWORD>(std::strlen(text) + 1)) == ERROR_SUCCESS;
    }
    bool SetDword(const char* name, DWORD value) {
        return key && RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                     sizeof(value)) == ERROR_SUCCESS;
    }
    bool SetBinary(const char* name, const BYTE* data, DWORD size) {
        return key && RegSetValueExA(key, name, 0, REG_BINARY, data, size) == ERROR_SUCCESS;
    }

private:
    HKEY key = nullptr;
};

bool CopyFiles(const std::string& package) {
    bool ok = true;
    for (const CFile& file : files) {
        const std::string source = package + "\\" + file.name;
        ok = CopyFileA(source.c_str(), TargetPath(file).c_str(), FALSE) && ok;
    }
    return ok;
}

bool WriteKeys() {
    CKey service(serviceKey);
    bool ok = service.SetString("DisplayName", "ZenTavo Driver");
    ok = service.SetString("Group", "Smart Card Reader") && ok;
    ok = service.SetString("ImagePath", "\\SystemRoot\\System32\\drivers\\zvIFDH.sys") && ok;
    ok = service.SetDword("Start", SERVICE_SYSTEM_START) && ok;
    ok = service.SetDword("Type", SERVICE_KERNEL_DRIVER) && ok;
    ok = service.SetDword("ErrorControl", SERVICE_ERROR_NORMAL) && ok;
    ok = service.SetDword("ReadersCount", 3) && ok;
    CKey card(cardKey);
    return card.SetBinary("ATR", cardAtr, sizeof(cardAtr)) && ok;
}

bool RegisterInProcess(const std::string& path) {
    const HMODULE module = LoadLibraryA(path.c_str());
    if (!module) {
        return false;
    }
    using Entry = HRESULT(STDAPICALLTYPE*)();
    const auto entry = reinterpret_cast<Entry>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    const bool ok = entry && SUCCEEDED(entry());
    FreeLibrary(module);
    return ok;
}

bool RegisterWithRegSvr32(const std::string& path) {
    std::string command = "\"" + SystemDir() + "\\RegSvr32.exe\" /s \"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

bool RegisterModules(bool childProcesses) {
    bool ok = true;
    for (const char* name : comModules) {
        const std::string path = SystemDir() + "\\" + name;
        ok = (childProcesses ? RegisterWithRegSvr32(path) : RegisterInProcess(path)) && ok;
    }
    return ok;
}

// RegDeleteKey of Windows 98 deletes a whole tree, NT's only an empty key: go depth first.
bool DeleteTree(HKEY parent, const char* path) {
    HKEY key;
    if (RegOpenKeyExA(parent, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return true;
    }
    char name[MAX_PATH];
    bool ok = true;
    while (ok && RegEnumKeyA(key, 0, name, sizeof(name)) == ERROR_SUCCESS) {
        ok = DeleteTree(key, name);
    }
    RegCloseKey(key);
    return ok && RegDeleteKeyA(parent, path) == ERROR_SUCCESS;
}

bool IsEmptyKey(const char* path) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    DWORD subkeys = 0;
    DWORD values = 0;
    const bool empty =
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subkeys == 0 && values == 0;
    RegCloseKey(key);
    return empty;
}

// The language value the installer writes at start-up goes too: a fresh machine lacks it.
bool Undo() {
    bool ok = true;
    for (const CFile& file : files) {
        ok =
            (DeleteFileA(TargetPath(file).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND) && ok;
    }
    ok = DeleteTree(HKEY_LOCAL_MACHINE, serviceKey) && ok;
    ok = DeleteTree(HKEY_LOCAL_MACHINE, cardKey) && ok;
    if (IsEmptyKey(cardParentKey)) {
        ok = RegDeleteKeyA(HKEY_LOCAL_MACHINE, cardParentKey) == ERROR_SUCCESS && ok;
    }
    return DeleteTree(HKEY_LOCAL_MACHINE, ownKey) && ok;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 2 && lstrcmpiA(argv[1], "/UNDO") == 0) {
        return Undo() ? 0 : 1;
    }
    const bool childProcesses = argc == 3 && lstrcmpiA(argv[2], "/REGSVR32") == 0;
    if (argc != 2 && !childProcesses) {
        return 2;
    }
    const std::string package = argv[1];
    bool ok = CopyFiles(package);
    ok = WriteKeys() && ok;
    ok = RegisterModules(childProcesses) && ok;
    return ok ? 0 : 1;
}
