#include "os/IniText.h"
#include <cstdint>
#include <cstring>

namespace SWININIT {

namespace {

const char kLineBreak[] = "\r\n";

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

bool IsBlankOrBreak(char c) {
    return c == ' ' || c == '\t' || IsLineBreak(c);
}

} // namespace

std::string CompareForm(const std::string& text, const CUpperCase& upper) {
    const std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    std::string form = text.substr(first, text.find_last_not_of(' ') - first + 1);
    for (char& c : form) {
        c = static_cast<char>(upper.of[static_cast<unsigned char>(c)]);
    }
    return form;
}

CIniText::CIniText(const char* data, size_t size, const CUpperCase& upper)
    : data(data), size(size), upper(upper) {
    while (this->size > 0 && data[this->size - 1] == '\0') {
        --this->size;
    }
}

namespace {

uint32_t LoadWord(const char* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    return word;
}

// Whether a byte of the word is zero: four bytes per step, on any processor the system runs on.
bool HasZeroByte(uint32_t word) {
    return ((word - 0x01010101u) & ~word & 0x80808080u) != 0;
}

uint32_t EveryByte(char byte) {
    return 0x01010101u * static_cast<unsigned char>(byte);
}

} // namespace

// The scans below are the whole cost of an edit of a long file: they look at four bytes per
// step and only stop where a line can matter.
size_t CIniText::Find(size_t from, size_t to, char byte) const {
    const uint32_t pattern = EveryByte(byte);
    size_t at = from;
    while (at + 4 <= to && !HasZeroByte(LoadWord(data + at) ^ pattern)) {
        at += 4;
    }
    while (at < to && data[at] != byte) {
        ++at;
    }
    return at;
}

size_t CIniText::FindEither(size_t from, char one, char other) const {
    const uint32_t first = EveryByte(one);
    const uint32_t second = EveryByte(other);
    size_t at = from;
    while (at + 4 <= size) {
        const uint32_t word = LoadWord(data + at);
        if (HasZeroByte(word ^ first) || HasZeroByte(word ^ second)) {
            break;
        }
        at += 4;
    }
    while (at < size && data[at] != one && data[at] != other) {
        ++at;
    }
    return at;
}

size_t CIniText::FindLineBreak(size_t from) const {
    return FindEither(from, '\r', '\n');
}

size_t CIniText::NextLine(size_t lineBreak) const {
    if (lineBreak >= size) {
        return size;
    }
    return lineBreak +
           (data[lineBreak] == '\r' && lineBreak + 1 < size && data[lineBreak + 1] == '\n' ? 2 : 1);
}

CIniText::CLine CIniText::LineAt(size_t pos) const {
    const size_t end = FindLineBreak(pos);
    const size_t equals = Find(pos, end, '=');
    return {pos, end, NextLine(end), equals == end ? size : equals};
}

CIniText::CLine CIniText::NextHeader(size_t from) const {
    for (size_t lineStart = from; lineStart < size;) {
        const size_t open = Find(lineStart, size, '[');
        if (open == size) {
            break;
        }
        CRange name;
        const CLine line = LineAt(LineStart(lineStart, open));
        if (IsSectionHeader(line, &name)) {
            return line;
        }
        lineStart = line.next;
    }
    return {size, size, size, size};
}

bool CIniText::EndsInsideLine() const {
    return size > 0 && !IsLineBreak(data[size - 1]);
}

CIniText::CRange CIniText::Trimmed(size_t begin, size_t end) const {
    while (begin < end && data[begin] == ' ') {
        ++begin;
    }
    while (end > begin && data[end - 1] == ' ') {
        --end;
    }
    return {begin, end};
}

bool CIniText::Equals(CRange range, const std::string& upperText) const {
    if (range.end - range.begin != upperText.size()) {
        return false;
    }
    for (size_t n = 0; n < upperText.size(); ++n) {
        if (upper.of[static_cast<unsigned char>(data[range.begin + n])] !=
            static_cast<unsigned char>(upperText[n])) {
            return false;
        }
    }
    return true;
}

// As the system reads the file at boot: a '[' elsewhere on a line ("note=see [Rename]")
// opens no section.
bool CIniText::IsSectionHeader(const CLine& line, CRange* name) const {
    size_t open = line.begin;
    while (open < line.end && (data[open] == ' ' || data[open] == '\t')) {
        ++open;
    }
    if (open == line.end || data[open] != '[') {
        return false;
    }
    const size_t nameBegin = open + 1;
    const void* close = std::memchr(data + nameBegin, ']', line.end - nameBegin);
    *name = Trimmed(nameBegin, close ? static_cast<const char*>(close) - data : line.end);
    return true;
}

bool CIniText::IsSection(const CLine& line, const std::string& upperName) const {
    CRange name;
    return IsSectionHeader(line, &name) && Equals(name, upperName);
}

CIniText::CLine CIniText::FindSection(const std::string& upperName, size_t from) const {
    for (CLine line = NextHeader(from); line.begin < size; line = NextHeader(line.next)) {
        if (IsSection(line, upperName)) {
            return line;
        }
    }
    return {size, size, size, size};
}

size_t CIniText::FindInsertionPoint(const CLine& header) const {
    CRange name;
    if (header.next >= size) {
        return header.next;
    }
    const CLine first = LineAt(header.next);
    if (IsSectionHeader(first, &name)) {
        return first.begin;
    }
    // The first line of the section counts even when blank; later blank lines only count
    // when a non-blank line follows them, so blank lines that end the section stay last.
    size_t last = NextHeader(first.next).begin;
    while (last > first.next && IsBlankOrBreak(data[last - 1])) {
        --last;
    }
    return last == first.next ? first.next : NextLine(FindLineBreak(last));
}

CTextEdit CIniText::AddEntry(const std::string& section, const std::string& key,
                             const std::string& value) const {
    return AddLine(section, key + " = " + value + kLineBreak);
}

CTextEdit CIniText::AddLine(const std::string& section, const std::string& line) const {
    CTextEdit edit;
    const CLine header = FindSection(CompareForm(section, upper), 0);
    if (header.begin == size) {
        edit.at = size;
        edit.insert = "[" + section + "]" + kLineBreak;
    } else {
        edit.at = FindInsertionPoint(header);
    }
    // Text put behind an unterminated last line would join that line.
    if (edit.at == size && EndsInsideLine()) {
        edit.insert = kLineBreak + edit.insert;
    }
    edit.insert += line;
    return edit;
}

bool CIniText::RemoveMatching(const std::string& section, const EntryMatch& match,
                              CTextEdit* edit) const {
    const std::string upperName = CompareForm(section, upper);
    bool inSection = false;
    CRange name;
    for (size_t pos = 0; pos < size;) {
        const CLine line = LineAt(pos);
        if (IsSectionHeader(line, &name)) {
            inSection = Equals(name, upperName);
        } else if (inSection && line.equals != size &&
                   match(Text(Trimmed(line.begin, line.equals)),
                         Text(Trimmed(line.equals + 1, line.end)))) {
            edit->at = line.begin;
            edit->erase = line.next - line.begin;
            edit->insert.clear();
            return true;
        }
        pos = line.next;
    }
    return false;
}

CTextEdit CIniText::PutBack(const std::string& section, size_t at, const std::string& line) const {
    // Where it stood, when that is still the start of a line; else where an entry goes.
    if (at <= size && (at == 0 || IsLineBreak(data[at - 1]))) {
        CTextEdit edit;
        edit.at = at;
        edit.insert = line;
        return edit;
    }
    const bool ended = !line.empty() && IsLineBreak(line.back());
    return AddLine(section, ended ? line : line + kLineBreak);
}

std::string CIniText::Text(size_t at, size_t count) const {
    return std::string(data + at, count);
}

std::string CIniText::Text(CRange range) const {
    return Text(range.begin, range.end - range.begin);
}

bool CIniText::RemoveEntry(const std::string& section, const std::string& key,
                           const std::string& value, CTextEdit* edit) const {
    const std::string upperName = CompareForm(section, upper);
    const std::string upperKey = CompareForm(key, upper);
    const std::string upperValue = CompareForm(value, upper);
    // A line splits at its first '=', so no key holds one.
    if (upperKey.find('=') != std::string::npos) {
        return false;
    }
    CRange name;
    for (CLine header = FindSection(upperName, 0); header.begin < size;) {
        // One pass over the section stops only at '=' and '[': an '=' that is not the first
        // of its line has another '=' before it on the line, which no key matches; a '['
        // may open the next section.
        size_t at = FindEither(header.next, '=', '[');
        for (; at < size; at = FindEither(at + 1, '=', '[')) {
            const size_t begin = data[at] == '=' ? KeyLineStart(header.next, at, upperKey)
                                                 : LineStart(header.next, at);
            if (begin == size) {
                continue;
            }
            const CLine line = LineAt(begin);
            if (IsSectionHeader(line, &name)) {
                break;
            }
            if (data[at] == '=' && Equals(Trimmed(at + 1, line.end), upperValue)) {
                edit->at = begin;
                edit->erase = line.next - begin;
                edit->insert.clear();
                return true;
            }
        }
        header = FindSection(upperName, at);
    }
    return false;
}

size_t CIniText::LineStart(size_t sectionStart, size_t at) const {
    while (at > sectionStart && !IsLineBreak(data[at - 1])) {
        --at;
    }
    return at;
}

size_t CIniText::KeyLineStart(size_t sectionStart, size_t equals,
                              const std::string& upperKey) const {
    // Compared from the '=' backwards: most keys differ in their last bytes.
    size_t at = equals;
    while (at > sectionStart && data[at - 1] == ' ') {
        --at;
    }
    for (size_t n = upperKey.size(); n > 0; --n, --at) {
        if (at == sectionStart || IsLineBreak(data[at - 1]) ||
            upper.of[static_cast<unsigned char>(data[at - 1])] !=
                static_cast<unsigned char>(upperKey[n - 1])) {
            return size;
        }
    }
    while (at > sectionStart && data[at - 1] == ' ') {
        --at;
    }
    return at == sectionStart || IsLineBreak(data[at - 1]) ? at : size;
}

} // namespace SWININIT
