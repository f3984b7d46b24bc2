// Fuzz target: the command-line parser. Besides not crashing, a parse must be repeatable,
// blind to letter case and to surrounding white space, and its answers must agree with
// each other.
#include "app/Options.h"
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

using SSetupOptions::COptions;

namespace {

void Require(bool holds, const char* property, const std::string& commandLine) {
    if (!holds) {
        std::fprintf(stderr, "property failed: %s\ncommand line: \"%s\"\n", property,
                     commandLine.c_str());
        std::abort();
    }
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool SameResult(const COptions& a, const COptions& b) {
    return a.GetIds() == b.GetIds() && a.GetLanguage() == b.GetLanguage() &&
           a.GetLogPath() == b.GetLogPath() && a.GetDistributivePath() == b.GetDistributivePath();
}

std::string Upper(std::string text) {
    if (!text.empty()) {
        CharUpperA(&text[0]);
    }
    return text;
}

std::size_t CountTokens(const std::string& text) {
    std::size_t tokens = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!IsBlank(text[at]) && (at == 0 || IsBlank(text[at - 1]))) {
            ++tokens;
        }
    }
    return tokens;
}

// A path argument is one whole token of the upper-cased command line that does not look like
// an option.
bool IsArgumentToken(const std::string& path, const std::string& upperText) {
    if (path.empty()) {
        return true;
    }
    if (path[0] == '/' || path[0] == '-') {
        return false;
    }
    for (std::size_t at = upperText.find(path); at != std::string::npos;
         at = upperText.find(path, at + 1)) {
        const std::size_t end = at + path.size();
        if ((at == 0 || IsBlank(upperText[at - 1])) &&
            (end == upperText.size() || IsBlank(upperText[end]))) {
            return true;
        }
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A command line is a C string: it ends at the first NUL.
    std::string text(reinterpret_cast<const char*>(data), size);
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));

    COptions options;
    options.Parse(text.c_str());

    COptions again;
    again.Parse(text.c_str());
    Require(SameResult(options, again), "two parses of one text agree", text);
    again.Clear();
    again.Parse(text.c_str());
    Require(SameResult(options, again), "a cleared object parses as a new one", text);

    COptions upper;
    upper.Parse(Upper(text).c_str());
    Require(SameResult(options, upper), "letter case does not matter", text);
    COptions padded;
    padded.Parse((" \t" + text + "\r\n").c_str());
    Require(SameResult(options, padded), "surrounding white space does not matter", text);

    const std::vector<int>& ids = options.GetIds();
    Require(ids.size() <= CountTokens(text), "at most one identifier per token", text);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        Require(ids[i] >= SSetupOptions::OPT_UNKNOWN && ids[i] <= SSetupOptions::OPT_DISTRIBUTIVE,
                "identifiers are known ones", text);
        Require(options.Has(ids[i]), "Has agrees with the identifiers", text);
        for (std::size_t j = i + 1; j < ids.size(); ++j) {
            Require(ids[i] != ids[j], "each identifier once", text);
        }
    }
    Require((options.GetLanguage() != SSetupOptions::LANGUAGE_NONE) ==
                options.Has(SSetupOptions::OPT_LANGUAGE),
            "a language exactly when a language option is given", text);
    Require(options.GetLanguage() >= SSetupOptions::LANGUAGE_NONE &&
                options.GetLanguage() <= SSetupOptions::LANGUAGE_ENGLISH,
            "the language is a known one", text);
    Require(options.GetLogPath().empty() || options.IsLogRequested(), "a log path only with /LOG",
            text);
    Require(options.GetDistributivePath().empty() || options.Has(SSetupOptions::OPT_DISTRIBUTIVE),
            "a distributive folder only with /DISTR", text);
    const std::string upperText = Upper(text);
    Require(IsArgumentToken(options.GetLogPath(), upperText),
            "the log path is one upper-cased argument token", text);
    Require(IsArgumentToken(options.GetDistributivePath(), upperText),
            "the distributive folder is one upper-cased argument token", text);
    Require(options.IsQuietOverwrite() ==
                (options.IsQuiet() && options.Has(SSetupOptions::OPT_OVERWRITE)),
            "quiet overwrite is /Q with /O", text);
    return 0;
}
