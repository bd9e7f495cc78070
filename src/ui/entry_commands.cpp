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
    const GridModel &grid = grids.Grid(g);
    const int row = selection.CurrentRow;
    const int header = selection.CurrentLocationRow;
    if (row < 1 || row >= grid.Rows() || header < 1 || header >= row)
        return std::nullopt;
    const std::string location = std::to_string(selection.CurrentLocation);
    // The rows must still show what was selected.
    if (grids.Cell(row, kColLocation, g) != location ||
        grids.Cell(row, kColEntry, g) != std::to_string(selection.CurrentEntry) ||
        grids.Cell(header, kColLocation, g) != location || grids.Cell(header, kColEntry, g) != "0")
        return std::nullopt;
    return AddressOf(ScanLocations(), selection.CurrentLocation, selection.CurrentEntry,
                     grids.Cell(header, kColDescription, g));
}

void ToggleSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui) {
    auto address = SelectedEntry(grids, selection);
    if (!address)
        return;
    const int g = selection.CurrentGrid;
    const std::string glyph = grids.Cell(selection.CurrentRow, kColCheck, g);
    switch (ToggleEntry(*address, glyph, ui)) {
    case ToggleResult::Disabled:
        grids.Grid(g).SetTextArray(grids.CellIndex(selection.CurrentRow, kColCheck, g), kCheckOff);
        break;
    case ToggleResult::Enabled:
        grids.Grid(g).SetTextArray(grids.CellIndex(selection.CurrentRow, kColCheck, g), kCheckOn);
        break;
    case ToggleResult::Unchanged:
        break;
    }
}

void DeleteSelectedEntry(CategoryGrids &grids, const SelectionState &selection, ChangeUi &ui) {
    const auto address = SelectedEntry(grids, selection);
    if (!address)
        return;
    if (ui.Ask(DeletePrompt(*address->rec), BoxStyle::kYesNoWarnDefaultNo, "Quillmara") != kAnswerYes)
        return;
    if (!DeleteEntry(*address, ui))
        return;
    const int g = selection.CurrentGrid;
    const int row = selection.CurrentRow;
    GridModel &grid = grids.Grid(g);
    RemoveRow(grid, row);
    address->rec->Deleted = true;
    if (grids.Options().IncludeEmpty)
        return;
    // The row that moved up is no entry row of the same header: the header
    // row above may be left without entries.
    const std::string next = grids.Cell(row, kColEntry, g);
    if (!next.empty() && next != "0")
        return;
    if (grids.Cell(row - 1, kColEntry, g) == "0")
        RemoveRow(grid, row - 1);
}
