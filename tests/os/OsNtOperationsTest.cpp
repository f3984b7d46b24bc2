// The OS layer on an NT-family machine (XP): the replacing move and the system's list of
// pending boot-time renames, read back as the system recorded it.
#include "os/NtBasedOSOperations.h"
#include "os/PathText.h"
#include "os/PendingRenames.h"
#include "OsTestFiles.h"
#include <doctest/doctest.h>
#include <vector>

using ostest::FileBytes;
using ostest::PutFile;

namespace {

const std::string kFolder = ostest::FreshFolder("C:\\OSNT");
const char kSessionManager[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPending[] = L"PendingFileRenameOperations";

class CSessionManagerKey {
public:
    CSessionManagerKey() {
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key);
    }
    ~CSessionManagerKey() { RegCloseKey(key); }
    HKEY key = nullptr;
};

// The raw value in UTF-16, "(none)" when there is no value.
std::wstring PendingValue() {
    CSessionManagerKey session;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(session.key, kPending, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
        return L"(none)";
    }
    std::vector<wchar_t> buffer(bytes / 2 + 1, L'\0');
    RegQueryValueExW(session.key, kPending, nullptr, &type, reinterpret_cast<BYTE*>(&buffer[0]),
                     &bytes);
    return type == REG_MULTI_SZ ? std::wstring(&buffer[0], bytes / 2) : L"(not a multi-string)";
}

void SetPendingValue(const std::wstring& multiString) {
    CSessionManagerKey session;
    RegSetValueExW(session.key, kPending, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(multiString.data()),
                   static_cast<DWORD>(multiString.size() * 2));
}

void ClearPending() {
    CSessionManagerKey session;
    RegDeleteValueW(session.key, kPending);
}

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

// The pairs as doctest can print them.
std::string Show(const std::wstring& multiString) {
    std::string shown;
    for (wchar_t c : multiString) {
        shown += c == L'\0' ? std::string("|") : c < 128 ? std::string(1, char(c)) : "<u>";
    }
    return shown;
}

} // namespace

TEST_CASE("NT MoveFileTo") {
    SSETUPOS::CNtBasedOSOperations os;
    const std::string source = kFolder + "\\new.dll";
    const std::string target = kFolder + "\\file.dll";
    PutFile(source, "new");
    PutFile(target, "old");
    CHECK_FALSE(os.MoveFileTo(source.c_str(), target.c_str(), false));
    CHECK(FileBytes(target) == "old");
    CHECK(os.MoveFileTo(source.c_str(), target.c_str(), true));
    CHECK(FileBytes(target) == "new");
    CHECK_FALSE(ostest::Exists(source));
    CHECK_FALSE(ostest::Exists(target + "0"));
}

TEST_CASE("the system records boot-time renames as NT path pairs") {
    SSETUPOS::CNtBasedOSOperations os;
    ClearPending();
    const std::string source = kFolder + "\\src.dll";
    const std::string doomed = kFolder + "\\doomed.dll";
    const std::string target = kFolder + "\\tgt.dll";
    PutFile(source, "new");
    PutFile(doomed, "old");
    CHECK(os.MoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.MoveFileAtReboot(doomed.c_str(), nullptr));
    // Another program's plain rename, without replacing.
    REQUIRE(MoveFileExA(doomed.c_str(), (kFolder + "\\plain.dll").c_str(),
                        MOVEFILE_DELAY_UNTIL_REBOOT));
    const std::wstring recorded =
        Wide("\\??\\" + source + '\0' + "!\\??\\" + target + '\0' + "\\??\\" + doomed + '\0' +
             '\0' + "\\??\\" + doomed + '\0' + "\\??\\" + kFolder + "\\plain.dll" + '\0' + '\0');
    CHECK(Show(PendingValue()) == Show(recorded));
    ClearPending();
}

TEST_CASE("cancelling removes only our request and keeps other programs' ones") {
    SSETUPOS::CNtBasedOSOperations os;
    ClearPending();
    CHECK(os.CancelMoveFileAtReboot((kFolder + "\\none.dll").c_str(), nullptr));
    CHECK(Show(PendingValue()) == "(none)");
    const std::string source = kFolder + "\\ours.new";
    const std::string target = kFolder + "\\ours.dll";
    const std::string doomed = kFolder + "\\ours.old";
    const std::string theirs = kFolder + "\\theirs.new";
    for (const std::string& file : {source, doomed, theirs}) {
        PutFile(file, "x");
    }
    // Theirs: a replacing rename of the same pair without the replace mark, and a deletion.
    REQUIRE(MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    CHECK(os.MoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.MoveFileAtReboot(doomed.c_str(), nullptr));
    REQUIRE(MoveFileExA(theirs.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    const std::wstring theirRename = Wide("\\??\\" + source + '\0' + "\\??\\" + target + '\0');
    const std::wstring theirDeletion = Wide("\\??\\" + theirs + '\0' + '\0');
    const std::wstring ourDeletion = Wide("\\??\\" + doomed + '\0' + '\0');

    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(Show(PendingValue()) == Show(theirRename + ourDeletion + theirDeletion + L'\0'));
    // Letter case does not matter to the file system, nor here.
    const std::string doomedOtherCase = SSETUPOS::ToUpperText(doomed);
    CHECK(os.CancelMoveFileAtReboot(doomedOtherCase.c_str(), nullptr));
    CHECK(Show(PendingValue()) == Show(theirRename + theirDeletion + L'\0'));
    // Nothing of ours left: nothing changes.
    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.CancelMoveFileAtReboot(doomed.c_str(), nullptr));
    CHECK(Show(PendingValue()) == Show(theirRename + theirDeletion + L'\0'));
    ClearPending();
}

TEST_CASE("other programs' paths keep characters outside the ANSI code page") {
    SSETUPOS::CNtBasedOSOperations os;
    const std::string source = kFolder + "\\mine.new";
    PutFile(source, "x");
    // C:\OSNT\<Greek Omega><Cyrillic Zhe>.dll, which code page 1252 cannot hold.
    const std::wstring foreign = std::wstring(L"\\??\\C:\\OSNT\\") + wchar_t(0x03A9) +
                                 wchar_t(0x0416) + L".dll" + L'\0' + L"!\\??\\C:\\OSNT\\x.dll" +
                                 L'\0';
    const std::wstring ours = Wide("\\??\\" + source + '\0' + '\0');
    // Written without the closing terminator, as some programs do.
    SetPendingValue(foreign + ours + foreign);
    CHECK(os.CancelMoveFileAtReboot(source.c_str(), nullptr));
    CHECK(PendingValue() == foreign + foreign + L'\0');
    ClearPending();
}

TEST_CASE("network paths are named as the system records them") {
    using SSETUPOS::CPendingRenames;
    CHECK(CPendingRenames::RecordedSource("\\\\server\\share\\a.dll") ==
          "\\??\\UNC\\server\\share\\a.dll");
    CHECK(CPendingRenames::RecordedTarget("\\\\server\\share\\a.dll") ==
          "!\\??\\UNC\\server\\share\\a.dll");
}
