// Small text operations shared by the scanner's string code: ASCII case
// folding, search and replacement in any case, exact replacement. No Windows
// API, so the modules that use them can be fuzzed on their own.
#pragma once
#include <cstddef>
#include <string>

char LowerChar(char c);
char UpperChar(char c);
std::string LowerText(const std::string &text);
// Position of the first occurrence of what in text, case ignored; npos if none.
std::size_t FindNoCase(const std::string &text, const std::string &what, std::size_t from = 0);
bool ContainsNoCase(const std::string &text, const std::string &what);
// Every occurrence of what, in any case, replaced by with. The search goes on
// after the inserted text, so a replacement holding the pattern is not
// expanded again.
std::string ReplaceAllNoCase(const std::string &text, const std::string &what, const std::string &with);
// Every exact occurrence of what replaced by with.
std::string ReplaceAll(const std::string &text, const std::string &what, const std::string &with);
// Every exact occurrence of what removed.
inline std::string RemoveAll(const std::string &text, const std::string &what) { return ReplaceAll(text, what, ""); }
