// The search over the grids: case, wrap-around, the end of a round, and
// empty grids.
#include <gtest/gtest.h>

#include "fake_grids.h"

namespace {

FakeGrids TwoGrids() {
    FakeGrids g;
    g.grids[1] = FakeGrid({Header("HKLM\\Run", "3"), Entry("Alpha", "Tool", "Maker", "C:\\a.exe", "3", "1"),
                           Entry("Beta", "Tool", "Maker", "C:\\b.exe", "3", "2"), EmptyRow()});
    g.grids[4] = FakeGrid({Header("HKLM\\Services", "20"), Entry("ALPHA svc", "", "", "C:\\s.exe", "20", "1")});
    return g;
}

bool Next(SearchState &s, FakeGrids &g) { return FindNextWord(s, g, g.currentGrid, g.currentRow); }
bool Prev(SearchState &s, FakeGrids &g) { return FindPrevWord(s, g, g.currentGrid, g.currentRow); }

} // namespace

TEST(Search, RowTextAndCase) {
    FakeGrids g = TwoGrids();
    EXPECT_EQ(RowSearchText(g, 1, 1), "HKLM\\Run");
    EXPECT_EQ(RowSearchText(g, 1, 2), "Alpha\tTool\tMaker\tC:\\a.exe");
    EXPECT_TRUE(ContainsText("ALPHA svc", "alpha"));
}

TEST(Search, ForwardWrapsOverTheGridsThenMissesAndStartsOver) {
    FakeGrids g = TwoGrids();
    SearchState s;
    s.findText = "alpha";
    ASSERT_TRUE(Next(s, g));
    EXPECT_EQ(std::make_pair(g.currentGrid, g.currentRow), std::make_pair(1, 2));
    ASSERT_TRUE(Next(s, g));
    EXPECT_EQ(std::make_pair(g.currentGrid, g.currentRow), std::make_pair(4, 2));
    // Back at the start (grid 1, row 1) without another hit.
    EXPECT_FALSE(Next(s, g));
    EXPECT_FALSE(s.searching);
    EXPECT_EQ(CannotFindText("alpha"), "Cannot find \"alpha\"");
    // The next request starts over from the selection.
    ASSERT_TRUE(Next(s, g));
    EXPECT_EQ(std::make_pair(g.currentGrid, g.currentRow), std::make_pair(1, 2));
}

TEST(Search, BackwardFromGridOneGoesToGridFourteen) {
    FakeGrids g = TwoGrids();
    g.grids[14] = FakeGrid({Header("C:\\Tasks", "68"), Entry("Nightly", "", "", "C:\\n.exe", "68", "1")});
    SearchState s;
    s.findText = "NIGHT";
    g.currentGrid = 1;
    g.currentRow = 1;
    ASSERT_TRUE(Prev(s, g));
    EXPECT_EQ(std::make_pair(g.currentGrid, g.currentRow), std::make_pair(14, 2));
}

TEST(Search, EmptyGridsNeverHangTheSearch) {
    FakeGrids g; // every grid empty, nothing selected
    SearchState s;
    s.findText = "x";
    EXPECT_FALSE(Prev(s, g));
    EXPECT_FALSE(Next(s, g));
    // Grid 1 empty, a match elsewhere: found backward and forward, and a
    // missing text ends after one round.
    g.grids[7] = FakeGrid({Header("Monitors", "30"), Entry("xprint", "", "", "", "30", "1")});
    EXPECT_TRUE(Prev(s, g));
    EXPECT_EQ(g.currentGrid, 7);
    s.findText = "nowhere";
    EXPECT_FALSE(Prev(s, g));
    EXPECT_FALSE(Next(s, g));
    EXPECT_EQ(g.selections, 1);
}

TEST(Search, ChangedSelectionStartsANewSequence) {
    FakeGrids g = TwoGrids();
    SearchState s;
    s.findText = "tool";
    ASSERT_TRUE(Next(s, g));
    EXPECT_EQ(g.currentRow, 2);
    g.currentRow = 3; // the user clicked another row
    ASSERT_TRUE(Next(s, g));
    EXPECT_EQ(std::make_pair(g.currentGrid, g.currentRow), std::make_pair(1, 2));
    EXPECT_EQ(s.startRow, 3);
    EXPECT_EQ(InitialFindText(std::string(40, 'a')), std::string(30, 'a'));
}

TEST(Search, DialogRequestsAndF3) {
    FakeGrids g = TwoGrids();
    SearchState s;
    EXPECT_EQ(RepeatSearch(s, g, g.currentGrid, g.currentRow), RepeatResult::OpenDialog);
    ASSERT_TRUE(FindRequest(s, g, "maker", true, g.currentGrid, g.currentRow));
    EXPECT_EQ(g.currentRow, 2);
    EXPECT_EQ(RepeatSearch(s, g, g.currentGrid, g.currentRow), RepeatResult::Hit);
    EXPECT_EQ(g.currentRow, 3);
    // Backward from there: a new sequence in the other direction.
    ASSERT_TRUE(FindRequest(s, g, "maker", false, g.currentGrid, g.currentRow));
    EXPECT_EQ(g.currentRow, 2);
    EXPECT_TRUE(s.lastSearchUp);
    EXPECT_EQ(RepeatSearch(s, g, g.currentGrid, g.currentRow), RepeatResult::Hit);
    EXPECT_EQ(std::make_pair(g.currentGrid, g.currentRow), std::make_pair(1, 3)); // wrapped over grid 14
    EXPECT_FALSE(FindRequest(s, g, "absent", true, g.currentGrid, g.currentRow));
    EXPECT_EQ(RepeatSearch(s, g, g.currentGrid, g.currentRow), RepeatResult::OpenDialog);
}
