// The rules of the row selection, free of any window: which row a click in a
// grid selects and whether it toggles the entry, the status-bar help and
// tooltip for the cell under the mouse, the file panel's texts and the text
// that Copy puts on the clipboard. Which commands fit the kind of row is the
// command table's (ui/commands.h).
#pragma once
#include <array>
#include <string>

#include "scan/records.h"
#include "ui/category_grids.h"

// Read access to one grid's cells (row 0 holds the column captions) and the
// records each row shows.
class GridCells {
  public:
    virtual ~GridCells() = default;
    virtual int Rows() const = 0;
    virtual std::string Text(int row, int col) const = 0;
    virtual RowRef Ref(int row) const = 0;
};

// Who asks for a selection. Only a user's left click may toggle an entry;
// the search, the navigation buttons, the tab change, the keyboard and a
// right click select without toggling.
enum class SelectBy { LeftClick, Program };

struct ClickTarget {
    bool select = false; // false: nothing is selected (caption row, empty grid)
    int row = 0;         // the row selected
    int col = 0;         // the column taken as clicked
    int locationRow = 0; // the header row at or above it, 0 when none
    bool headerRow = false;
    bool toggle = false; // the click toggles the entry's disabled state
};
// What a click on (row, col) of the grid selects: a row below the data
// selects the last filled row with column 2, the caption row nothing.
ClickTarget ResolveClick(const GridCells &grid, int row, int col, SelectBy by);

// Status-bar help for the cell under the mouse; the tooltip is changed only
// when setTooltip is true.
struct HoverHelp {
    std::string status;
    bool setTooltip = false;
    std::string tooltip;
};
HoverHelp GridHoverHelp(const GridCells &grid, int row, int col);
extern const char *const kFilePanelHelp; // over a file label
extern const char *const kFileIconHelp;  // over the file icon
extern const char *const kLocationHelp;  // over a header row: the longest help text

// The clipboard text of a selected row: the location text of a header row,
// else name, description, publisher and path joined by tabs.
std::string CopyText(const GridCells &grid, int row, bool headerRow);

// The file panel's eight labels for an entry: its version strings 1 to 6 and
// "Created: " / "Modified: " with the dates (both empty when the file gave
// no date). `formatDate` turns a date into the system's short date text.
std::array<std::string, 8> FilePanelLabels(const StartupEntry &entry, std::string (*formatDate)(DateSerial));
// The system's short date text of a date.
std::string ShortDateText(DateSerial date);
