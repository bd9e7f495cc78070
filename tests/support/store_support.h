// Helpers shared by the tests of the "AutorunsDisabled" store: a whole-tree
// picture of a key to compare registries byte for byte, a scan of one
// location over a scratch key, and the counting fault of the store's seam.
#pragma once
#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "scan/records.h"

namespace storetest {

extern const std::string kBase; // SOFTWARE\QuillmaraTests\Store below HKEY_LOCAL_MACHINE

// Every key (as "path") and value (as "path|name") below root\path, paths
// relative to it, each with its type and exact data; sorted, so the order in
// which the registry lists them does not count.
using Tree = std::map<std::string, std::string>;
Tree Dump(HKEY root, const std::string &path);

// The entries one pass of location n finds in root\path: "name" or
// "name (disabled)", in scan order. The name is ItemName, else EntryName.
std::vector<std::string> Scan(int location, HKEY root, const std::string &path);
// The number of the first location of the category with this path (below its
// hive) and value name.
int LocationNumber(int category, const std::string &path, const std::string &valueName);

// Makes the store's registry calls fail: call number first (counted from 1)
// and, when cascade is set, every call after it. calls() tells how many calls
// were made; the fault is removed when the object goes.
class Faults {
  public:
    Faults(int first, bool cascade);
    ~Faults();
    Faults(const Faults &) = delete;
    Faults &operator=(const Faults &) = delete;
    int calls() const { return calls_; }
    bool hit() const { return calls_ >= first_; }
    const std::vector<std::string> &names() const { return names_; }

  private:
    int first_;
    bool cascade_;
    int calls_ = 0;
    std::vector<std::string> names_;
};

std::string Hex(const std::string &bytes);

// The temporary hives ("HKEY_USERS\\QuillmaraRestore...") and kept copies
// ("RestoreCopy...") a restore left behind, and their removal.
std::vector<std::string> RestoreLeftovers();
void RemoveRestoreLeftovers();

} // namespace storetest
