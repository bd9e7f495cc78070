// Where a startup entry lives: the records of its location and entry and the
// registry names the change commands work on, the key taken from the entry's
// own pass. The main window gives the numbers of the entry its selected row
// shows; the watch prompt those of an entry of the latest re-scan.
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

// The address of entry `entry` of location `location` of locations; its key
// path is the KeyText of the entry's pass after the root's name (everything
// after the first "\", or the whole text when it has none). None when the
// numbers name no entry or no pass, or the entry was deleted.
std::optional<EntryAddress> AddressOf(std::vector<ScanLocation> &locations, int location, int entry);
