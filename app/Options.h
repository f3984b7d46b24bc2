#pragma once
// The parsed command line, asked by option identifier.
#include <string>
#include <vector>

namespace SSetupOptions {

enum OptionId {
    OPT_UNKNOWN = -1,
    OPT_HELP = 0,
    OPT_LOG = 1,
    OPT_QUIET = 2,
    OPT_OVERWRITE = 3,
    OPT_UNINSTALL = 4,
    OPT_ASK_REBOOT = 5,
    OPT_NO_REBOOT = 6,
    OPT_LANGUAGE = 7,
    OPT_SHOW_ERRORS = 8,
    OPT_DISTRIBUTIVE = 9,
};

enum LanguageChoice {
    LANGUAGE_NONE = 0,
    LANGUAGE_RUSSIAN = 1,
    LANGUAGE_ENGLISH = 2,
};

class COptions {
public:
    // Upper-cases the text and reads its blank-separated tokens (quotes mean nothing).
    void Parse(const char* commandLine);
    void Clear();

    bool Has(int id) const;
    bool IsQuiet() const { return Has(OPT_QUIET); }
    bool IsErrorDisplayForced() const { return Has(OPT_SHOW_ERRORS); }
    bool IsLogRequested() const { return Has(OPT_LOG); }
    bool IsQuietOverwrite() const { return Has(OPT_QUIET) && Has(OPT_OVERWRITE); }
    int GetLanguage() const { return language; }
    std::string GetLogPath() const { return logPath; }
    std::string GetDistributivePath() const { return distributivePath; }
    const std::vector<int>& GetIds() const { return ids; }

private:
    void AddId(int id);

    std::vector<int> ids;
    int language = LANGUAGE_NONE;
    std::string logPath;
    std::string distributivePath;
};

} // namespace SSetupOptions
