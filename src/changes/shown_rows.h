// What a row of the category grids shows, as a reference into the scan's
// records, and the one rendering of such a row as text: the grids' name,
// description, publisher and path cells, and the list of all rows as text
// that Save, Backup All and the snapshot write. Nothing here reads a grid.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "scan/records.h"

// One grid row: the header row of pass `pass` of location `location` (entry
// 0), or the row of entry `entry` of that location; location 0: an empty row.
struct RowRef {
    int location = 0; // index into ScanLocations()
    int pass = 0;     // index into the location's Passes()
    int entry = 0;    // index into the location's Entries(); 0 on a header row
    bool Filled() const { return location != 0; }
    bool IsHeader() const { return location != 0 && entry == 0; }
    bool IsEntry() const { return location != 0 && entry != 0; }
    bool operator==(const RowRef &) const = default;
};

// Publisher shown for an entry whose file cannot be read.
inline const std::string kUnableToAccess = "     UNABLE TO ACCESS";

// The four texts of a row: name, description, publisher, image path. A header
// row shows its pass's key or folder text in all four; a row that names no
// record shows nothing.
using RowTexts = std::array<std::string, 4>;
RowTexts TextsOf(const std::vector<ScanLocation> &locations, const RowRef &row);

// A row's texts as one line: a header row's location text alone, an entry
// row's four texts divided by tabs (also what Copy and the search take).
std::string RowLine(const RowTexts &texts, bool header);

// The list as text: one line per row, ended by CR LF; a header row gives its
// location text alone, an entry row " + " and its four texts divided by tabs.
std::string ListText(const std::vector<ScanLocation> &locations, const std::vector<RowRef> &rows);
