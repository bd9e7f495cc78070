// Control-set selection: the locations of the system hive are tabled under
// "ControlSet001" and moved to the control set the scanned hive marks current.
#pragma once
#include <string>

// The name of the running control set where no numbered set exists (Wine).
constexpr const char *kCurrentSetName = "CurrentControlSet";

// "ControlSet" and the three-digit number of "Select\Current" of the running
// system's hive (code 2) or the offline one (code 5); "" when unreadable;
// kCurrentSetName when the numbered set does not exist but that one does.
std::string GetCurrentControlSet(int code);

// Stores the current control set and rewrites the eleven system-hive
// locations of ScanLocations() to it.
void SetControlSet(int code);
