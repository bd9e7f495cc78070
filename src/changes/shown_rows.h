// What a row of the category grids shows, as a reference into the scan's
// records, and the one rendering of such a row as text: the grids' name,
// description, publisher and path cells; and what the grids show, as Backup
// All and the snapshot ask for it.
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

// What the grids show, asked for when it is needed: the rows in grid and row
// order, and the list text, one CR LF line per row as the grids show it (a
// header row its location text alone, an entry row " + " and its four texts
// divided by tabs).
class ShownList {
  public:
    virtual std::vector<RowRef> ShownRows() const = 0;
    virtual std::string GetGridsText() const = 0;

  protected:
    ~ShownList() = default;
};
