#include "os/IniText.h"
#include <cstring>

namespace SWININIT {

namespace {

const char kLineBreak[] = "\r\n";

bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
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

size_t CIniText::LineEnd(size_t pos) const {
    while (pos < size && !IsLineBreak(data[pos])) {
        ++pos;
    }
    return pos;
}

size_t CIniText::NextLine(size_t pos) const {
    pos = LineEnd(pos);
    if (pos < size && data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n') {
        return pos + 2;
    }
    return pos < size ? pos + 1 : pos;
}

bool CIniText::EndsInsideLine() const {
    return size > 0 && !IsLineBreak(data[size - 1]);
}

bool CIniText::IsBlank(size_t pos) const {
    for (const size_t end = LineEnd(pos); pos < end; ++pos) {
        if (data[pos] != ' ' && data[pos] != '\t') {
            return false;
        }
    }
    return true;
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

bool CIniText::IsSectionHeader(size_t pos, CRange* name) const {
    const size_t end = LineEnd(pos);
    const void* open = std::memchr(data + pos, '[', end - pos);
    if (open == nullptr) {
        return false;
    }
    const size_t nameBegin = static_cast<const char*>(open) - data + 1;
    const void* close = std::memchr(data + nameBegin, ']', end - nameBegin);
    if (close == nullptr) {
        return false;
    }
    *name = Trimmed(nameBegin, static_cast<const char*>(close) - data);
    return true;
}

bool CIniText::IsSection(size_t pos, const std::string& upperName) const {
    CRange name;
    return IsSectionHeader(pos, &name) && Equals(name, upperName);
}

size_t CIniText::FindSection(const std::string& upperName, size_t from) const {
    for (size_t pos = from; pos < size; pos = NextLine(pos)) {
        if (IsSection(pos, upperName)) {
            return pos;
        }
    }
    return size;
}

size_t CIniText::FindInsertionPoint(size_t header) const {
    CRange name;
    size_t insertion = NextLine(header);
    if (insertion >= size || IsSectionHeader(insertion, &name)) {
        return insertion;
    }
    // The first line of the section counts even when blank; later blank lines only count
    // when a non-blank line follows them, so blank lines that end the section stay last.
    insertion = NextLine(insertion);
    for (size_t pos = insertion; pos < size && !IsSectionHeader(pos, &name);) {
        const bool blank = IsBlank(pos);
        pos = NextLine(pos);
        if (!blank) {
            insertion = pos;
        }
    }
    return insertion;
}

CTextEdit CIniText::AddEntry(const std::string& section, const std::string& key,
                             const std::string& value) const {
    CTextEdit edit;
    const size_t header = FindSection(CompareForm(section, upper), 0);
    if (header == size) {
        edit.at = size;
        edit.insert = "[" + section + "]" + kLineBreak;
    } else {
        edit.at = FindInsertionPoint(header);
    }
    // Text put behind an unterminated last line would join that line.
    if (edit.at == size && EndsInsideLine()) {
        edit.insert = kLineBreak + edit.insert;
    }
    edit.insert += key + " = " + value + kLineBreak;
    return edit;
}

bool CIniText::RemoveEntry(const std::string& section, const std::string& key,
                           const std::string& value, CTextEdit* edit) const {
    const std::string upperName = CompareForm(section, upper);
    const std::string upperKey = CompareForm(key, upper);
    const std::string upperValue = CompareForm(value, upper);
    CRange name;
    for (size_t header = FindSection(upperName, 0); header < size;
         header = FindSection(upperName, header)) {
        size_t pos = NextLine(header);
        for (; pos < size && !IsSectionHeader(pos, &name); pos = NextLine(pos)) {
            const size_t end = LineEnd(pos);
            const void* equals = std::memchr(data + pos, '=', end - pos);
            if (equals == nullptr) {
                continue;
            }
            const size_t split = static_cast<const char*>(equals) - data;
            if (Equals(Trimmed(pos, split), upperKey) &&
                Equals(Trimmed(split + 1, end), upperValue)) {
                edit->at = pos;
                edit->erase = NextLine(pos) - pos;
                edit->insert.clear();
                return true;
            }
        }
        header = pos;
    }
    return false;
}

} // namespace SWININIT
