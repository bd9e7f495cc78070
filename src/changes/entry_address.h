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
    HKEY root = nullptr; // the location's root; null for a folder location
    std::string keyPath; // the concrete key of the entry's pass, below root
    // The subkey or value that holds the entry (its HeldName in the code
    // page); for the location's own value, a list item or a file: ItemName,
    // else EntryName.
    std::string itemName;
    std::string fullKey; // keyPath & "\" & itemName
};

// True when a change may act on the entry of loc by the name that holds it
// (NameActsExactly on its HeldName, for a file, a subkey or a named value);
// false, with one log line naming the entry, when that name would reach
// another item or none. Every change, copy and put-back of an entry asks it.
bool MayActOn(const ScanLocation &loc, const StartupEntry &entry);

// The name a change of the entry of a location under root addresses: the
// itemName of its address.
std::string AddressedName(HKEY root, const StartupEntry &entry);

// The address of entry `entry` of location `location` of locations; its key
// path is the KeyText of the entry's pass after the root's name (everything
// after the first "\", or the whole text when it has none). None when the
// numbers name no entry or no pass, or the entry was deleted.
std::optional<EntryAddress> AddressOf(std::vector<ScanLocation> &locations, int location, int entry);
