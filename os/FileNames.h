#pragma once
// The names under which the system's boot-time lists may hold one file: its full long path
// and its 8.3 form, in any letter case.
#include <string>

namespace SSETUPOS {

class CFileNames {
public:
    explicit CFileNames(const std::string& path);

    // Whether text names the file.
    bool Names(const std::string& text) const;
    // Whether text (a command line, say) holds one of the file's names.
    bool MentionedIn(const std::string& text) const;

private:
    std::string longName;
    std::string shortName;
};

// The 8.3 form of a path: of the file when it exists; else its folder's followed by its name
// when that name is an 8.3 one itself; else empty.
std::string ShortFormOf(const std::string& path);

} // namespace SSETUPOS
