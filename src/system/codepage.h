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
// True when the program can act on the item named wide through the ANSI
// calls: its ANSI form converts back to exactly the same name (the code
// page's best-fit mapping turns a fullwidth solidus into "/", other
// characters into look-alikes or "?") and is plain (NameIsPlain).
bool NameActsExactly(const std::wstring &wide);
