// Texts between the program's code page (what the ANSI calls take and give)
// and UTF-16 (what the wide calls and the files' own structures hold).
#pragma once
#include <string>

// The text in UTF-16; "" when it is empty or cannot be converted.
std::wstring WideText(const std::string &text);
// UTF-16 text in the program's code page, as the system's ANSI calls give it:
// a character the code page lacks becomes "?". "" when it is empty or cannot
// be converted.
std::string AnsiText(const std::wstring &text);
std::string AnsiText(const std::u16string &text);
// What a name names when the program acts on an item by it.
enum class NameUse {
    Value,  // a registry value: any text without a NUL ("" is the default value)
    SubKey, // one level of a key path: not empty, no "\\"
    File    // one level of a file path: not empty, not "." or "..", no "\\", "/" or ":"
};
// The one answer to "may the program act on this item by its name": true when
// the item the system holds by the name held (UTF-16) is reached, and no other
// one, through the name's form in the program's code page (what the ANSI calls
// and every path and key the program builds take). The code page's best-fit
// mapping turns a fullwidth solidus into "/", other characters into look-alikes
// or "?"; a NUL ends a C string; a separator leads out of the folder or key.
bool NameActsExactly(const std::wstring &held, NameUse use);
