// The fixed table of the 68 startup locations, the hive prefixes and the
// category names.
#pragma once
#include <string>
#include <vector>

// Appends the 68 locations to ScanLocations(), numbered 1 to 68 when the
// array held only record 0 before.
void LoadPaths();

// Prefix text of a hive code (HiveCode of registry/names.h: 1/4 software,
// 2/5 system, 3/6 user software, 0/7 none); "" for any other code.
std::string HiveCodePrefix(int code);

// The numbers of the locations that lie in the system hive (the table's rows
// whose local hive code is kHiveSystem), ascending.
std::vector<int> SystemHiveLocations();

// Stores the current control set of the running system's hive (kHiveSystem)
// or the offline one (kHiveRemoteSystem) in CurrentControlSet() and rewrites
// the system-hive locations of ScanLocations() to it.
void SetControlSet(int code);

// "Logon", "Explorer", ...; "" outside 0 to 14.
std::string CategoryName(int category);
