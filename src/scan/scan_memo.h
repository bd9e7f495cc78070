// What one scan reads once and uses in several places: the lookup of every
// distinct file name (case ignored) that the command-line chain and the file
// test ask about, the lists of users and profiles that every per-user and
// per-profile location is scanned for, and the walk of the services key that
// both the service and the driver location read. The memo lives while a ScanMemoScope does (one
// scan, watch re-scan or snapshot); outside a scan every question goes to the
// system afresh, so nothing read before a scan is taken for true in it.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "registry/values.h"
#include "system/file_lookup.h"

// Opens the memo for its lifetime; a scope opened inside another one shares
// the outer memo.
class ScanMemoScope {
  public:
    ScanMemoScope();
    ~ScanMemoScope();
    ScanMemoScope(const ScanMemoScope &) = delete;
    ScanMemoScope &operator=(const ScanMemoScope &) = delete;

  private:
    bool owner_;
};

// LookUpFile, once per distinct name (case ignored) within a scan.
FileLookup ScanLookUpFile(const std::string &name);
// A file (not a folder) by that name or matching that pattern.
bool ScanFileMatchExists(const std::string &pattern);

// The subkey names of root\path, listed once per scan; opened is false (and
// there are no names) when the key does not open.
struct SubKeyListing {
    bool opened = false;
    std::vector<std::string> names;
};
SubKeyListing ScanListSubKeys(HKEY root, const std::string &path);

// What one subkey of a services key says about starting.
struct ServiceKeyFacts {
    std::string name;
    std::wstring held; // the name as the registry holds it
    bool opened = false;
    bool hasObjectName = false;
    RegValue start;
    bool disabled = false; // the "AutorunsDisabled" value is there
    RegValue imagePath;
    std::string description; // read for the keys that qualify as services
};

// The walk of root\keyPath kept in this scan; null when none was kept.
const std::vector<ServiceKeyFacts> *KeptServiceWalk(HKEY root, const std::string &keyPath);
// Keeps the walk (moved from walk) for the rest of the scan and returns the
// kept one; outside a scan null, and walk stays as it is.
const std::vector<ServiceKeyFacts> *KeepServiceWalk(HKEY root, const std::string &keyPath,
                                                    std::vector<ServiceKeyFacts> &walk);
