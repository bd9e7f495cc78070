#include "ui/entry_commands.h"

#include <string>

#include "changes/entry_changes.h"
#include "scan/state.h"
#include "ui/msgbox.h"

namespace {

// Takes one row out and appends an empty one, so the grid keeps its size.
void RemoveRow(GridModel &grid, int row) {
    grid.RemoveItem(row);
    grid.SetRows(grid.Rows() + 1);
}

} // namespace

std::optional<EntryAddress> SelectedEntry(const CategoryGrids &grids, const SelectionState &selection) {
    const int g = selection.CurrentGrid;
    if (g < 1 || g > kGridCount || selection.HeaderRowSelected)
        return std::nullopt;
    // The row must still show what was selected.
    const RowRef &row = grids.Grid(g).Ref(selection.CurrentRow);
    if (!row.IsEntry() || row.location != selection.CurrentLocation || row.entry != selection.CurrentEntry)
        return std::nullopt;
    return AddressOf(ScanLocations(), row.location, row.entry);
}

void ToggleSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui) {
    auto address = SelectedEntry(grids, selection);
    if (address && ToggleEntry(*address, ui) != ToggleResult::Unchanged)
        grids.SetCheck(selection.CurrentGrid, selection.CurrentRow, address->rec->Disabled);
}

void DeleteSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui) {
    const auto address = SelectedEntry(grids, selection);
    if (!address)
        return;
    if (ui.Ask(DeletePrompt(*address->rec), BoxStyle::kYesNoWarnDefaultNo, "Quillmara") != kAnswerYes)
        return;
    if (!DeleteEntry(*address, ui))
        return;
    const int row = selection.CurrentRow;
    GridModel &grid = grids.Grid(selection.CurrentGrid);
    RemoveRow(grid, row);
    address->rec->Deleted = true;
    if (grids.Options().IncludeEmpty)
        return;
    // The row that moved up is no entry row of the same header: the header
    // row above may be left without entries.
    if (!grid.Ref(row).IsEntry() && grid.Ref(row - 1).IsHeader())
        RemoveRow(grid, row - 1);
}
