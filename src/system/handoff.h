// The 32-bit program on 64-bit Windows: there it would see the registry's
// software keys and the system folder as 32-bit programs see them (their
// 32-bit copies), so it starts the 64-bit program beside it with the same
// arguments instead, and ends.
#pragma once
#include <string>

// The 64-bit program's file name, looked for beside the 32-bit one.
inline constexpr const char *k64BitProgramName = "Quillmara.exe";

// The arguments of a command line, without the program's name that leads it
// (quoted or not, as Windows splits it), exactly as they were written.
std::wstring ArgumentsOf(const std::wstring &commandLine);

// The full path of the 64-bit program beside this one ("" when this
// program's own path cannot be read).
std::wstring SixtyFourBitProgram();

// Starts program (a full path) with arguments; false (logged) when it could
// not be started.
bool StartWithArguments(const std::wstring &program, const std::wstring &arguments);

// The message shown when the 64-bit program is not beside this one.
std::string MissingProgramText(const std::wstring &program);
