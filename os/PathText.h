#pragma once
// Path text helpers: plain string work on Windows paths, no file access.
#include <string>

namespace SSETUPOS {

// The text after the last '\' or ':'; the whole path when it has neither.
std::string GetFileNamePart(const std::string& path);
// The text after the last '.'; empty when there is none.
std::string GetExtension(const std::string& path);
// The text before the last '.'; the whole path when there is none.
std::string GetNameWithoutExtension(const std::string& path);
// The text up to and including the last '\'; empty when there is none.
std::string GetDirectoryPart(const std::string& path);
// Upper case as the system sees it: CharUpperA, character by character.
std::string ToUpperText(const std::string& text);

} // namespace SSETUPOS
