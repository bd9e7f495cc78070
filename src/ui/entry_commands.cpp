#include "ui/entry_commands.h"

#include <string>

#include "changes/entry_changes.h"
#include "scan/state.h"
#include "ui/msgbox.h"
#include "ui/row_selection.h"

namespace {

// Takes one row out and appends an empty one, so the grid keeps its size.
void RemoveRow(GridModel &grid, int row) {
    grid.RemoveItem(row);
    grid.SetRows(grid.Rows() + 1);
}

} // namespace

std::optional<EntryAddress> SelectedEntry(const CategoryGrids &grids, const SelectionState &selection) {
    const auto row = SelectedRow(grids, selection);
    if (!row || !row->IsEntry())
        return std::nullopt;
    return AddressOf(ScanLocations(), row->location, row->entry);
}

// The address is worked out again after every answer: while a box is open
// the records and the rows may have changed, and an address kept from before
// could name another entry or freed memory.
void ToggleSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui) {
    auto address = SelectedEntry(grids, selection);
    if (!address || ToggleEntry(*address, ui) == ToggleResult::Unchanged)
        return;
    if (const auto shown = SelectedEntry(grids, selection))
        grids.SetCheck(selection.CurrentGrid, selection.CurrentRow, shown->rec->Disabled);
}

bool DeleteSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui) {
    const auto asked = SelectedEntry(grids, selection);
    if (!asked)
        return false;
    if (ui.Ask(DeletePrompt(*asked->rec), BoxStyle::kYesNoWarnDefaultNo, "Quillmara") != kAnswerYes)
        return false;
    // Confirmed is the entry asked about (its record may be gone: only the
    // address's own copies are compared): when the row no longer shows it,
    // nothing is deleted.
    const auto address = SelectedEntry(grids, selection);
    if (!address || address->location != asked->location || address->entry != asked->entry ||
        address->fullKey != asked->fullKey)
        return false;
    if (!DeleteEntry(*address, ui))
        return false;
    const int row = selection.CurrentRow;
    GridModel &grid = grids.Grid(selection.CurrentGrid);
    RemoveRow(grid, row);
    address->rec->Deleted = true;
    int vacated = row;
    // The row that moved up is no entry row of the same header: the header
    // row above may be left without entries.
    if (!grids.Options().IncludeEmpty && !grid.Ref(row).IsEntry() && grid.Ref(row - 1).IsHeader()) {
        RemoveRow(grid, row - 1);
        vacated = row - 1;
    }
    grid.SetRowVacated(vacated);
    return true;
}
