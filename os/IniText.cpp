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
    : data(data), size(size), upper(upper), lineFeedFrom(1), lineFeed(0) {
    while (this->size > 0 && data[this->size - 1] == '\0') {
        --this->size;
    }
}

CIniText::CLine CIniText::LineAt(size_t pos) const {
    // The next LF is looked for once and kept while the lines before it are read, so that a
    // file of CR-ended lines is not searched to its end for every line.
    if (pos < lineFeedFrom || pos > lineFeed) {
        lineFeedFrom = pos;
        const void* found = std::memchr(data + pos, '\n', size - pos);
        lineFeed = found != nullptr ? static_cast<const char*>(found) - data : size;
    }
    const void* cr = std::memchr(data + pos, '\r', lineFeed - pos);
    const size_t end = cr != nullptr ? static_cast<const char*>(cr) - data : lineFeed;
    size_t next = end;
    if (next < size) {
        next += data[next] == '\r' && next + 1 < size && data[next + 1] == '\n' ? 2 : 1;
    }
    return {pos, end, next};
}

bool CIniText::EndsInsideLine() const {
    return size > 0 && !IsLineBreak(data[size - 1]);
}

bool CIniText::IsBlank(const CLine& line) const {
    for (size_t pos = line.begin; pos < line.end; ++pos) {
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

bool CIniText::IsSectionHeader(const CLine& line, CRange* name) const {
    const void* open = std::memchr(data + line.begin, '[', line.end - line.begin);
    if (open == nullptr) {
        return false;
    }
    const size_t nameBegin = static_cast<const char*>(open) - data + 1;
    const void* close = std::memchr(data + nameBegin, ']', line.end - nameBegin);
    if (close == nullptr) {
        return false;
    }
    *name = Trimmed(nameBegin, static_cast<const char*>(close) - data);
    return true;
}

bool CIniText::IsSection(const CLine& line, const std::string& upperName) const {
    CRange name;
    return IsSectionHeader(line, &name) && Equals(name, upperName);
}

CIniText::CLine CIniText::FindSection(const std::string& upperName, size_t from) const {
    for (size_t pos = from; pos < size;) {
        const CLine line = LineAt(pos);
        if (IsSection(line, upperName)) {
            return line;
        }
        pos = line.next;
    }
    return {size, size, size};
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
    size_t insertion = first.next;
    for (size_t pos = insertion; pos < size;) {
        const CLine line = LineAt(pos);
        if (IsSectionHeader(line, &name)) {
            break;
        }
        if (!IsBlank(line)) {
            insertion = line.next;
        }
        pos = line.next;
    }
    return insertion;
}

CTextEdit CIniText::AddEntry(const std::string& section, const std::string& key,
                             const std::string& value) const {
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
    edit.insert += key + " = " + value + kLineBreak;
    return edit;
}

bool CIniText::RemoveEntry(const std::string& section, const std::string& key,
                           const std::string& value, CTextEdit* edit) const {
    const std::string upperName = CompareForm(section, upper);
    const std::string upperKey = CompareForm(key, upper);
    const std::string upperValue = CompareForm(value, upper);
    CRange name;
    for (CLine header = FindSection(upperName, 0); header.begin < size;
         header = FindSection(upperName, header.begin)) {
        size_t pos = header.next;
        for (; pos < size;) {
            const CLine line = LineAt(pos);
            if (IsSectionHeader(line, &name)) {
                break;
            }
            const void* equals = std::memchr(data + pos, '=', line.end - pos);
            if (equals != nullptr) {
                const size_t split = static_cast<const char*>(equals) - data;
                if (Equals(Trimmed(pos, split), upperKey) &&
                    Equals(Trimmed(split + 1, line.end), upperValue)) {
                    edit->at = pos;
                    edit->erase = line.next - pos;
                    edit->insert.clear();
                    return true;
                }
            }
            pos = line.next;
        }
        header.begin = pos;
    }
    return false;
}

} // namespace SWININIT
