#include <gtest/gtest.h>

#include "scan/state.h"
#include "support/testing.h"
#include "ui/category_grids.h"

namespace {

constexpr PictureId kReg = 1, kFile = 2, kDis = 3, kIcon = 10;

class FakePictures : public GridPictures {
  public:
    PictureId RegPic() override { return kReg; }
    PictureId FilePic() override { return kFile; }
    PictureId DisPic() override { return kDis; }
    PictureId FileIcon(const std::string &) override { return kIcon; }
};

const std::string kRunText = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUserRunText = "HKEY_USERS\\S-1-5-21-1\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kStartupText = "C:\\ProgramData\\Start Menu\\Programs\\Startup";

StartupEntry Entry(const std::string &name, short pass, bool microsoft = false) {
    StartupEntry e;
    e.EntryName = name;
    e.ImagePath = "C:\\Tools\\" + name + ".exe";
    e.HasFile = true;
    e.VersionInfo[1] = microsoft ? "Microsoft Corporation" : "Contoso Ltd";
    e.VersionInfo[2] = name + " from its file";
    e.IsMicrosoft = microsoft;
    e.PassIndex = pass;
    return e;
}

ScanLocation Location(int category, HKEY root, std::vector<std::string> passes, std::vector<StartupEntry> entries) {
    ScanLocation loc;
    loc.Category = category;
    loc.MainKey = root;
    for (auto &text : passes)
        loc.Passes.push_back(ScanPass{text, {0}});
    for (auto &e : entries)
        loc.Entries.push_back(e);
    return loc;
}

// Location 1: Logon, Run key, a machine pass with two entries (the second
// disabled, its file missing, its own description) and an empty user pass.
// Location 2: Logon, a Startup folder without entries.
// Location 3: Services, only Microsoft entries, one of them deleted.
// Location 4: Services, one Microsoft and one other entry.
void LayOutScan() {
    ResetLocations(ScanLocations());
    StartupEntry missing = Entry("Gone", 1);
    missing.HasFile = false;
    missing.Disabled = true;
    missing.Description = "Found by the scanner";
    missing.VersionInfo[1].clear();
    missing.VersionInfo[2].clear();
    ScanLocations().push_back(
        Location(kCatLogon, HKEY_LOCAL_MACHINE, {kRunText, kUserRunText}, {Entry("Tool", 1), missing}));
    ScanLocations().push_back(Location(kCatLogon, nullptr, {kStartupText}, {}));
    StartupEntry deleted = Entry("OldSvc", 1, true);
    deleted.Deleted = true;
    ScanLocations().push_back(
        Location(kCatServices, HKEY_LOCAL_MACHINE, {"HKEY_LOCAL_MACHINE\\S1"}, {Entry("WinSvc", 1, true), deleted}));
    ScanLocations().push_back(Location(kCatServices, HKEY_LOCAL_MACHINE, {"HKEY_LOCAL_MACHINE\\S2"},
                                       {Entry("MsSvc", 1, true), Entry("OtherSvc", 1)}));
}

class CategoryGridsTest : public testing::Test {
  protected:
    void SetUp() override { LayOutScan(); }
    void TearDown() override { ResetLocations(ScanLocations()); }

    // Column 2 of rows 1..GetLastRow of grid g.
    std::vector<std::string> Names(int g) {
        std::vector<std::string> names;
        int index = g;
        for (int r = 1; r <= grids.GetLastRow(index); ++r)
            names.push_back(grids.Cell(r, kColName, g));
        return names;
    }
    void Reload(bool includeEmpty, bool hideMicrosoft) {
        grids.SetIncludeEmpty(includeEmpty, selection, pictures);
        grids.SetHideMicrosoft(hideMicrosoft, selection, pictures);
    }

    CategoryGrids grids;
    SelectionState selection;
    FakePictures pictures;
};

TEST_F(CategoryGridsTest, HeaderAndEntryRowsHoldWhatTheScanFound) {
    grids.LoadGrids(pictures);
    const GridModel &logon = grids.Grid(kCatLogon);
    EXPECT_EQ(logon.Rows(), kGridMinRows);
    EXPECT_EQ(Names(kCatLogon), (std::vector<std::string>{kRunText, "Tool", "Gone"}));

    // Header row: the pass text over columns 2 to 5, merged, its picture and colour.
    for (int c = kColName; c <= kColImagePath; ++c)
        EXPECT_EQ(grids.Cell(1, c, kCatLogon), kRunText);
    EXPECT_TRUE(logon.MergeRow(1));
    EXPECT_EQ(logon.CellPicture(1, kColCheck), kReg);
    EXPECT_EQ(logon.CellBackColor(1, kColName), kColorInactiveBorder);
    EXPECT_EQ(grids.Cell(1, kColCheck, kCatLogon), "");
    EXPECT_EQ(logon.Ref(1), (RowRef{1, 1, 0}));

    // Entry with its file: glyph, icon, FileDescription for an empty description.
    EXPECT_EQ(grids.Cell(2, kColCheck, kCatLogon), "\xFE");
    EXPECT_EQ(logon.CellFont(2, kColCheck).name, "Wingdings");
    EXPECT_EQ(logon.CellFont(2, kColCheck).size, 14);
    EXPECT_EQ(logon.CellAlignment(2, kColCheck), kAlignCenterCenter);
    EXPECT_EQ(logon.CellPicture(2, kColIcon), kIcon);
    EXPECT_EQ(grids.Cell(2, kColDescription, kCatLogon), "Tool from its file");
    EXPECT_EQ(grids.Cell(2, kColPublisher, kCatLogon), "Contoso Ltd");
    EXPECT_EQ(grids.Cell(2, kColImagePath, kCatLogon), "C:\\Tools\\Tool.exe");
    EXPECT_EQ(logon.Ref(2), (RowRef{1, 1, 1}));
    EXPECT_FALSE(logon.MergeRow(2));

    // Disabled entry with a missing file.
    EXPECT_EQ(grids.Cell(3, kColCheck, kCatLogon), "q");
    EXPECT_EQ(logon.CellPicture(3, kColIcon), kDis);
    EXPECT_EQ(grids.Cell(3, kColPublisher, kCatLogon), "     UNABLE TO ACCESS");
    EXPECT_EQ(grids.Cell(3, kColDescription, kCatLogon), "Found by the scanner");

    // Deleted entries stay away; their pass keeps its header row.
    EXPECT_EQ(Names(kCatServices), (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\S1", "WinSvc",
                                                             "HKEY_LOCAL_MACHINE\\S2", "MsSvc", "OtherSvc"}));
    EXPECT_EQ(Names(kCatExplorer), std::vector<std::string>{});
}

TEST_F(CategoryGridsTest, IncludeEmptyAndHideMicrosoft) {
    Reload(true, false);
    // An empty location shows every pass (a folder picture here), an empty pass
    // of a location with entries does not.
    EXPECT_EQ(Names(kCatLogon), (std::vector<std::string>{kRunText, "Tool", "Gone", kStartupText}));
    EXPECT_EQ(grids.Grid(kCatLogon).CellPicture(4, kColCheck), kFile);

    Reload(false, true);
    EXPECT_EQ(Names(kCatServices), (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\S2", "OtherSvc"}));

    Reload(true, true);
    EXPECT_EQ(Names(kCatServices),
              (std::vector<std::string>{"HKEY_LOCAL_MACHINE\\S1", "HKEY_LOCAL_MACHINE\\S2", "OtherSvc"}));
    EXPECT_TRUE(AllMicrosoft(ScanLocations()[3], 1));
    EXPECT_FALSE(AllMicrosoft(ScanLocations()[4], 1));
    EXPECT_TRUE(AllMicrosoft(ScanLocations()[4], 2));
}

TEST_F(CategoryGridsTest, TwentiethFilledRowAddsARow) {
    std::vector<StartupEntry> entries;
    for (int i = 1; i <= 18; ++i) {
        std::string name = "E";
        name += std::to_string(i);
        entries.push_back(Entry(name, 1));
    }
    ResetLocations(ScanLocations());
    ScanLocations().push_back(Location(kCatDrivers, HKEY_LOCAL_MACHINE, {"HKEY_LOCAL_MACHINE\\D"}, entries));
    grids.LoadGrids(pictures);
    int index = kCatDrivers;
    EXPECT_EQ(grids.Grid(kCatDrivers).Rows(), 20);
    EXPECT_EQ(grids.GetLastRow(index), 19);

    ScanLocations()[1].Entries.push_back(Entry("E19", 1));
    grids.ClearGrids(selection);
    grids.LoadGrids(pictures);
    EXPECT_EQ(grids.Grid(kCatDrivers).Rows(), 21);
    EXPECT_EQ(grids.GetLastRow(index), 20);

    // A removed row in a long grid leaves an empty last row, which is not filled.
    GridModel &grid = grids.Grid(kCatDrivers);
    grid.RemoveItem(5);
    grid.SetRows(grid.Rows() + 1);
    EXPECT_EQ(grids.GetLastRow(index), 19);
    EXPECT_EQ(grids.GetGridsText().find(" + \t\t\t"), std::string::npos);
}

TEST_F(CategoryGridsTest, GetLastRowRefusesAGridNumberOutsideTheTabs) {
    CapturedLog log;
    int index = 15;
    EXPECT_EQ(grids.GetLastRow(index), 0);
    EXPECT_EQ(index, 1);
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Invalid GridIndex = 15"});
}

TEST_F(CategoryGridsTest, ListTextHasOneLinePerFilledRow) {
    grids.LoadGrids(pictures);
    const std::vector<std::string> lines = {
        kRunText,
        " + Tool\tTool from its file\tContoso Ltd\tC:\\Tools\\Tool.exe",
        " + Gone\tFound by the scanner\t     UNABLE TO ACCESS\tC:\\Tools\\Gone.exe",
        "HKEY_LOCAL_MACHINE\\S1",
        " + WinSvc\tWinSvc from its file\tMicrosoft Corporation\tC:\\Tools\\WinSvc.exe",
        "HKEY_LOCAL_MACHINE\\S2",
        " + MsSvc\tMsSvc from its file\tMicrosoft Corporation\tC:\\Tools\\MsSvc.exe",
        " + OtherSvc\tOtherSvc from its file\tContoso Ltd\tC:\\Tools\\OtherSvc.exe"};
    std::string expected;
    for (const auto &line : lines)
        expected.append(line).append("\r\n");
    EXPECT_EQ(grids.GetGridsText(), expected);
    // Selecting a row reads the file's version strings into its record, which
    // the grid does not show: the list stays what the grid shows.
    ScanLocations()[1].Entries[1].VersionInfo[1] = "Read on selection";
    ScanLocations()[1].Entries[1].Description = "Read on selection";
    EXPECT_EQ(grids.GetGridsText(), expected);
    grids.ClearGrids(selection);
    EXPECT_EQ(grids.GetGridsText(), "");
}

TEST_F(CategoryGridsTest, ClearingAndUnhighlightingResetTheSelection) {
    grids.LoadGrids(pictures);
    GridModel &logon = grids.Grid(kCatLogon);
    selection = SelectionState{kCatLogon, 2, 3, false, 1, 1, 1};
    for (int c = kColName; c <= kColImagePath; ++c) {
        logon.SetCellBackColor(2, c, kColorActiveCaption);
        logon.SetCellForeColor(2, c, kColorHighlightText);
    }
    grids.UnhighlightRow(selection);
    EXPECT_EQ(logon.CellBackColor(2, kColImagePath), kColorWindow);
    EXPECT_EQ(logon.CellForeColor(2, kColName), kColorWindowText);
    EXPECT_EQ(selection.CurrentGrid, 0);
    EXPECT_TRUE(selection.HeaderRowSelected);

    // An entry selected where a header row now shows (a Delete moved it up)
    // gets the header row's colour back.
    selection = SelectionState{kCatLogon, 1, 3, false, 1, 1, 1};
    grids.UnhighlightRow(selection);
    EXPECT_EQ(logon.CellBackColor(1, kColImagePath), kColorInactiveBorder);

    // Clearing selects no row, but the grid stays selected until the next
    // tab change clears the file panel.
    selection = SelectionState{kCatLogon, 2, 3, false, 1, 1, 1};
    grids.ClearGrids(selection);
    EXPECT_EQ(selection.CurrentGrid, kCatLogon);
    EXPECT_EQ(selection.CurrentRow, 0);
    // The emptied rows lost their texts, pictures and colours; the captions stay.
    EXPECT_EQ(logon.Rows(), 20);
    EXPECT_EQ(logon.Row(), 0);
    EXPECT_EQ(grids.Cell(2, kColName, kCatLogon), "");
    EXPECT_EQ(logon.CellPicture(2, kColIcon), 0u);
    EXPECT_FALSE(logon.MergeRow(1));
    EXPECT_EQ(grids.Cell(0, kColName, kCatLogon), "Autorun Entry");
}

class ScriptedSave : public SaveListUi {
  public:
    explicit ScriptedSave(std::string file) : file_(std::move(file)) {}
    std::string AskSaveFile() override { return file_; }
    void Tell(const std::string &prompt) override { told.push_back(prompt); }
    std::vector<std::string> told;

  private:
    std::string file_;
};

TEST_F(CategoryGridsTest, SaveWritesTheListAndReportsAShortWrite) {
    grids.LoadGrids(pictures);
    TempDir dir;
    ScriptedSave save(dir / "list.txt");
    SaveGridsList(grids, save);
    EXPECT_EQ(ReadFileBytes(dir / "list.txt"), grids.GetGridsText());
    EXPECT_TRUE(save.told.empty());

    // A file that cannot be written (held open without sharing by another
    // handle: the prefix runs as root, which writes read-only files anyway).
    ASSERT_TRUE(WriteFileBytes(dir / "locked.txt", "old"));
    {
        HANDLE held = CreateFileA((dir / "locked.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        ScriptedSave locked(dir / "locked.txt");
        SaveGridsList(grids, locked);
        CloseHandle(held);
        EXPECT_EQ(locked.told, std::vector<std::string>{"Unable to save file to that location. May be read-only."});
    }
    EXPECT_EQ(ReadFileBytes(dir / "locked.txt"), "old");

    ScriptedSave cancelled("");
    SaveGridsList(grids, cancelled);
    EXPECT_TRUE(cancelled.told.empty());
}

} // namespace
