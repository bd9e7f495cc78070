#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/values.h"
#include "scan/state.h"
#include "support/entry_support.h"
#include "support/testing.h"
#include "ui/box_change_ui.h"
#include "ui/entry_commands.h"
#include "ui/jump.h"
#include "ui/msgbox.h"
#include "ui/row_selection.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\EntryCommands";
const std::string kPair = kBase + "\\Pair", kSolo = kBase + "\\Solo";

class NoPictures : public GridPictures {
  public:
    PictureId RegPic() override { return 1; }
    PictureId FilePic() override { return 2; }
    PictureId DisPic() override { return 3; }
    PictureId FileIcon(const std::string &) override { return 4; }
};

bool HasValue(const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(HKEY_LOCAL_MACHINE, key));
    return ReadValue(k.get(), name).present;
}

// Location 15 scanned over a key with "One" and "Two", location 16 over a
// key with "Solo"; grid 1 shows them under two header rows.
class EntryCommandsTest : public testing::Test {
  protected:
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
    CategoryGrids grids;
    NoPictures pictures;
    ScriptedUi ui;

    void SetUp() override {
        SetRegString(HKEY_LOCAL_MACHINE, kPair, "One", "C:\\one.exe");
        SetRegString(HKEY_LOCAL_MACHINE, kPair, "Two", "C:\\two.exe");
        SetRegString(HKEY_LOCAL_MACHINE, kSolo, "Solo", "C:\\solo.exe");
        Load();
    }
    void TearDown() override { ResetLocations(ScanLocations()); }

    void Load() {
        PrepareLocations();
        ScanInto(15, HKEY_LOCAL_MACHINE, kPair);
        ScanInto(16, HKEY_LOCAL_MACHINE, kSolo);
        SelectionState none;
        grids.SetUpColumns();
        grids.ClearGrids(none);
        grids.LoadGrids(pictures);
    }

    int RowOf(const std::string &name) const {
        for (int r = 1; r < grids.Grid(1).Rows(); ++r)
            if (grids.Cell(r, kColName, 1) == name && grids.Grid(1).Ref(r).IsEntry())
                return r;
        return 0;
    }
    // The selection a click on the entry's row makes.
    SelectionState Select(const std::string &name) const {
        SelectionState s;
        s.CurrentGrid = 1;
        s.CurrentRow = RowOf(name);
        s.HeaderRowSelected = false;
        s.CurrentLocation = grids.Grid(1).Ref(s.CurrentRow).location;
        s.CurrentEntry = grids.Grid(1).Ref(s.CurrentRow).entry;
        s.CurrentLocationRow = s.CurrentRow;
        while (!grids.Grid(1).Ref(s.CurrentLocationRow).IsHeader())
            --s.CurrentLocationRow;
        return s;
    }
    std::vector<std::string> Column(int col) const {
        std::vector<std::string> cells;
        for (int r = 1; r <= 5; ++r)
            cells.push_back(grids.Cell(r, col, 1));
        return cells;
    }
};

TEST_F(EntryCommandsTest, ToggleChangesTheGlyphOfTheSelectedRowOnly) {
    const SelectionState two = Select("Two");
    ToggleSelectedEntry(grids, two, ui);
    EXPECT_EQ(grids.Cell(two.CurrentRow, kColCheck, 1), kCheckOff);
    EXPECT_EQ(grids.Cell(RowOf("One"), kColCheck, 1), kCheckOn);
    EXPECT_TRUE(HasValue(kPair + "\\AutorunsDisabled", "Two"));
    ToggleSelectedEntry(grids, two, ui);
    EXPECT_EQ(grids.Cell(two.CurrentRow, kColCheck, 1), kCheckOn);
    EXPECT_TRUE(HasValue(kPair, "Two"));
    EXPECT_TRUE(ui.told.empty());

    // No selection, a header row, or a row that no longer shows the selected
    // entry: nothing happens.
    SelectionState header = two;
    header.CurrentRow = header.CurrentLocationRow;
    header.HeaderRowSelected = true;
    SelectionState stale = two;
    stale.CurrentEntry = 99;
    for (const SelectionState &s : {SelectionState{}, header, stale}) {
        ToggleSelectedEntry(grids, s, ui);
        DeleteSelectedEntry(grids, s, ui);
    }
    EXPECT_TRUE(HasValue(kPair, "Two"));
    EXPECT_EQ(grids.Cell(two.CurrentRow, kColCheck, 1), kCheckOn);
    EXPECT_TRUE(ui.told.empty());
}

TEST_F(EntryCommandsTest, DeleteAsksThenTakesTheRowAndAnEmptiedHeaderRowOut) {
    const int rows = grids.Grid(1).Rows();
    const auto before = Column(kColName);

    ui.answers = {kAnswerNo};
    DeleteSelectedEntry(grids, Select("One"), ui);
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Are you sure you want to delete the autorun of One?"});
    EXPECT_TRUE(HasValue(kPair, "One"));
    EXPECT_EQ(Column(kColName), before);

    ui.answers = {kAnswerYes};
    const SelectionState one = Select("One");
    DeleteSelectedEntry(grids, one, ui);
    EXPECT_FALSE(HasValue(kPair, "One"));
    EXPECT_TRUE(ScanLocations()[15].Entries[static_cast<size_t>(one.CurrentEntry)].Deleted);
    EXPECT_EQ(grids.Grid(1).Rows(), rows);
    const std::string pairHeader = "HKEY_LOCAL_MACHINE\\" + kPair, soloHeader = "HKEY_LOCAL_MACHINE\\" + kSolo;
    EXPECT_EQ(Column(kColName), (std::vector<std::string>{pairHeader, "Two", soloHeader, "Solo", ""}));

    // The sole entry of a header row, and the last filled row of the grid.
    ui.answers = {kAnswerYes};
    DeleteSelectedEntry(grids, Select("Solo"), ui);
    EXPECT_EQ(Column(kColName), (std::vector<std::string>{pairHeader, "Two", "", "", ""}));
    EXPECT_EQ(grids.Grid(1).Rows(), rows);

    // An entry gone since the scan: message A, and its row stays.
    DeleteRegTree(HKEY_LOCAL_MACHINE, kPair);
    ui.told.clear();
    ui.answers = {kAnswerYes};
    DeleteSelectedEntry(grids, Select("Two"), ui);
    EXPECT_EQ(ui.told.back(), "Quillmara: Failed to delete the startup of Two.");
    EXPECT_EQ(Column(kColName), (std::vector<std::string>{pairHeader, "Two", "", "", ""}));
}

// What a box that is open lets happen: a change let in while watching
// replaces the location's records and fills the grids again.
class ChangingUi : public ScriptedUi {
  public:
    std::function<void()> whileAsking;
    int Ask(const std::string &prompt, int style, const std::string &title) override {
        if (auto run = std::exchange(whileAsking, nullptr))
            run();
        return ScriptedUi::Ask(prompt, style, title);
    }
};

TEST_F(EntryCommandsTest, DeleteActsOnlyOnTheEntryStillShownAfterItsQuestion) {
    ChangingUi changing;
    SelectionState two = Select("Two");
    changing.whileAsking = [&] {
        ASSERT_TRUE(DeleteNamedValue(HKEY_LOCAL_MACHINE, kPair, "One", false));
        ScanInto(15, HKEY_LOCAL_MACHINE, kPair);
        grids.ClearGrids(two);
        grids.LoadGrids(pictures);
    };
    changing.answers = {kAnswerYes};
    DeleteSelectedEntry(grids, two, changing);
    EXPECT_TRUE(HasValue(kPair, "Two"));
    EXPECT_EQ(changing.told.size(), 1u);
    EXPECT_NE(RowOf("Two"), 0);
}

TEST_F(EntryCommandsTest, AfterADeleteNoCommandTakesTheRowThatMovedUp) {
    const SelectionState one = Select("One");
    ui.answers = {kAnswerYes};
    DeleteSelectedEntry(grids, one, ui);
    ASSERT_EQ(grids.Cell(one.CurrentRow, kColName, 1), "Two");
    EXPECT_FALSE(SelectedRow(grids, one));
    JumpRow jump;
    EXPECT_FALSE(SelectedJumpRow(grids, one, jump));
    ToggleSelectedEntry(grids, one, ui);
    ui.answers = {kAnswerYes};
    DeleteSelectedEntry(grids, one, ui);
    EXPECT_TRUE(HasValue(kPair, "Two"));
    EXPECT_EQ(grids.Cell(one.CurrentRow, kColCheck, 1), kCheckOn);
}

TEST_F(EntryCommandsTest, HeaderRowStaysWhenEmptyLocationsAreShown) {
    SelectionState none;
    grids.SetIncludeEmpty(true, none, pictures);
    ui.answers = {kAnswerYes};
    DeleteSelectedEntry(grids, Select("Solo"), ui);
    EXPECT_NE(RowOf("Two"), 0);
    bool soloHeader = false;
    for (int r = 1; r < grids.Grid(1).Rows(); ++r)
        soloHeader |= grids.Cell(r, kColName, 1) == "HKEY_LOCAL_MACHINE\\" + kSolo;
    EXPECT_TRUE(soloHeader);
    EXPECT_EQ(RowOf("Solo"), 0);
}

TEST_F(EntryCommandsTest, TheProgramAsksThroughItsMessageBox) {
    std::vector<BoxRequest> asked;
    SetBoxAnswerer([&](const BoxRequest &r) {
        asked.push_back(r);
        return kAnswerNo; // Enter: No is the default button
    });
    BoxChangeUi boxes;
    DeleteSelectedEntry(grids, Select("One"), boxes);
    SetBoxAnswerer(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].style, BoxStyle::kYesNoWarnDefaultNo);
    EXPECT_EQ(asked[0].title, "Quillmara");
    EXPECT_TRUE(HasValue(kPair, "One"));
}

} // namespace

// A protocol filter is named by its class in the grid but held by its
// subkey: the jump opens that subkey, as the changes act on it.
TEST_F(EntryCommandsTest, AJumpOpensTheSubKeyThatHoldsAClassEntry) {
    const std::string clsid = "{5A11E700-00F1-4000-8000-00000000F002}";
    const std::string filter = kBase + "\\Filter";
    TestFilterClass registered{clsid, "C:\\qm\\qmfilter.dll", filter};
    PrepareLocations();
    ScanInto(29, HKEY_LOCAL_MACHINE, filter);
    SelectionState none;
    grids.ClearGrids(none);
    grids.LoadGrids(pictures);
    SelectionState s;
    s.CurrentGrid = ScanLocations()[29].Category;
    for (int r = 1; r < grids.Grid(s.CurrentGrid).Rows(); ++r)
        if (grids.Grid(s.CurrentGrid).Ref(r).IsEntry() && grids.Grid(s.CurrentGrid).Ref(r).location == 29)
            s.CurrentRow = r;
    ASSERT_NE(s.CurrentRow, 0);
    s.HeaderRowSelected = false;
    s.CurrentLocation = 29;
    s.CurrentEntry = grids.Grid(s.CurrentGrid).Ref(s.CurrentRow).entry;
    s.CurrentLocationRow = s.CurrentRow - 1;
    JumpRow jump;
    ASSERT_TRUE(SelectedJumpRow(grids, s, jump));
    const JumpPlan plan = PlanJump(jump, [](HKEY, const std::string &) { return true; });
    EXPECT_EQ(plan.kind, JumpPlan::Registry);
    EXPECT_EQ(plan.key, "HKEY_LOCAL_MACHINE\\" + filter + "\\qmfilter");
}
