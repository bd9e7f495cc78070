// The Entry commands in the main window: a click on an entry's check glyph
// disables it and a second click enables it; Delete asks and takes the row
// out; the commands do nothing without a selection.
#include <gtest/gtest.h>

#include <cstdlib>

#include "registry/access.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "scan/state.h"
#include "support/entry_support.h"
#include "support/main_fixture.h"
#include "support/testing.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\MainEntry";
const std::string kRun = kBase + "\\Run";

bool HasValue(const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(HKEY_LOCAL_MACHINE, key));
    return ReadValue(k.get(), name).present;
}

class MainEntryTest : public testing::Test {
  protected:
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
    MainWindow window;
    std::vector<BoxRequest> boxes;
    int answer = kAnswerYes;

    void SetUp() override {
        SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmTool", "C:\\tool.exe");
        SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmOther", "C:\\other.exe");
        PrepareLocations();
        ScanInto(15, HKEY_LOCAL_MACHINE, kRun);
        SetBoxAnswerer([this](const BoxRequest &box) {
            boxes.push_back(box);
            return answer;
        });
        ASSERT_TRUE(ShowWithGrids(window));
    }
    void TearDown() override {
        HoldForLook();
        SetBoxAnswerer(nullptr);
        ResetLocations(ScanLocations());
    }
    const GridModel &Logon() { return window.grids().Data().Grid(kCatLogon); }
    int RowOf(const std::string &name) {
        for (int r = 1; r < Logon().Rows(); ++r)
            if (Logon().TextMatrix(r, kColName) == name)
                return r;
        return 0;
    }
    void Click(int row, int col) {
        GridWindow &grid = *window.grids().Window(kCatLogon);
        const RECT cell = grid.CellRect(row, col);
        const LPARAM at = MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
        SendMessageA(grid.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, at);
    }
    void Command(int id) { SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
};

TEST_F(MainEntryTest, ClicksOnTheCheckGlyphDisableAndEnable) {
    const int row = RowOf("QmTool");
    ASSERT_GT(row, 0);
    Click(row, kColCheck);
    EXPECT_EQ(Logon().TextMatrix(row, kColCheck), "q");
    EXPECT_TRUE(HasValue(kRun + "\\AutorunsDisabled", "QmTool"));
    EXPECT_FALSE(HasValue(kRun, "QmTool"));
    Click(row, kColCheck);
    EXPECT_EQ(Logon().TextMatrix(row, kColCheck), "\xFE");
    EXPECT_TRUE(HasValue(kRun, "QmTool"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kRun + "\\AutorunsDisabled"));
    // A click elsewhere in the row selects it without a change; the menu
    // command toggles the selection.
    Click(row, kColName);
    EXPECT_TRUE(HasValue(kRun, "QmTool"));
    Command(IDM_DISABLE);
    EXPECT_EQ(Logon().TextMatrix(row, kColCheck), "q");
    Command(IDM_DISABLE);
    EXPECT_EQ(Logon().TextMatrix(row, kColCheck), "\xFE");
    EXPECT_TRUE(boxes.empty());
}

TEST_F(MainEntryTest, DeleteAsksAndTakesTheRowOut) {
    const int rows = Logon().Rows();
    Click(RowOf("QmOther"), kColName);
    answer = kAnswerNo;
    Command(IDM_DELETE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "Are you sure you want to delete the autorun of QmOther?");
    EXPECT_EQ(boxes[0].style, 308);
    EXPECT_NE(RowOf("QmOther"), 0);
    answer = kAnswerYes;
    Command(IDM_DELETE);
    EXPECT_EQ(RowOf("QmOther"), 0);
    EXPECT_FALSE(HasValue(kRun, "QmOther"));
    EXPECT_EQ(Logon().Rows(), rows);

    // After the options refill the grids nothing is selected: the commands
    // do nothing.
    Command(IDM_EMPTY);
    boxes.clear();
    Command(IDM_DELETE);
    Command(IDM_DISABLE);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(HasValue(kRun, "QmTool"));
}

} // namespace
