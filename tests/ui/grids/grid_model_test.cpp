#include <gtest/gtest.h>

#include "ui/grid_model.h"

namespace {

struct Recorder : GridListener {
    std::vector<int> rows;
    int layouts = 0;
    void RowsChanged(int first, int) override { rows.push_back(first); }
    void LayoutChanged() override { ++layouts; }
};

TEST(GridModelTest, ShrinkingDropsRowsAndRemoveItemMovesRowsUp) {
    GridModel grid(8, 20);
    for (int r = 1; r < 20; ++r) {
        grid.SetTextMatrix(r, 2, "row " + std::to_string(r));
        grid.SetCellBackColor(r, 2, kColorActiveCaption);
        grid.SetCellPicture(r, 1, 7);
        grid.SetMergeRow(r, r % 2 == 0);
        grid.SetRef(r, {r, 1, r});
    }
    EXPECT_EQ(grid.CellIndex(3, 2), 26);
    EXPECT_EQ(grid.TextArray(26), "row 3");

    grid.RemoveItem(3);
    EXPECT_EQ(grid.Rows(), 19);
    EXPECT_EQ(grid.TextMatrix(3, 2), "row 4");
    EXPECT_TRUE(grid.MergeRow(3));
    EXPECT_EQ(grid.Ref(3), (RowRef{4, 1, 4}));
    EXPECT_EQ(grid.TextMatrix(18, 2), "row 19");

    grid.SetRow(18);
    grid.SetTopRow(15);
    grid.SetRows(1);
    EXPECT_EQ(grid.Row(), 0);
    EXPECT_EQ(grid.TopRow(), 1);
    grid.SetRows(20);
    EXPECT_EQ(grid.TextMatrix(3, 2), "");
    EXPECT_EQ(grid.CellBackColor(3, 2), kGridDefaultColor);
    EXPECT_EQ(grid.CellPicture(3, 1), 0u);
    EXPECT_FALSE(grid.MergeRow(4));
    EXPECT_FALSE(grid.Ref(3).Filled());
    EXPECT_FALSE(grid.Ref(20).Filled());
    // Out of range reads give nothing; writes are ignored.
    EXPECT_EQ(grid.TextArray(-1), "");
    grid.SetTextMatrix(20, 0, "x");
    EXPECT_EQ(grid.TextArray(grid.CellIndex(20, 0)), "");
}

TEST(GridModelTest, ColumnsAlignmentAndFonts) {
    GridModel grid(8, 3);
    grid.SetTextMatrix(1, 6, "12");
    grid.SetColWidth(6, 0);
    EXPECT_EQ(grid.TextMatrix(1, 6), "12");
    grid.SetColAlignment(2, kAlignLeftCenter);
    EXPECT_EQ(grid.EffectiveAlignment(1, 2), kAlignLeftCenter);
    grid.SetCellAlignment(1, 2, kAlignRightCenter);
    EXPECT_EQ(grid.EffectiveAlignment(1, 2), kAlignRightCenter);
    EXPECT_EQ(grid.EffectiveAlignment(1, 5), kAlignGeneral);

    grid.SetCellFont(1, 0, "Wingdings", 14);
    grid.SetCellFont(2, 0, "Wingdings", 14);
    EXPECT_EQ(grid.CellFont(2, 0), (GridFont{"Wingdings", 14}));
    EXPECT_EQ(grid.CellFont(1, 1).name, "");
}

TEST(GridModelTest, ListenerHearsOnlyRealChanges) {
    GridModel grid(8, 20);
    Recorder recorder;
    grid.SetListener(&recorder);
    grid.SetTextMatrix(4, 2, "a");
    grid.SetTextMatrix(4, 2, "a");
    grid.SetCellForeColor(6, 3, kColorHighlightText);
    grid.SetCellForeColor(6, 3, kColorHighlightText);
    EXPECT_EQ(recorder.rows, (std::vector<int>{4, 6}));
    EXPECT_EQ(recorder.layouts, 0);
    grid.SetRows(21);
    grid.SetTopRow(5);
    grid.SetTopRow(5);
    EXPECT_EQ(recorder.layouts, 2);
    // Moving the current cell redraws nothing: the grid shows no selection of its own.
    grid.SetRow(3);
    grid.SetCol(2);
    EXPECT_EQ(recorder.layouts, 2);
}

} // namespace

// Clipped cell text, measured one pixel per character: a path keeps its file
// name and loses its middle, any other text loses its end.
TEST(GridModelTest, ClippedCellTextShowsAnEllipsisWherePartIsMissing) {
    const TextMeasure measure = [](std::string_view t) { return static_cast<int>(t.size()); };
    const std::string path = "C:\\Program Files\\Another Sub Folder\\updater.exe";
    EXPECT_EQ(FitCellText(path, 100, measure), path);
    EXPECT_EQ(FitCellText(path, 25, measure), "C:\\Program...\\updater.exe");
    EXPECT_EQ(FitCellText("HKEY_LOCAL_MACHINE\\SOFTWARE\\Run", 17, measure), "HKEY_LOCAL...\\Run");
    // Too narrow for the file name: as much of it as fits.
    EXPECT_EQ(FitCellText(path, 10, measure), "...\\upd...");
    EXPECT_EQ(FitCellText("Another long description", 12, measure), "Another l...");
    EXPECT_EQ(FitCellText("ends with a slash\\", 12, measure), "ends with...");
    for (int width = 0; width < 60; ++width)
        EXPECT_LE(measure(FitCellText(path, width, measure)), std::max(width, 3)) << width;
}
