// Reading the boot configuration of a drive without the Windows API: the
// Windows folder named by a boot.ini "default" line, and the one named by the
// loader path stored in a Boot\BCD file. Both take any bytes safely.
#pragma once
#include <string>

// The characters of bytes with codes 32 to 127, in order; every other byte is
// dropped without a separator (so UTF-16 text of the hive reads as plain text).
std::string PrintableBcdText(const std::string &bytes);
// Appends the printable characters of a chunk to text (PrintableBcdText piecewise).
void AppendPrintableBcdText(std::string &text, const char *chunk, std::size_t size);

// The Windows folder name (no drive, no backslashes) in front of the first
// "\system32\winload.exe" (any case) of the printable text that has a "\"
// within the twelve characters before it and no "Element" (any case) in the
// 34 characters from there; "" when there is none.
std::string FindBcdWindowsFolder(const std::string &text);
// FindBcdWindowsFolder(PrintableBcdText(bytes)).
std::string BcdWindowsFolder(const std::string &bytes);

// The folder part of a boot.ini default line: the text after its last ")",
// less that text's first character (the "\" before the folder name); with no
// ")" the line less its first character. "" when nothing is left (a line
// ending in ")" or in ")" and one more character names no folder).
std::string BootIniWindowsFolder(const std::string &defaultLine);
