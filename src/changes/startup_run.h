// Starting with Windows: the value of the machine's Run key that starts the
// program hidden in watch mode at every logon, and the menu command that adds
// or removes it.
#pragma once
#include <string>

class WatchHost;

constexpr const char *kMachineRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// The Run value's name (the executable's file name without extension) and
// data (the executable's folder, "\", that name, ".exe /Watch"; no quotes).
std::string RunValueName();
std::string RunValueData();
// True when the Run value holds exactly RunValueData().
bool RunValueRegistered();

// "Start with Windows" clicked: registers (and rebuilds the snapshot) when
// the item is not checked, else removes the value. Messages on failure; a Run
// key that does not open changes nothing.
void StartWithWindowsClick(WatchHost &host);
