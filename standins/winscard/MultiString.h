// Multi-strings ("a\0b\0\0") as WinSCard passes reader and group lists.
#pragma once

#include <string>
#include <vector>

namespace WINSCARD_STANDIN {

// The strings of a multi-string; a null pointer gives an empty list.
std::vector<std::string> SplitMultiString(const char* multiString);

// The multi-string of the names with its closing extra NUL; an empty list gives one NUL.
std::string JoinMultiString(const std::vector<std::string>& names);

// True when both texts are equal apart from letter case (ANSI rules of the system).
bool SameName(const std::string& a, const std::string& b);

// Appends the names not yet present (letter case ignored).
void AppendUnique(std::vector<std::string>* names, const std::vector<std::string>& more);

} // namespace WINSCARD_STANDIN
