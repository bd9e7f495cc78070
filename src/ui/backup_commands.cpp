#include "ui/backup_commands.h"

#include "changes/restore.h"

namespace {

// The text of the selected header row's location column: its pass's key or
// folder; "" when no header row is selected.
std::string SelectedRowText(const CategoryGrids &grids, const SelectionState &selection) {
    if (!selection.HeaderRowSelected || selection.CurrentGrid < 1 || selection.CurrentGrid > kGridCount)
        return "";
    const GridModel &grid = grids.Grid(selection.CurrentGrid);
    return grid.ValidCell(selection.CurrentRow, kColName) ? grid.TextMatrix(selection.CurrentRow, kColName) : "";
}

} // namespace

std::vector<HeaderRow> GridHeaderRows(const CategoryGrids &grids) {
    std::vector<HeaderRow> rows;
    for (int g = 1; g <= kGridCount; ++g) {
        int index = g;
        const int last = grids.GetLastRow(index);
        const GridModel &grid = grids.Grid(g);
        for (int r = 1; r <= last; ++r)
            if (grid.TextMatrix(r, kColEntry) == "0")
                rows.push_back({grid.TextMatrix(r, kColLocation), grid.TextMatrix(r, kColName)});
    }
    return rows;
}

void RunBackup(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection) {
    const std::string text = SelectedRowText(grids, selection);
    if (!text.empty())
        BackupSelectedLocation(ui, selection.CurrentLocation, text);
}

void RunBackupAll(ChangeUi &ui, const CategoryGrids &grids) {
    BackupAllLocations(ui, GridHeaderRows(grids), [&grids] { return grids.GetGridsText(); });
}

void RunRestore(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection) {
    const std::string text = SelectedRowText(grids, selection);
    if (!text.empty())
        RestoreSelectedLocation(ui, selection.CurrentLocation, text);
}

void RunRestoreAll(ChangeUi &ui) { RestoreAllLocations(ui); }
