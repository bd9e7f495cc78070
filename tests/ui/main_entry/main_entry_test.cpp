// The Entry commands in the main window: a click on an entry's check glyph
// disables it and a second click enables it; Delete asks and takes the row
// out; the commands do nothing without a selection.
#include <gtest/gtest.h>

#include <cstdlib>

#include "changes/watch.h"
#include "registry/access.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "support/entry_support.h"
#include "support/main_fixture.h"
#include "support/testing.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\MainEntry";
const std::string kRun = kBase + "\\Run";
// The running system's Run key, which the watch tick reads.
const std::string kLiveRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

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
        SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmThird", "C:\\third.exe");
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
        KillTimer(window.hwnd(), IDT_SNAP);
        Watch() = WatchState{};
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kLiveRun.c_str(), "QmWatchAdded");
        ResetLocations(ScanLocations());
        ResetLocations(WatchLocations());
        ResetLocations(SnapshotLocations());
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
    void Key(WPARAM key) { SendMessageA(window.grids().Window(kCatLogon)->Handle(), WM_KEYDOWN, key, 0); }
    // Watching on a snapshot that lacks a value of the running system's Run
    // key: the next tick asks about it.
    void WatchWithAChangePending() {
        ASSERT_TRUE(WatchRescan());
        SnapshotLocations() = WatchLocations();
        SetRegString(HKEY_LOCAL_MACHINE, kLiveRun, "QmWatchAdded", "C:\\added.exe");
        Watch().watching = Watch().running = true;
    }
    void FireWatchTimer() { SendMessageA(window.hwnd(), WM_TIMER, IDT_SNAP, 0); }
    size_t Boxes(const std::string &title) {
        size_t n = 0;
        for (const BoxRequest &box : boxes)
            n += box.title == title;
        return n;
    }
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

// The grid's keys act on the row shown selected: after the fill and after a
// Delete none is, and the next Down reaches the row standing there.
TEST_F(MainEntryTest, SpaceAndDeleteActOnTheRowShownSelected) {
    Key(VK_SPACE);
    Key(VK_DELETE);
    EXPECT_TRUE(boxes.empty());
    Key(VK_DOWN);
    EXPECT_EQ(window.selection.CurrentRow, 1); // the first row, the header
    Key(VK_DOWN);
    ASSERT_EQ(window.selection.CurrentRow, 2);
    const std::string first = Logon().TextMatrix(2, kColName), second = Logon().TextMatrix(3, kColName);
    Key(VK_SPACE);
    EXPECT_EQ(Logon().TextMatrix(2, kColCheck), "q");
    EXPECT_FALSE(HasValue(kRun, first));
    Key(VK_SPACE);
    EXPECT_TRUE(HasValue(kRun, first));

    Key(VK_DELETE);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "Are you sure you want to delete the autorun of " + first + "?");
    EXPECT_FALSE(HasValue(kRun, first));
    ASSERT_EQ(Logon().TextMatrix(2, kColName), second);
    // The entry that moved up was never selected: no command reaches it.
    EXPECT_FALSE(window.MenuEnabled(IDM_DISABLE));
    EXPECT_FALSE(window.MenuEnabled(IDM_COPY));
    Key(VK_SPACE);
    Key(VK_DELETE);
    Command(IDM_DELETE);
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(HasValue(kRun, second));
    Key(VK_DOWN);
    EXPECT_EQ(window.selection.CurrentRow, 2);
    EXPECT_EQ(window.selection.CurrentEntry, EntryNumber(15, second));
    EXPECT_TRUE(window.MenuEnabled(IDM_DELETE));
}

// The watch tick and the commands on the shown records hold each other off:
// the timer firing inside Delete's question asks nothing, and a command
// started inside the tick's question changes nothing.
TEST_F(MainEntryTest, TheWatchTickAndTheEntryCommandsHoldEachOtherOff) {
    WatchWithAChangePending();
    Click(RowOf("QmOther"), kColName);
    SetBoxAnswerer([this](const BoxRequest &box) {
        boxes.push_back(box);
        if (box.title == "Quillmara")
            FireWatchTimer();
        return box.title == "Quillmara" ? kAnswerYes : kAnswerCancel;
    });
    Command(IDM_DELETE);
    EXPECT_EQ(Boxes("STARTUP CHANGE"), 0u);
    EXPECT_FALSE(HasValue(kRun, "QmOther"));
    EXPECT_EQ(RowOf("QmOther"), 0);

    Click(RowOf("QmTool"), kColName);
    boxes.clear();
    SetBoxAnswerer([this](const BoxRequest &box) {
        boxes.push_back(box);
        if (box.title == "STARTUP CHANGE")
            Command(IDM_DISABLE);
        return kAnswerCancel;
    });
    FireWatchTimer();
    EXPECT_EQ(Boxes("STARTUP CHANGE"), 1u);
    EXPECT_TRUE(HasValue(kRun, "QmTool"));
    EXPECT_EQ(Logon().TextMatrix(RowOf("QmTool"), kColCheck), "\xFE");
}

} // namespace
