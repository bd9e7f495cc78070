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

// The cuts at the first NUL differ only for a text that holds none: TrimNull
// gives "" (a fixed buffer the system did not write to), CutAtNull all of it
// (data that may end without a NUL, such as a registry value's).
std::string TrimNull(const std::string &text);
std::string CutAtNull(const std::string &text);
// The leading run of characters from code 32 up: ends at the first control
// character or NUL; characters above 127 are kept.
std::string CleanString(const std::string &text);
// The text without leading and trailing blanks (spaces only).
std::string TrimBlanks(const std::string &text);

// The splits of NUL-separated lists differ in what they keep:
// SplitNul keeps every piece, empty ones too ("a", NUL gives "a" and ""); an
// empty text gives no piece. It reads lists the system fills in (the drives).
std::vector<std::string> SplitNul(const std::string &text);
// SplitMultiSz reads a list from a blank-padded buffer: with a NUL as
// SplitNul; without one, the text trimmed of blanks as the one item.
std::vector<std::string> SplitMultiSz(const std::string &data);
// SplitMultiStringData reads a list value's exact data: the pieces at its NULs
// with the empty ones dropped; data shorter than two bytes is an empty list.
std::vector<std::string> SplitMultiStringData(const std::string &data);
