// The fixed table of the 68 startup locations, the hive prefixes and the
// category names.
#pragma once
#include <string>

// Appends the 68 locations to ScanLocations(), numbered 1 to 68 when the
// array held only record 0 before.
void LoadPaths();

// Prefix text of a hive code (1/4 software, 2/5 system, 3/6 user software,
// 0/7 none); "" for any other code.
std::string HiveCodePrefix(int code);

// "Logon", "Explorer", ...; "" outside 0 to 14.
std::string CategoryName(int category);
