// Scanning one pass of one location in a test: the installation the scan
// belongs to (its Windows folder, and its drive when it is offline) and a
// LoadData call with fresh entry and pass arrays.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "scan/records.h"

// Makes the installations list name one installation for as long as it lives:
// the running system with the given Windows folder, or (offline) an
// installation whose drive is the folder's first letter, shown as entry 1.
// The earlier list and selection come back afterwards.
class ScannedInstall {
  public:
    ScannedInstall(const std::string &windowsDir, bool offline);
    ~ScannedInstall();
    ScannedInstall(const ScannedInstall &) = delete;
    ScannedInstall &operator=(const ScannedInstall &) = delete;

  private:
    std::vector<StartupEntry> previousList_;
    short previousSelected_;
};

// Makes ScanLocations() hold only the installations list: the running system
// (Windows folder C:\windows) and, as entry 1, an offline installation; selects
// entry `selected` and forgets the profiles folder. Callers add LoadPaths().
void UseInstallations(short selected, const std::string &offlineRoot = "Q:\\",
                      const std::string &offlineWindows = "Q:\\WINDOWS");

// The entries of one LoadData pass (pass 1).
struct PassResult {
    std::vector<StartupEntry> entries = std::vector<StartupEntry>(1);
    std::vector<ScanPass> passes = std::vector<ScanPass>(2);

    int count() const { return UpperBound(entries); }
    const StartupEntry &operator[](int i) const { return entries[static_cast<size_t>(i)]; }
    // The entry with this EntryName (or ItemName); fails the test when there is none.
    const StartupEntry &named(const std::string &name) const;
    // Every entry belongs to pass 1 and is recorded there in order.
    void expectRecorded() const;
    // The first entry with that EntryName / ItemName; null when there is none.
    const StartupEntry *byName(const std::string &entryName) const;
    const StartupEntry *byItem(const std::string &itemName) const;
    std::vector<std::string> names() const;
};

// Keys of the open-key table that are open now.
int OpenKeyCount();

// One pass over root\keyPath, of the installation ScannedInstallation() gives.
PassResult ScanOnePass(HKEY root, const std::string &keyPath, int category, int location,
                       const std::string &valueName = "", int scope = 1);
// The same with the category, value name (unless one is given) and scope of
// location n of ScanLocations(); the 68 locations are added when missing.
PassResult ScanLocationPass(int location, HKEY root, const std::string &keyPath, const std::string &valueName = "");
