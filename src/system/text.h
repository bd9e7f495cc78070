// The small text operations of every layer, each with one behaviour: ASCII
// case folding, search and replacement in any case, exact replacement, the
// cuts at a NUL, the leading printable run, blank trimming and the splits of
// NUL-separated lists. No Windows API, so the modules that use them can be
// fuzzed on their own.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

// Case folding of the ASCII letters A-Z and a-z; every other byte stays.
char LowerChar(char c);
char UpperChar(char c);
std::string LowerText(const std::string &text);
// The key under which a file name is kept where case is ignored: an ASCII name
// with its letters folded; any other name as it stands, since folding bytes
// one by one could join two different names of a double-byte code page whose
// trail bytes are letters.
std::string FileNameKey(const std::string &name);
// Position of the first occurrence of what in text, case ignored; npos if none.
std::size_t FindNoCase(const std::string &text, const std::string &what, std::size_t from = 0);
bool ContainsNoCase(const std::string &text, const std::string &what);
// True when text ends with what, case ignored.
bool EndsWithNoCase(const std::string &text, const std::string &what);
// Every occurrence of what, in any case, replaced by with. The search goes on
// after the inserted text, so a replacement holding the pattern is not
// expanded again.
std::string ReplaceAllNoCase(const std::string &text, const std::string &what, const std::string &with);
// Every exact occurrence of what replaced by with.
std::string ReplaceAll(const std::string &text, const std::string &what, const std::string &with);
// Every exact occurrence of what removed.
inline std::string RemoveAll(const std::string &text, const std::string &what) { return ReplaceAll(text, what, ""); }

// The text up to its first NUL; "" when it holds none (a buffer the system
// did not write to).
std::string TrimNull(const std::string &text);
// The text up to its first NUL; all of it when it holds none.
std::string CutAtNull(const std::string &text);
// The leading run of characters from code 32 up: ends at the first control
// character or NUL; characters above 127 are kept.
std::string CleanString(const std::string &text);
// The text without leading and trailing blanks (spaces only).
std::string TrimBlanks(const std::string &text);

// The text split at every NUL, empty pieces kept ("a", NUL gives "a" and "");
// an empty text gives no piece.
std::vector<std::string> SplitNul(const std::string &text);
// A list value's items from a blank-padded buffer: with a NUL, the text split
// at every NUL (empty items kept); without one, the text trimmed of blanks as
// the one item; an empty text gives none.
std::vector<std::string> SplitMultiSz(const std::string &data);
// The items of a list value's exact data, split at its NULs with the empty
// pieces dropped; data shorter than two bytes is an empty list.
std::vector<std::string> SplitMultiStringData(const std::string &data);
