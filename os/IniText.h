#pragma once
// The line model of WININIT.INI: sections, key = value entries, blank lines.
// Read-only work on a byte range; positions are offsets into it.
#include <cstddef>
#include <string>

namespace SWININIT {

// Upper case as the system sees it (CharUpperA, character by character).
std::string ToUpper(const std::string& text);
// Without leading and trailing space characters (tabs stay).
std::string TrimSpaces(const std::string& text);

class CIniText {
public:
    CIniText(const char* data, size_t size) : data(data), size(size) {}

    size_t Size() const { return size; }
    // The end of the line that starts at pos: its first CR or LF, or the end of data.
    size_t LineEnd(size_t pos) const;
    // The start of the line after the one at pos (past its CR LF, CR or LF).
    size_t NextLine(size_t pos) const;
    // Whether the text ends inside a line, that is, not with a line break.
    bool EndsInsideLine() const;

    bool IsBlank(size_t pos) const;
    // A '[' with a ']' somewhere after it; name is the text between, trimmed of spaces.
    bool IsSectionHeader(size_t pos, std::string* name = nullptr) const;
    // A line with '=': key before the first '=', value after it, both trimmed of spaces.
    bool IsEntry(size_t pos, std::string* key, std::string* value) const;

    // The start of the first header of that section (letter case ignored); Size() if none.
    size_t FindSection(const std::string& section) const;
    // Where a new entry of the section whose header starts at header goes: after the line
    // that follows the header and after every later non-blank line, up to the next header.
    size_t FindInsertionPoint(size_t header) const;
    // The start of the first entry line after header whose key and value match (letter case
    // ignored); Size() if none. The search runs to the end of data.
    size_t FindEntry(size_t header, const std::string& key, const std::string& value) const;

private:
    std::string Line(size_t pos) const { return std::string(data + pos, data + LineEnd(pos)); }

    const char* data;
    size_t size;
};

} // namespace SWININIT
