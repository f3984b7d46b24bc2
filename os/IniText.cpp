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

// One pass over a line finds its end and the first '[' and '=' in it: the bytes that stop
// the scan are marked here (a table, as this is the loop the whole edit time goes to).
namespace {

struct CStopBytes {
    bool stops[256];
};

constexpr CStopBytes MakeStopBytes() {
    CStopBytes table{};
    table.stops[static_cast<unsigned char>('\r')] = true;
    table.stops[static_cast<unsigned char>('\n')] = true;
    table.stops[static_cast<unsigned char>('[')] = true;
    table.stops[static_cast<unsigned char>('=')] = true;
    return table;
}

constexpr CStopBytes kStopBytes = MakeStopBytes();

} // namespace

CIniText::CLine CIniText::LineAt(size_t pos) const {
    const unsigned char* const bytes = reinterpret_cast<const unsigned char*>(data);
    CLine line{pos, pos, pos, size, size};
    size_t at = pos;
    for (;; ++at) {
        while (at < size && !kStopBytes.stops[bytes[at]]) {
            ++at;
        }
        if (at == size || IsLineBreak(data[at])) {
            break;
        }
        if (data[at] == '[' && line.open == size) {
            line.open = at;
        } else if (data[at] == '=' && line.equals == size) {
            line.equals = at;
        }
    }
    line.end = at;
    line.next = at;
    if (at < size) {
        line.next += data[at] == '\r' && at + 1 < size && data[at + 1] == '\n' ? 2 : 1;
    }
    return line;
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
    if (line.open == size) {
        return false;
    }
    const size_t nameBegin = line.open + 1;
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
    return {size, size, size, size, size};
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
            if (line.equals != size) {
                const size_t split = line.equals;
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
