#include "os/IniText.h"
#include "os/PathText.h"

namespace SWININIT {

std::string ToUpper(const std::string& text) {
    return SSETUPOS::ToUpperText(text);
}

std::string TrimSpaces(const std::string& text) {
    const std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

size_t CIniText::LineEnd(size_t pos) const {
    while (pos < size && data[pos] != '\r' && data[pos] != '\n') {
        ++pos;
    }
    return pos;
}

size_t CIniText::NextLine(size_t pos) const {
    pos = LineEnd(pos);
    if (pos < size && data[pos] == '\r') {
        ++pos;
        if (pos < size && data[pos] == '\n') {
            ++pos;
        }
    } else if (pos < size) {
        ++pos;
    }
    return pos;
}

bool CIniText::EndsInsideLine() const {
    return size > 0 && data[size - 1] != '\r' && data[size - 1] != '\n';
}

bool CIniText::IsBlank(size_t pos) const {
    return Line(pos).find_first_not_of(" \t") == std::string::npos;
}

bool CIniText::IsSectionHeader(size_t pos, std::string* name) const {
    const std::string line = Line(pos);
    const std::string::size_type open = line.find('[');
    if (open == std::string::npos) {
        return false;
    }
    const std::string::size_type close = line.find(']', open + 1);
    if (close == std::string::npos) {
        return false;
    }
    if (name != nullptr) {
        *name = TrimSpaces(line.substr(open + 1, close - open - 1));
    }
    return true;
}

bool CIniText::IsEntry(size_t pos, std::string* key, std::string* value) const {
    const std::string line = Line(pos);
    const std::string::size_type equals = line.find('=');
    if (equals == std::string::npos) {
        return false;
    }
    *key = TrimSpaces(line.substr(0, equals));
    *value = TrimSpaces(line.substr(equals + 1));
    return true;
}

size_t CIniText::FindSection(const std::string& section) const {
    const std::string wanted = ToUpper(TrimSpaces(section));
    std::string name;
    for (size_t pos = 0; pos < size; pos = NextLine(pos)) {
        if (IsSectionHeader(pos, &name) && ToUpper(name) == wanted) {
            return pos;
        }
    }
    return size;
}

size_t CIniText::FindInsertionPoint(size_t header) const {
    size_t insertion = NextLine(header);
    if (insertion >= size || IsSectionHeader(insertion)) {
        return insertion;
    }
    // The first line of the section counts even when blank; later blank lines only count
    // when a non-blank line follows them, so blank lines that end the section stay last.
    insertion = NextLine(insertion);
    for (size_t pos = insertion; pos < size && !IsSectionHeader(pos);) {
        const bool blank = IsBlank(pos);
        pos = NextLine(pos);
        if (!blank) {
            insertion = pos;
        }
    }
    return insertion;
}

size_t CIniText::FindEntry(size_t header, const std::string& key, const std::string& value) const {
    const std::string wantedKey = ToUpper(TrimSpaces(key));
    const std::string wantedValue = ToUpper(TrimSpaces(value));
    std::string lineKey;
    std::string lineValue;
    for (size_t pos = NextLine(header); pos < size; pos = NextLine(pos)) {
        // Upper case keeps the length: unequal lengths need no case conversion to differ.
        if (IsEntry(pos, &lineKey, &lineValue) && lineKey.size() == wantedKey.size() &&
            lineValue.size() == wantedValue.size() && ToUpper(lineKey) == wantedKey &&
            ToUpper(lineValue) == wantedValue) {
            return pos;
        }
    }
    return size;
}

} // namespace SWININIT
