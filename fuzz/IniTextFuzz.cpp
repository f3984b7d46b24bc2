// Fuzz target: the WININIT.INI text logic. Every planned edit is compared with a plain
// line-by-line reading of the same text, and the edits must undo each other byte for byte.
#include "os/IniText.h"
#include <windows.h>
#include <fuzzer/FuzzedDataProvider.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using SWININIT::CIniText;
using SWININIT::CTextEdit;
using SWININIT::CUpperCase;

namespace {

const char kLineBreak[] = "\r\n";

void Require(bool holds, const char* property, const std::string& text) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s (text of %zu bytes)\n", property, text.size());
        std::abort();
    }
}

CUpperCase HostUpperCase() {
    CUpperCase upper;
    for (unsigned value = 0; value < 256; ++value) {
        upper.of[value] = HostUpperByte(static_cast<unsigned char>(value));
    }
    return upper;
}

const CUpperCase& Upper() {
    static const CUpperCase upper = HostUpperCase();
    return upper;
}

// The reading of the text that the edits must agree with, written for clarity, not speed.
class CReference {
public:
    explicit CReference(const std::string& text) : text(text) {
        for (size_t pos = 0; pos < text.size();) {
            size_t end = pos;
            while (end < text.size() && text[end] != '\r' && text[end] != '\n') {
                ++end;
            }
            size_t next = end;
            if (next < text.size()) {
                next +=
                    text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n' ? 2 : 1;
            }
            lines.push_back({pos, end, next});
            pos = next;
        }
    }

    CTextEdit Add(const std::string& section, const std::string& key,
                  const std::string& value) const {
        CTextEdit edit;
        size_t header = 0;
        while (header < lines.size() && !IsSection(header, section)) {
            ++header;
        }
        const bool endsInsideLine = !text.empty() && text.back() != '\r' && text.back() != '\n';
        if (header == lines.size()) {
            edit.at = text.size();
            edit.insert = "[" + section + "]" + kLineBreak;
        } else if (header + 1 == lines.size()) {
            edit.at = lines[header].next;
        } else if (IsHeader(header + 1)) {
            edit.at = lines[header + 1].begin;
        } else {
            edit.at = lines[header + 1].next;
            for (size_t n = header + 2; n < lines.size() && !IsHeader(n); ++n) {
                if (Line(n).find_first_not_of(" \t") != std::string::npos) {
                    edit.at = lines[n].next;
                }
            }
        }
        if (edit.at == text.size() && endsInsideLine) {
            edit.insert = kLineBreak + edit.insert;
        }
        edit.insert += key + " = " + value + kLineBreak;
        return edit;
    }

    // The first matching entry in any section of that name; false when there is none.
    bool Remove(const std::string& section, const std::string& key, const std::string& value,
                CTextEdit* edit) const {
        bool inSection = false;
        for (size_t n = 0; n < lines.size(); ++n) {
            if (IsHeader(n)) {
                inSection = IsSection(n, section);
                continue;
            }
            const std::string line = Line(n);
            const size_t equals = line.find('=');
            if (inSection && equals != std::string::npos &&
                Form(line.substr(0, equals)) == Form(key) &&
                Form(line.substr(equals + 1)) == Form(value)) {
                edit->at = lines[n].begin;
                edit->erase = lines[n].next - lines[n].begin;
                edit->insert.clear();
                return true;
            }
        }
        return false;
    }

private:
    struct CLine {
        size_t begin;
        size_t end;
        size_t next;
    };

    static std::string Form(const std::string& text) {
        return SWININIT::CompareForm(text, Upper());
    }
    std::string Line(size_t n) const {
        return text.substr(lines[n].begin, lines[n].end - lines[n].begin);
    }
    // The first character other than blanks is '['; the name runs to the next ']' or the end.
    bool IsHeader(size_t n, std::string* name = nullptr) const {
        const std::string line = Line(n);
        const size_t open = line.find_first_not_of(" \t");
        if (open == std::string::npos || line[open] != '[') {
            return false;
        }
        if (name != nullptr) {
            *name = line.substr(open + 1, line.find(']', open + 1) - open - 1);
        }
        return true;
    }
    bool IsSection(size_t n, const std::string& section) const {
        std::string name;
        return IsHeader(n, &name) && Form(name) == Form(section);
    }

    const std::string& text;
    std::vector<CLine> lines;
};

bool SameEdit(const CTextEdit& a, const CTextEdit& b) {
    return a.at == b.at && a.erase == b.erase && a.insert == b.insert;
}

std::string Applied(const std::string& text, const CTextEdit& edit) {
    return text.substr(0, edit.at) + edit.insert + text.substr(edit.at + edit.erase);
}

// Bytes of an 8.3 path as the entries hold them: no blanks, controls, '=', '[' or ']'.
std::string PathText(FuzzedDataProvider& input) {
    std::string path;
    for (char c : input.ConsumeRandomLengthString(64)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte > ' ' && byte != 0x7F &&
            std::string("=[];,+\"*?<>|/").find(c) == std::string::npos) {
            path += c;
        }
    }
    return path;
}

std::string SectionName(FuzzedDataProvider& input) {
    static const char* const names[] = {"Rename", "rename", " RENAME ", "Other"};
    const size_t choice = input.ConsumeIntegralInRange<size_t>(0, 4);
    if (choice < 4) {
        return names[choice];
    }
    std::string name;
    for (char c : input.ConsumeRandomLengthString(12)) {
        if (c != '\r' && c != '\n' && c != '\0' && c != '[' && c != ']') {
            name += c;
        }
    }
    return name;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string section = SectionName(input);
    const std::string key = input.ConsumeBool() ? std::string("NUL") : PathText(input);
    const std::string value = PathText(input);
    const std::string file = input.ConsumeRemainingBytesAsString();

    const CIniText text(file.data(), file.size(), Upper());
    // A trailing run of NUL bytes is not text; edits reach only the text before it.
    const std::string body = file.substr(0, text.Size());
    Require(body.find_last_not_of('\0') + 1 == body.size(), "only trailing NUL bytes are cut",
            file);
    const CReference reference(body);

    CTextEdit removal;
    CTextEdit expectedRemoval;
    const bool removed = text.RemoveEntry(section, key, value, &removal);
    Require(removed == reference.Remove(section, key, value, &expectedRemoval),
            "an entry is found exactly when the text holds one", file);
    Require(!removed || SameEdit(removal, expectedRemoval),
            "the removed line is the first matching entry line", file);

    // The removal by a match finds the same line, and putting it back gives the text back.
    CTextEdit matched;
    const bool found = text.RemoveMatching(
        section,
        [&key, &value](const std::string& k, const std::string& v) {
            return SWININIT::CompareForm(k, Upper()) == SWININIT::CompareForm(key, Upper()) &&
                   SWININIT::CompareForm(v, Upper()) == SWININIT::CompareForm(value, Upper());
        },
        &matched);
    Require(found == removed && (!found || SameEdit(matched, removal)),
            "the removal by a match agrees with the removal by key and value", file);
    if (found) {
        const std::string without = Applied(body, matched);
        const CIniText withoutText(without.data(), without.size(), Upper());
        const std::string line = body.substr(matched.at, matched.erase);
        Require(Applied(without, withoutText.PutBack(section, matched.at, line)) == body,
                "a removed line put back gives every byte back", file);
    }

    const CTextEdit add = text.AddEntry(section, key, value);
    Require(SameEdit(add, reference.Add(section, key, value)),
            "the entry goes after the last non-blank line of the section", file);

    // Adding then removing gives the text back, with at most the new header left behind.
    const std::string added = Applied(body, add);
    const CIniText addedText(added.data(), added.size(), Upper());
    const std::string line = key + " = " + value + kLineBreak;
    CTextEdit undo;
    Require(addedText.RemoveEntry(section, key, value, &undo), "an added entry is found", file);
    if (!removed) {
        const std::string header = add.insert.substr(0, add.insert.size() - line.size());
        Require(Applied(added, undo) == body.substr(0, add.at) + header + body.substr(add.at),
                "removing the added entry restores every other byte", file);
    }

    // A second entry follows the first one directly.
    const CTextEdit second = addedText.AddEntry(section, key, value);
    Require(second.at == add.at + add.insert.size() && second.insert == line,
            "a second entry goes right after the first", file);
    return 0;
}
