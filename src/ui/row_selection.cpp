#include "ui/row_selection.h"

#include <cstdlib>

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
    selection.CurrentLocation = std::atoi(grid.TextMatrix(target.row, kColLocation).c_str());
    selection.CurrentEntry = std::atoi(grid.TextMatrix(target.row, kColEntry).c_str());
    return target;
}
