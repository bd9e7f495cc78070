// Starting with Windows: the value of the machine's Run key that starts the
// program hidden in watch mode at every logon, and the menu command that adds
// or removes it.
#pragma once
#include <string>

class WatchHost;

constexpr const char *kMachineRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The registration text of the Run value for the executable at exePath: in
// quotes its folder, "\", its file name without extension and ".exe", then
// " /Watch" (unquoted, a path with blanks would let a program at its first
// blank start instead).
std::string RunCommandText(const std::string &exePath);
// True when data (cut at its first NUL) equals the registration text, ignoring
// case, or the same text without the quotes that earlier versions wrote.
bool RunValueMatches(const std::string &data, const std::string &exePath);

// The Run value's name (the executable's file name without extension) and
// data (RunCommandText of the executable).
std::string RunValueName();
std::string RunValueData();
// True when the Run value matches RunValueData() (RunValueMatches).
bool RunValueRegistered();

// "Start with Windows" clicked: registers (and rebuilds the snapshot) when
// the item is not checked, else removes the value. Messages on failure; a Run
// key that does not open changes nothing. Registering is refused, with a
// message, while others than Administrators and SYSTEM may change the
// program's file or folder (ProgramFileFault): every logon would start it.
void StartWithWindowsClick(WatchHost &host);
