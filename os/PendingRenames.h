#pragma once
// The NT family's list of boot-time renames: the multi-string value
// "PendingFileRenameOperations" of the Session Manager key, as pairs of source and target.
// Kept in the system's own UTF-16 form so that other programs' entries are written back
// exactly as they were.
#include <windows.h>
#include <string>
#include <vector>

namespace SSETUPOS {

// UTF-16 text with traits of its own: the members used are compiled here, where CWideString
// would link the standard library's whole prebuilt instantiation into the program.
struct CWideCharTraits : std::char_traits<wchar_t> {};
using CWideString = std::basic_string<wchar_t, CWideCharTraits>;

class CPendingRenames {
public:
    struct Pair {
        CWideString source;
        CWideString target;
    };

    // The pairs as the value holds them: source "\??\C:\...", target "!\??\C:\..." for a
    // replacing rename, "\??\C:\..." for a plain one, empty for a deletion.
    static std::vector<Pair> Parse(const CWideString& multiString);
    static CWideString Join(const std::vector<Pair>& pairs);

    // How MoveFileExA with MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT records
    // a request (null target: deletion), as ANSI text for a comparison without letter case.
    static std::string RecordedSource(const char* source);
    static std::string RecordedTarget(const char* target);
    static bool Matches(const Pair& pair, const std::string& source, const std::string& target);

    // A path of the list as ANSI text without the system's marks ("!", "\??\").
    static std::string PlainPath(const CWideString& recorded);
    // A pair as the bytes of its two strings, and back.
    static std::string Pack(const Pair& pair);
    static Pair Unpack(const std::string& bytes);
};

} // namespace SSETUPOS
