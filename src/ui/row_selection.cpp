#include "ui/row_selection.h"

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
