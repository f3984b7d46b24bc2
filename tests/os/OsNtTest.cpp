// The OS layer on an NT-family machine (XP): the system's list of pending boot-time renames,
// where cancelling removes our requests only and keeps other programs' ones byte for byte.
#include "os/NtBasedOSOperations.h"
#include "os/PathText.h"
#include "tests/lib/TestFiles.h"
#include <doctest/doctest.h>
#include <vector>

using testfiles::PutFile;

namespace {

const std::string kFolder = testfiles::FreshFolder("C:\\OSNT");
const wchar_t kPending[] = L"PendingFileRenameOperations";

struct CSessionManagerKey {
    CSessionManagerKey() {
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Session Manager", 0,
                      KEY_ALL_ACCESS, &key);
    }
    ~CSessionManagerKey() { RegCloseKey(key); }
    HKEY key = nullptr;
};

// The value with "|" for each NUL and <n> for characters outside ASCII; "(none)" when missing.
std::string PendingValue() {
    const CSessionManagerKey session;
    DWORD type = 0, bytes = 0;
    if (RegQueryValueExW(session.key, kPending, nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS) {
        return "(none)";
    }
    std::vector<wchar_t> buffer(bytes / 2 + 1);
    RegQueryValueExW(session.key, kPending, nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                     &bytes);
    std::string shown = type == REG_MULTI_SZ ? "" : "(not REG_MULTI_SZ)";
    for (DWORD i = 0; i < bytes / 2; ++i) {
        const wchar_t c = buffer[i];
        shown += c == 0 ? "|" : c < 128 ? std::string(1, char(c)) : "<" + std::to_string(c) + ">";
    }
    return shown;
}

void SetPendingValue(const std::wstring& value) {
    const CSessionManagerKey session;
    RegSetValueExW(session.key, kPending, 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(value.data()), DWORD(value.size() * 2));
}

} // namespace

TEST_CASE("our requests are NT path pairs, and cancelling removes only ours in any letter case") {
    SSETUPOS::CNtBasedOSOperations os;
    RegDeleteValueW(CSessionManagerKey().key, kPending);
    const std::string source = kFolder + "\\ours.new", target = kFolder + "\\ours.dll";
    const std::string doomed = kFolder + "\\ours.old", theirs = kFolder + "\\theirs.new";
    for (const std::string& file : {source, doomed, theirs}) {
        PutFile(file, "x");
    }
    // Theirs: the same pair without the replace mark, and a deletion.
    REQUIRE(MoveFileExA(source.c_str(), target.c_str(), MOVEFILE_DELAY_UNTIL_REBOOT));
    CHECK(os.MoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.MoveFileAtReboot(doomed.c_str(), nullptr));
    REQUIRE(MoveFileExA(theirs.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
    const std::string theirRename = "\\??\\" + source + "|\\??\\" + target + "|";
    const std::string theirDeletion = "\\??\\" + theirs + "||";
    CHECK(PendingValue() == theirRename + "\\??\\" + source + "|!\\??\\" + target + "|\\??\\" +
                                doomed + "||" + theirDeletion + "|");
    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(os.CancelMoveFileAtReboot(SSETUPOS::ToUpperText(doomed).c_str(), nullptr));
    // Nothing of ours left: nothing changes.
    CHECK(os.CancelMoveFileAtReboot(source.c_str(), target.c_str()));
    CHECK(PendingValue() == theirRename + theirDeletion + "|");
}

TEST_CASE("other programs' paths keep characters outside the ANSI code page") {
    SSETUPOS::CNtBasedOSOperations os;
    PutFile(kFolder + "\\mine.new", "x");
    // C:\OSNT\<Greek Omega><Cyrillic Zhe>.dll, which code page 1252 cannot hold.
    const std::wstring foreign = L"\\??\\C:\\OSNT\\\u03A9\u0416.dll" + std::wstring(1, 0) +
                                 L"!\\??\\C:\\x.dll" + std::wstring(1, 0);
    const std::wstring ours = L"\\??\\C:\\OSNT\\mine.new" + std::wstring(2, 0);
    // Written without the closing terminator, as some programs do.
    SetPendingValue(foreign + ours + foreign);
    CHECK(os.CancelMoveFileAtReboot("C:\\OSNT\\mine.new", nullptr));
    const std::string shownForeign = "\\??\\C:\\OSNT\\<937><1046>.dll|!\\??\\C:\\x.dll|";
    CHECK(PendingValue() == shownForeign + shownForeign + "|");
    // The value goes with the last request.
    SetPendingValue(ours + L'\0');
    CHECK(os.CancelMoveFileAtReboot("C:\\OSNT\\mine.new", nullptr));
    CHECK(PendingValue() == "(none)");
}
