// The Entry commands Disable / Enable and Delete on the main window's
// selection and grids, without the window: the selected entry's address from
// its row and its location header row, the change itself (changes/), and
// what the grid shows afterwards (the new check glyph, the removed rows).
// A selection that shows no entry row, or whose row no longer shows the
// selected entry, makes every command do nothing.
#pragma once
#include <optional>

#include "changes/change_ui.h"
#include "changes/entry_address.h"
#include "ui/category_grids.h"
#include "ui/selection.h"

// The selected entry of ScanLocations(), its key from the header row's text.
std::optional<EntryAddress> SelectedEntry(const CategoryGrids &grids, const SelectionState &selection);

// Disables or enables the selected entry by its check glyph and shows the
// new glyph in its row.
void ToggleSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui);

// Asks, deletes the selected entry, and takes its row out of the grid (and
// its location header row when that is left without entries and empty
// locations are not shown); the grid keeps its number of rows. The selection
// itself stays as it was.
void DeleteSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui);
