#pragma once
// The line model of WININIT.INI and the edits the boot-time renames make to it: plain text
// work on a byte range, without system calls, so that it runs anywhere.
//
// A line ends at CR LF, a lone CR or a lone LF, or the end of the text. A run of NUL bytes
// at the very end (left by an edit that was cut short) is not text: edits go before it.
#include <cstddef>
#include <functional>
#include <string>

namespace SWININIT {

// Upper case of every byte value, as the system's code page has it.
struct CUpperCase {
    unsigned char of[256];
};

// One change: erase bytes [at, at + erase) and put insert there instead.
struct CTextEdit {
    size_t at = 0;
    size_t erase = 0;
    std::string insert;
};

class CIniText {
public:
    CIniText(const char* data, size_t size, const CUpperCase& upper);

    // The end of the text: the data without a trailing run of NUL bytes.
    size_t Size() const { return size; }

    // The line "key = value" (CR LF ended) added after the last non-blank line of the first
    // section of that name; the section, with its header, is appended when there is none.
    CTextEdit AddEntry(const std::string& section, const std::string& key,
                       const std::string& value) const;
    // Removes the first entry line of a section of that name (all such sections are searched,
    // in order) whose key and value match without regard to letter case and surrounding
    // spaces. False when there is none.
    bool RemoveEntry(const std::string& section, const std::string& key, const std::string& value,
                     CTextEdit* edit) const;
    // Whether an entry is wanted, by its key and value as the line holds them (trimmed of
    // spaces, letter case kept).
    using EntryMatch = std::function<bool(const std::string& key, const std::string& value)>;
    // Removes the first entry line of a section of that name (all such sections are searched,
    // in order) that match wants. False when there is none.
    bool RemoveMatching(const std::string& section, const EntryMatch& match, CTextEdit* edit) const;
    // Puts a removed line (with its line break) back at where it stood; when that is no longer
    // the start of a line, the line goes where AddEntry puts one.
    CTextEdit PutBack(const std::string& section, size_t at, const std::string& line) const;
    // The bytes [at, at + count).
    std::string Text(size_t at, size_t count) const;

private:
    struct CRange {
        size_t begin;
        size_t end;
    };
    // A line: its text [begin, end), the start of the next line (past its line break), and
    // its first '=' (Size() when it has none).
    struct CLine {
        size_t begin;
        size_t end;
        size_t next;
        size_t equals;
    };

    // The line (CR LF ended) added after the last non-blank line of the section.
    CTextEdit AddLine(const std::string& section, const std::string& line) const;
    std::string Text(CRange range) const;

    // The first position of byte in [from, to), or to.
    size_t Find(size_t from, size_t to, char byte) const;
    // The first of the two bytes at or after from, or Size().
    size_t FindEither(size_t from, char one, char other) const;
    // The first CR or LF at or after from, or Size().
    size_t FindLineBreak(size_t from) const;
    // The start of the line after the line break at lineBreak (Size() at the end).
    size_t NextLine(size_t lineBreak) const;
    CLine LineAt(size_t pos) const;
    // The start of the line holding at; sectionStart is a line start at or before it.
    size_t LineStart(size_t sectionStart, size_t at) const;
    // The first section header line at or after the line start from; a line at Size() if none.
    CLine NextHeader(size_t from) const;
    // Where the line holding equals starts when the text before it on the line, trimmed, is
    // upperKey; Size() otherwise. sectionStart is a line start at or before that line.
    size_t KeyLineStart(size_t sectionStart, size_t equals, const std::string& upperKey) const;
    bool EndsInsideLine() const;
    // A line whose first character other than blanks is '['; name is the text after it up to
    // the next ']' (or the end of the line), trimmed of spaces.
    bool IsSectionHeader(const CLine& line, CRange* name) const;
    bool IsSection(const CLine& line, const std::string& upperName) const;
    // The first header line of that section at or after from; a line at Size() if none.
    CLine FindSection(const std::string& upperName, size_t from) const;
    size_t FindInsertionPoint(const CLine& header) const;
    CRange Trimmed(size_t begin, size_t end) const;
    // Whether the bytes of range are upperText after upper-casing.
    bool Equals(CRange range, const std::string& upperText) const;

    const char* data;
    size_t size;
    const CUpperCase& upper;
};

// The text upper-cased and trimmed of spaces, as names, keys and values are compared.
std::string CompareForm(const std::string& text, const CUpperCase& upper);

} // namespace SWININIT
