// Prints what GetFileVersionInfo reads from each file named on the command line, one line
// per file:
//   <name> <fixed product> <fixed file> <translation> <string product> <string file> <named>
// where <named> is "named" when FileDescription and LegalCopyright are set and
// OriginalFilename is the file's name, else "unnamed"; or "<name> none" for a file without
// a version resource, "<name> bad <step>" when a step after the size query fails.
// For an INF file, what the Setup API reads from it:
//   <name> inf <class name> <class GUID> <hardware ID of the first model line>
#include <windows.h>
#include <setupapi.h>
#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string FileNamePart(const std::string& path) {
    const auto slash = path.find_last_of("\\:/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string VersionText(DWORD high, DWORD low) {
    char text[64];
    std::snprintf(text, sizeof(text), "%u.%u.%u.%u", unsigned(HIWORD(high)), unsigned(LOWORD(high)),
                  unsigned(HIWORD(low)), unsigned(LOWORD(low)));
    return text;
}

class VersionBlock {
public:
    explicit VersionBlock(const std::string& path) {
        DWORD handle = 0;
        const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
        if (size == 0)
            return;
        data_.resize(size);
        loaded_ = GetFileVersionInfoA(path.c_str(), 0, size, data_.data()) != FALSE;
    }
    bool Loaded() const { return loaded_; }
    bool Empty() const { return data_.empty(); }

    const void* Query(const std::string& block, UINT* length) {
        void* value = nullptr;
        *length = 0;
        if (!VerQueryValueA(data_.data(), block.c_str(), &value, length))
            return nullptr;
        return value;
    }
    std::string String(const std::string& translation, const char* key) {
        UINT length = 0;
        const char* value = static_cast<const char*>(
            Query("\\StringFileInfo\\" + translation + "\\" + key, &length));
        if (!value || length == 0)
            return "";
        return std::string(value, length - 1);
    }

private:
    std::vector<char> data_;
    bool loaded_ = false;
};

class InfHandle {
public:
    explicit InfHandle(const std::string& path)
        : handle_(SetupOpenInfFileA(path.c_str(), nullptr, INF_STYLE_WIN4, nullptr)) {}
    ~InfHandle() {
        if (handle_ != INVALID_HANDLE_VALUE)
            SetupCloseInfFile(handle_);
    }
    InfHandle(const InfHandle&) = delete;
    InfHandle& operator=(const InfHandle&) = delete;
    HINF Get() const { return handle_; }

private:
    HINF handle_;
};

// The hardware ID of the first model of the first manufacturer.
std::string FirstHardwareId(const std::string& path) {
    InfHandle inf(path);
    if (inf.Get() == INVALID_HANDLE_VALUE)
        return "(unreadable)";
    INFCONTEXT line;
    char models[256];
    char hardwareId[256];
    if (!SetupFindFirstLineA(inf.Get(), "Manufacturer", nullptr, &line) ||
        !SetupGetStringFieldA(&line, 1, models, sizeof(models), nullptr) ||
        !SetupFindFirstLineA(inf.Get(), models, nullptr, &line) ||
        !SetupGetStringFieldA(&line, 2, hardwareId, sizeof(hardwareId), nullptr))
        return "(no model)";
    return hardwareId;
}

void DumpInf(const std::string& path, const std::string& name) {
    GUID guid = {};
    char className[64] = "";
    if (!SetupDiGetINFClassA(path.c_str(), &guid, className, sizeof(className), nullptr)) {
        std::printf("%s bad inf %lu\n", name.c_str(), static_cast<unsigned long>(GetLastError()));
        return;
    }
    std::printf("%s inf %s {%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X} %s\n", name.c_str(),
                className, guid.Data1, guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6],
                guid.Data4[7], FirstHardwareId(path).c_str());
}

void Dump(const std::string& path) {
    const std::string name = FileNamePart(path);
    if (name.size() > 4 && lstrcmpiA(name.c_str() + name.size() - 4, ".inf") == 0) {
        DumpInf(path, name);
        return;
    }
    VersionBlock block(path);
    if (block.Empty()) {
        std::printf("%s none\n", name.c_str());
        return;
    }
    if (!block.Loaded()) {
        std::printf("%s bad load\n", name.c_str());
        return;
    }
    UINT length = 0;
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(block.Query("\\", &length));
    if (!fixed || length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != 0xFEEF04BD) {
        std::printf("%s bad fixed\n", name.c_str());
        return;
    }
    const auto* translations =
        static_cast<const WORD*>(block.Query("\\VarFileInfo\\Translation", &length));
    if (!translations || length < 4) {
        std::printf("%s bad translation\n", name.c_str());
        return;
    }
    char translation[16];
    std::snprintf(translation, sizeof(translation), "%04x%04x", translations[0], translations[1]);
    const bool named =
        !block.String(translation, "FileDescription").empty() &&
        !block.String(translation, "LegalCopyright").empty() &&
        lstrcmpiA(block.String(translation, "OriginalFilename").c_str(), name.c_str()) == 0;
    std::printf("%s %s %s %s %s %s %s\n", name.c_str(),
                VersionText(fixed->dwProductVersionMS, fixed->dwProductVersionLS).c_str(),
                VersionText(fixed->dwFileVersionMS, fixed->dwFileVersionLS).c_str(), translation,
                block.String(translation, "ProductVersion").c_str(),
                block.String(translation, "FileVersion").c_str(), named ? "named" : "unnamed");
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        Dump(argv[i]);
    return 0;
}
