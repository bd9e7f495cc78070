// Selecting rows of the category grids' data: state, highlight, and the
// previous selection put back.
#include <gtest/gtest.h>

#include "ui/row_selection.h"

namespace {

void Fill(GridModel &grid, int row, std::vector<std::string> cells) {
    if (grid.Rows() <= row)
        grid.SetRows(row + 1);
    // The shown cells, then the location and entry numbers of the row.
    for (int c = 0; c < kGridCols; ++c)
        grid.SetTextMatrix(row, c, cells[c]);
    grid.SetRef(row, {std::stoi(cells[kGridCols]), 1, std::stoi(cells[kGridCols + 1])});
}

struct Grids {
    CategoryGrids grids;
    SelectionState selection;
    Grids() {
        grids.SetUpColumns();
        GridModel &run = grids.Grid(1);
        run.SetRows(8);
        Fill(run, 1, {"", "", "HKLM\\Run", "", "", "", "3", "0"});
        Fill(run, 2, {"\xFE", "", "Updater", "Up", "Maker", "C:\\up.exe", "3", "1"});
        Fill(run, 3, {"q", "", "Agent", "Ag", "Maker", "C:\\ag.exe", "3", "2"});
        Fill(grids.Grid(4), 1, {"", "", "HKLM\\Services", "", "", "", "20", "0"});
    }
    ClickTarget Click(int grid, int row, int col, SelectBy by) {
        grids.Grid(grid).SetRow(row);
        grids.Grid(grid).SetCol(col);
        return SelectGridRow(grids, selection, grid, by);
    }
};

} // namespace

TEST(RowSelection, ClickWritesTheStateAndHighlightsTheRow) {
    Grids g;
    ClickTarget t = g.Click(1, 3, 0, SelectBy::LeftClick);
    EXPECT_TRUE(t.toggle);
    EXPECT_EQ(g.selection.CurrentGrid, 1);
    EXPECT_EQ(g.selection.CurrentRow, 3);
    EXPECT_EQ(g.selection.CurrentLocation, 3);
    EXPECT_EQ(g.selection.CurrentEntry, 2);
    EXPECT_EQ(g.selection.CurrentLocationRow, 1);
    EXPECT_FALSE(g.selection.HeaderRowSelected);
    const GridModel &run = g.grids.Grid(1);
    for (int c = 2; c <= 5; ++c) {
        EXPECT_EQ(run.CellBackColor(3, c), kColorActiveCaption);
        EXPECT_EQ(run.CellForeColor(3, c), kColorHighlightText);
    }
    // A header row of another grid: the old row loses its highlight.
    t = g.Click(4, 1, 0, SelectBy::LeftClick);
    EXPECT_FALSE(t.toggle);
    EXPECT_TRUE(g.selection.HeaderRowSelected);
    EXPECT_EQ(g.selection.CurrentEntry, 0);
    EXPECT_EQ(run.CellBackColor(3, 2), kColorWindow);
}

TEST(RowSelection, CaptionRowAndEmptyRowsAndProgramSelections) {
    Grids g;
    EXPECT_FALSE(g.Click(1, 0, 0, SelectBy::LeftClick).select);
    EXPECT_EQ(g.selection.CurrentGrid, 0);
    // Below the data: the last filled row with column 2, never toggled.
    ClickTarget t = g.Click(1, 6, 0, SelectBy::LeftClick);
    EXPECT_FALSE(t.toggle);
    EXPECT_EQ(g.selection.CurrentRow, 3);
    EXPECT_EQ(g.selection.CurrentCol, 2);
    EXPECT_EQ(g.grids.Grid(1).Row(), 3);
    // The navigation, search and tab paths select column 0 without toggling.
    t = g.Click(1, 2, 0, SelectBy::Program);
    EXPECT_TRUE(t.select);
    EXPECT_FALSE(t.toggle);
    EXPECT_EQ(g.selection.CurrentRow, 2);
    // A grid without data ignores the click and keeps the selection.
    EXPECT_FALSE(g.Click(9, 3, 0, SelectBy::LeftClick).select);
    EXPECT_EQ(g.selection.CurrentGrid, 1);
}
