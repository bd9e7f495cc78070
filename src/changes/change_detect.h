// Change detection of the watch mode: the comparison of the live re-scan with
// the snapshot, location by location, and the texts of the change prompt. No
// registry, file or window work here.
#pragma once
#include <string>
#include <vector>

#include "scan/records.h"

// One detected change.
struct ChangeRec {
    int Location = 0;   // location number (1 to 68)
    int EntryIndex = 0; // the entry in the live scan (added) or the snapshot (removed)
    bool Added = false; // new since the snapshot; false: gone from the live system
    std::string ItemName;
    bool Accepted = false; // allowed and written into the snapshot
};

// The changes of the last comparison, used from element 1.
std::vector<ChangeRec> &ChangeList();

// The name that identifies an entry: its ItemName, or its EntryName when that
// is empty.
std::string EntryIdentity(const StartupEntry &entry);

// Compares the entry counts of every location of live and snapshot and makes
// one record per entry of difference. Entries are matched only within their
// location and pass (same name, same PassIndex); the records of a location
// take its unmatched entries from the last to the first, and a record that
// finds none is not made. list is reset to element 0 first. True when any
// location's count differs.
bool FindChanges(const std::vector<ScanLocation> &live, const std::vector<ScanLocation> &snapshot,
                 std::vector<ChangeRec> &list);

// The ten lines of the change prompt, joined by CR LF.
std::string ChangePromptText(bool added, const std::string &name, const std::string &category,
                             const std::string &imagePath, bool registry);

// True when text has the form of a class identifier: "{" 8-4-4-4-12
// hexadecimal digits "}".
bool HasClsidForm(const std::string &text);
