#include "ui/row_selection.h"

#include "scan/state.h"

ClickTarget SelectGridRow(CategoryGrids &grids, SelectionState &selection, int index, SelectBy by) {
    GridModel &grid = grids.Grid(index);
    const ClickTarget target = ResolveClick(ModelCells(grid), grid.Row(), grid.Col(), by);
    if (!target.select)
        return target;
    grids.UnhighlightRow(selection);
    grid.SetRow(target.row);
    grid.SetCol(target.col);
    selection.CurrentGrid = index;
    selection.CurrentRow = target.row;
    selection.CurrentCol = target.col;
    selection.HeaderRowSelected = target.headerRow;
    selection.CurrentLocationRow = target.locationRow;
    for (int c = kColName; c <= kColImagePath; ++c) {
        grid.SetCellBackColor(target.row, c, kColorActiveCaption);
        grid.SetCellForeColor(target.row, c, kColorHighlightText);
    }
    selection.CurrentLocation = grid.Ref(target.row).location;
    selection.CurrentEntry = grid.Ref(target.row).entry;
    return target;
}

std::optional<RowRef> SelectedRow(const CategoryGrids &grids, const SelectionState &selection) {
    const int g = selection.CurrentGrid;
    if (g < 1 || g > kGridCount || selection.CurrentRow < 1)
        return std::nullopt;
    const RowRef &row = grids.Grid(g).Ref(selection.CurrentRow);
    if (!row.Filled() || row.IsHeader() != selection.HeaderRowSelected || row.location != selection.CurrentLocation ||
        row.entry != selection.CurrentEntry)
        return std::nullopt;
    if (row.IsEntry()) {
        const auto &locations = ScanLocations();
        if (row.location > UpperBound(locations))
            return std::nullopt;
        const auto &entries = locations[static_cast<size_t>(row.location)].Entries;
        if (row.entry > UpperBound(entries) || entries[static_cast<size_t>(row.entry)].Deleted)
            return std::nullopt;
    }
    return row;
}
