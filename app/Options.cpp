#include "app/Options.h"
#include "app/SingletonAutoPointer.h"
#include <windows.h>
#include <algorithm>

namespace SSetupOptions {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string> SplitTokens(const std::string& text) {
    std::vector<std::string> tokens;
    std::string::size_type at = 0;
    while (at < text.size()) {
        while (at < text.size() && IsBlank(text[at])) {
            ++at;
        }
        const std::string::size_type start = at;
        while (at < text.size() && !IsBlank(text[at])) {
            ++at;
        }
        if (at > start) {
            tokens.push_back(text.substr(start, at - start));
        }
    }
    return tokens;
}

bool StartsLikeOption(const std::string& token) {
    return !token.empty() && (token[0] == '/' || token[0] == '-');
}

struct OptionName {
    const char* name;
    int id;
};

const OptionName optionNames[] = {
    {"DISTR", OPT_DISTRIBUTIVE},
    {"ED", OPT_SHOW_ERRORS},
    {"H", OPT_HELP},
    {"LOG", OPT_LOG},
    {"LE", OPT_LANGUAGE},
    {"LR", OPT_LANGUAGE},
    {"NORB", OPT_NO_REBOOT},
    {"O", OPT_OVERWRITE},
    {"Q", OPT_QUIET},
    {"RB", OPT_ASK_REBOOT},
    {"U", OPT_UNINSTALL},
};

int LookUpOption(const std::string& rest) {
    for (const OptionName& option : optionNames) {
        if (rest == option.name) {
            return option.id;
        }
    }
    return OPT_UNKNOWN;
}

} // namespace

void COptions::Clear() {
    ids.clear();
    language = LANGUAGE_NONE;
    logPath.clear();
    distributivePath.clear();
}

bool COptions::Has(int id) const {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

void COptions::AddId(int id) {
    if (!Has(id)) {
        ids.push_back(id);
    }
}

void COptions::Parse(const char* commandLine) {
    std::string text = commandLine != nullptr ? commandLine : "";
    if (!text.empty()) {
        // The system's ANSI upper-casing: option arguments (paths) arrive upper-cased too.
        CharUpperA(&text[0]);
    }
    const std::vector<std::string> tokens = SplitTokens(text);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const std::string& token = tokens[i];
        if (!StartsLikeOption(token) || token.size() < 2 || token[1] < 'D' || token[1] > 'U') {
            AddId(OPT_UNKNOWN);
            continue;
        }
        const std::string rest = token.substr(1);
        const int id = LookUpOption(rest);
        if (rest == "LE") {
            language = LANGUAGE_ENGLISH;
        } else if (rest == "LR") {
            language = LANGUAGE_RUSSIAN;
        }
        if ((id == OPT_LOG || id == OPT_DISTRIBUTIVE) && i + 1 < tokens.size() &&
            !StartsLikeOption(tokens[i + 1])) {
            ++i;
            (id == OPT_LOG ? logPath : distributivePath) = tokens[i];
        }
        AddId(id);
    }
}

} // namespace SSetupOptions

// The options and their holder live for the whole process, so that the command line parsed
// at start-up is seen by every later holder.
SDP::singleton_auto_pointer<SSetupOptions::COptions> g_optionsHolder;
