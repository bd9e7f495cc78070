// Folder listings and copy-folder names used by the folder locations (18, 19
// and 47). The passes themselves are ScanFolderLocation and ScanStartupFolders
// (scan/category_handlers.h).
#pragma once
#include <string>
#include <vector>

// The highest pass number a snapshot copy folder may carry.
constexpr int kMaxPass = 32767;

struct FolderItem {
    std::string name;
    bool folder = false;
};

// Every name of the folder (ending in "\"), files and subfolders, "." and ".."
// included, in the order the file system gives them; none when it is missing.
std::vector<FolderItem> ListFolder(const std::string &folder);
// The files of the folder (normal, read-only, hidden, system, archive alike),
// no subfolders.
std::vector<std::string> ListFolderFiles(const std::string &folder);
// True when the folder holds any name besides "." and "..".
bool FolderHasItems(const std::string &folder);

// The pass number n of a snapshot copy folder named "<location>(<n>)" (every
// ")" after the "(" is ignored); 0 for any other name, for another location,
// and for n outside 1 to kMaxPass.
int CopyFolderPass(const std::string &name, int location);
