// Copy-folder names used by the folder locations (18, 19 and 47); the folder
// listings are in system/files.h. The passes themselves are ScanFolderLocation and ScanStartupFolders
// (scan/category_handlers.h).
#pragma once
#include <string>
#include <vector>

#include "system/files.h"

// The highest pass number a snapshot copy folder may carry.
constexpr int kMaxPass = 32767;

// The pass number n of a snapshot copy folder named "<location>(<n>)" (every
// ")" after the "(" is ignored); 0 for any other name, for another location,
// and for n outside 1 to kMaxPass.
int CopyFolderPass(const std::string &name, int location);
