// Where a startup entry lives: the records of its location and entry and the
// registry names the change commands work on. The main window's selection
// gives the location and entry numbers of a grid row and the text of the
// location header row above it; the watch prompt gives the numbers of an
// entry of the latest re-scan, whose key comes from the entry's own pass.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "scan/records.h"

struct EntryAddress {
    int location = 0; // number of the location record (1 to 68)
    int entry = 0;    // number of the entry record in its location
    ScanLocation *loc = nullptr;
    StartupEntry *rec = nullptr;
    HKEY root = nullptr;  // the location's root; null for a folder location
    std::string keyPath;  // the concrete key of the entry's pass, below root
    std::string itemName; // ItemName, else EntryName
    std::string fullKey;  // keyPath & "\" & itemName
};

// The key below the root named by a header row's text: everything after its
// first "\" (so "HKEY_USERS\S-1-5-18\Software" gives "S-1-5-18\Software"); a
// text without one is taken whole.
std::string KeyPathFromHeader(const std::string &headerText);

// The address of entry `entry` of location `location` of locations, with the
// key taken from headerText. None when the numbers name no entry (a header
// row, an empty row, no selection) or the entry was deleted.
std::optional<EntryAddress> AddressOf(std::vector<ScanLocation> &locations, int location, int entry,
                                      const std::string &headerText);

// The same with the key taken from the KeyText of the entry's own pass.
std::optional<EntryAddress> AddressOfPassEntry(std::vector<ScanLocation> &locations, int location, int entry);
