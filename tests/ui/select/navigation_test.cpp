// The navigation buttons' wrap-around, the row kept in view, the repeat
// intervals and the screen scale factor.
#include <gtest/gtest.h>

#include "ui/navigation.h"

TEST(Navigation, CategoriesWrapAround) {
    EXPECT_EQ(PreviousTab(1), 14);
    EXPECT_EQ(PreviousTab(5), 4);
    EXPECT_EQ(NextTab(14), 1);
    EXPECT_EQ(NextTab(5), 6);
}

TEST(Navigation, RowsWrapAndStayInView) {
    EXPECT_EQ(StepRow(kButtonPrevRow, 1, 30, 1).row, 30);
    EXPECT_EQ(StepRow(kButtonPrevRow, 0, 30, 1).row, 30);
    EXPECT_EQ(StepRow(kButtonNextRow, 30, 30, 1).row, 1);
    EXPECT_EQ(StepRow(kButtonNextRow, 0, 30, 1).row, 1);
    EXPECT_EQ(StepRow(kButtonNextRow, 7, 30, 1).row, 8);
    // Scrolled so that the row shows.
    EXPECT_EQ(StepRow(kButtonPrevRow, 1, 30, 1).topRow, 13);
    EXPECT_EQ(StepRow(kButtonNextRow, 30, 30, 13).topRow, 1);
    EXPECT_EQ(StepRow(kButtonNextRow, 5, 30, 1).topRow, 1);
    // An empty grid: nothing moves.
    EXPECT_FALSE(StepRow(kButtonNextRow, 0, 0, 1).moved);
    EXPECT_FALSE(StepRow(kButtonPrevRow, 3, 0, 1).moved);
}

TEST(Navigation, RowButtonsSpeedUpFromTheFourthTick) {
    NavRepeat rows;
    rows.Start(kButtonNextRow);
    EXPECT_EQ(rows.Tick(), 300);
    EXPECT_EQ(rows.Tick(), 300);
    EXPECT_EQ(rows.Tick(), 300);
    EXPECT_EQ(rows.Tick(), 100);
    NavRepeat tabs;
    tabs.Start(kButtonNextTab);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(tabs.Tick(), 300);
    tabs.Stop();
    EXPECT_FALSE(tabs.active());
}

TEST(Navigation, ResizeFactorForTheKnownScreenWidths) {
    EXPECT_FLOAT_EQ(ResizeFactor(9600), 0.8f);
    EXPECT_FLOAT_EQ(ResizeFactor(12000), 1.0f);
    EXPECT_FLOAT_EQ(ResizeFactor(15360), 1.28f);
    EXPECT_FLOAT_EQ(ResizeFactor(19200), 1.6f);
    EXPECT_FLOAT_EQ(ResizeFactor(1152 * 15), 1.0f);
    EXPECT_FLOAT_EQ(ResizeFactor(0), 1.0f);
}
