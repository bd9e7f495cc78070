// The Entry commands Disable / Enable and Delete on the main window's
// selection and grids, without the window: the entry the selected row shows,
// the change itself (changes/), and what the grid shows afterwards (the new
// check glyph, the removed rows).
// A selection that shows no entry row, or whose row no longer shows the
// selected entry, makes every command do nothing.
#pragma once
#include <optional>

#include "changes/change_ui.h"
#include "changes/entry_address.h"
#include "ui/category_grids.h"
#include "ui/selection.h"

// The entry of ScanLocations() that the selected row shows.
std::optional<EntryAddress> SelectedEntry(const CategoryGrids &grids, const SelectionState &selection);

// Disables or enables the selected entry and shows its new state in its row.
void ToggleSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui);

// Asks, deletes the selected entry, and takes its row out of the grid (and
// its location header row when that is left without entries and empty
// locations are not shown); the grid keeps its number of rows. The selection
// itself stays as it was, naming no row that shows it; the grid's current
// row is the vacated place, so that a step down reaches the row that moved
// up into it. True when the entry was deleted.
bool DeleteSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui);
