// The main window's selection, file panel, Copy, Entry popup, tab change,
// navigation buttons and search, driven in this process on a laid-out scan.
#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <thread>
#include <tuple>

#include "resources/ids.h"
#include "scan/state.h"
#include "support/app_driver.h"
#include "support/main_fixture.h"
#include "support/testing.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"
#include "ui/shell_helpers.h"
#include "ui/window.h"

namespace {

StartupEntry Entry(const std::string &name, const std::string &description, const std::string &path, bool hasFile) {
    StartupEntry e;
    e.EntryName = name;
    e.Description = description;
    e.ImagePath = path;
    e.HasFile = hasFile;
    e.VersionInfo[1] = hasFile ? "Contoso Ltd" : "";
    e.PassIndex = 1;
    return e;
}

// A Run key with two entries (notepad exists, the other not) and a driver.
void LayOutScan() {
    ResetLocations(ScanLocations());
    ScanLocation run = RunKeyLocation();
    run.Entries.push_back(Entry("Notes", "", "C:\\windows\\notepad.exe", true));
    run.Entries.push_back(Entry("Gone", "Old helper", "C:\\nowhere\\gone.exe", false));
    ScanLocations().push_back(run);
    ScanLocation drivers = DriversLocation();
    drivers.Entries.push_back(Entry("beepdrv", "", "C:\\windows\\system32\\drivers\\beep.sys", false));
    ScanLocations().push_back(drivers);
}

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    do {
        PumpPendingEvents();
        Sleep(5);
    } while (static_cast<int>(end - GetTickCount()) > 0);
}

std::string Clipboard(HWND owner) {
    std::string text;
    if (!OpenClipboard(owner))
        return "<closed>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        text = static_cast<const char *>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

// Whether a popup menu was open when the timer ran; the timer closes it.
bool g_menuSeen = false;
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND menu = FindWindowA("#32768", nullptr);
    g_menuSeen = menu != nullptr && IsWindowVisible(menu);
    EndMenu();
}

// Keys as the thread sees them while the posted key messages are handled.
void HoldKeys(std::initializer_list<int> keys) {
    BYTE state[256] = {};
    for (int key : keys)
        state[key] = 0x80;
    SetKeyboardState(state);
}

class MainSelectTest : public testing::Test {
  protected:
    void SetUp() override {
        LayOutScan();
        ASSERT_TRUE(window.CreateHidden());
        window.CreateToolbar();
        window.grids().Data().SetUpColumns();
        window.ClearGrids();
        window.LoadGrids();
        ShowWindow(window.hwnd(), SW_SHOW);
        window.StartSearch();
        window.grids().Refresh();
    }
    void TearDown() override {
        if (const char *hold = std::getenv("QM_SELECT_HOLD"))
            Sleep(static_cast<DWORD>(std::atoi(hold)));
        SetBoxAnswerer(nullptr);
        ResetLocations(ScanLocations());
    }
    void Command(int id) { SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    void Click(int grid, int row, int col, UINT down = WM_LBUTTONDOWN, UINT up = WM_LBUTTONUP) {
        GridWindow &g = *window.grids().Window(grid);
        const RECT cell = g.CellRect(row, col);
        const LPARAM at = MAKELPARAM(cell.left + 4, cell.top + 4);
        SendMessageA(g.Handle(), down, 0, at);
        SendMessageA(g.Handle(), up, 0, at);
    }
    std::string Label(int i) {
        char text[260] = {};
        GetWindowTextA(window.fileLabel(i), text, sizeof text);
        return text;
    }
    GridModel &Grid(int i) { return window.grids().Data().Grid(i); }

    MainWindow window;
};

} // namespace

TEST_F(MainSelectTest, ClickFillsTheFilePanelAndCopyTakesTheRow) {
    Click(kCatLogon, 2, kColName);
    EXPECT_EQ(window.selection.CurrentRow, 2);
    EXPECT_TRUE(window.MenuEnabled(IDM_DELETE));
    EXPECT_FALSE(window.MenuEnabled(IDM_BACKUP));
    EXPECT_TRUE(window.toolbar().ButtonEnabled(5));
    EXPECT_EQ(Label(6).rfind("Created: ", 0), 0u) << Label(6);
    EXPECT_EQ(Label(7).rfind("Modified: ", 0), 0u) << Label(7);
    Command(IDM_COPY);
    EXPECT_EQ(Clipboard(window.hwnd()), "Notes\t\tContoso Ltd\tC:\\windows\\notepad.exe");

    // A missing file: empty panel.
    Click(kCatLogon, 3, kColName);
    EXPECT_EQ(Label(0), "");
    EXPECT_EQ(Label(6), "");
    // A header row: its location text; Backup on, Delete off.
    Click(kCatLogon, 1, kColName);
    EXPECT_TRUE(window.selection.HeaderRowSelected);
    EXPECT_TRUE(window.MenuEnabled(IDM_BACKUP));
    EXPECT_FALSE(window.MenuEnabled(IDM_DELETE));
    EXPECT_FALSE(window.toolbar().ButtonEnabled(4));
    Command(IDM_COPY);
    EXPECT_EQ(Clipboard(window.hwnd()), "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
}

TEST_F(MainSelectTest, RightClickOpensTheEntryMenuOnlyOnAFilledRow) {
    g_menuSeen = false;
    SetTimer(nullptr, 0, 300, CloseMenu);
    Click(kCatLogon, 3, kColName, WM_RBUTTONDOWN, WM_RBUTTONUP);
    EXPECT_TRUE(g_menuSeen);
    EXPECT_EQ(window.selection.CurrentRow, 3); // selected before the menu opened
    g_menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseMenu);
    Click(kCatLogon, 8, kColName, WM_RBUTTONDOWN, WM_RBUTTONUP);
    Pump(400);
    EXPECT_FALSE(g_menuSeen);
    KillTimer(nullptr, timer);
    EXPECT_EQ(window.selection.CurrentRow, 3);
}

TEST_F(MainSelectTest, HoverHelpInTheStatusBar) {
    GridWindow &g = *window.grids().Window(kCatLogon);
    const RECT check = g.CellRect(2, kColCheck), path = g.CellRect(3, kColImagePath);
    SendMessageA(g.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(check.left + 3, check.top + 3));
    EXPECT_EQ(window.StatusText(1), "Checkbox to Disable and Enable Startup Items");
    SendMessageA(g.Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(path.left + 3, path.top + 3));
    EXPECT_EQ(window.StatusText(1), "Image Path");
    EXPECT_EQ(Grid(kCatLogon).ToolTipText(), "C:\\nowhere\\gone.exe");
    SendMessageA(window.toolbar().hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(window.StatusText(1), "Program Navigation Toolbar");
    SendMessageA(window.tabStrip(), WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(window.StatusText(1), "Startup Category Tabs");
}

TEST_F(MainSelectTest, TabsAndNavigationButtons) {
    Click(kCatLogon, 2, kColName);
    // An Options item fills the grids again: no row is selected, and the
    // file panel no longer shows the entry.
    ASSERT_NE(Label(6), "");
    Command(IDM_EMPTY);
    EXPECT_EQ(window.selection.CurrentRow, 0);
    EXPECT_EQ(Label(0), "");
    EXPECT_EQ(Label(6), "");
    Command(IDM_EMPTY);
    Command(IDM_TAB0 + kCatDrivers);
    EXPECT_EQ(window.SelectedTab(), kCatDrivers);
    EXPECT_EQ(window.selection.CurrentGrid, 0);
    EXPECT_FALSE(window.MenuEnabled(IDM_COPY));
    EXPECT_FALSE(window.toolbar().ButtonEnabled(3));
    EXPECT_EQ(Label(0), "");
    EXPECT_EQ(Label(6), "");

    // Next row: 1, 2, then back to 1 (the grid's last filled row is 2).
    window.NavigationStep(9);
    EXPECT_EQ(window.selection.CurrentRow, 1);
    window.NavigationStep(9);
    EXPECT_EQ(window.selection.CurrentRow, 2);
    window.NavigationStep(9);
    EXPECT_EQ(window.selection.CurrentRow, 1);
    window.NavigationStep(8);
    EXPECT_EQ(window.selection.CurrentRow, 2);
    // Categories wrap.
    Command(IDM_TAB0 + 1);
    window.NavigationStep(7);
    EXPECT_EQ(window.SelectedTab(), 14);
    window.NavigationStep(10);
    EXPECT_EQ(window.SelectedTab(), 1);
    // An empty grid: a held row button does nothing and does not repeat.
    Command(IDM_TAB0 + 5);
    const RECT next = window.toolbar().ButtonRect(9);
    SendMessageA(window.toolbar().hwnd(), WM_LBUTTONDOWN, MK_LBUTTON,
                 MAKELPARAM((next.left + next.right) / 2, (next.top + next.bottom) / 2));
    EXPECT_FALSE(window.toolbar().repeat().active());
    EXPECT_EQ(window.selection.CurrentGrid, 0);
    SendMessageA(window.toolbar().hwnd(), WM_LBUTTONUP, 0, 0);
}

TEST_F(MainSelectTest, FindDialogFindsAnEntryOnAnotherTabAndF3Repeats) {
    std::vector<BoxRequest> boxes;
    SetBoxAnswerer([&](const BoxRequest &box) {
        boxes.push_back(box);
        return 1;
    });
    // F3 before any search opens the Find dialog.
    PostMessageA(window.grids().Window(1)->Handle(), WM_KEYDOWN, VK_F3, 0);
    Pump(100);
    HWND dialog = FindWindowA("#32770", "Find");
    ASSERT_NE(dialog, nullptr);
    Command(IDM_SEARCH); // brought forward, not a second one
    Pump(50);
    int dialogs = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM lp) WINAPI -> BOOL {
            char cls[16] = {};
            GetClassNameA(w, cls, sizeof cls);
            if (std::string(cls) == "#32770" && IsWindowVisible(w))
                ++*reinterpret_cast<int *>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&dialogs));
    EXPECT_EQ(dialogs, 1);

    SetDlgItemTextA(dialog, 1152, "BEEPDRV");
    SendMessageA(dialog, WM_COMMAND, IDOK, 0);
    Pump(50);
    EXPECT_EQ(window.SelectedTab(), kCatDrivers);
    EXPECT_EQ(window.selection.CurrentGrid, kCatDrivers);
    EXPECT_EQ(window.selection.CurrentRow, 2);
    // Shift+F3 as F3: no other hit, the message, and the search starts over.
    HoldKeys({VK_SHIFT});
    PostMessageA(window.grids().Window(kCatDrivers)->Handle(), WM_KEYDOWN, VK_F3, 0);
    Pump(100);
    HoldKeys({});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "Cannot find \"BEEPDRV\"");
    EXPECT_EQ(boxes[0].title, "Quillmara");
    SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    // The window active again: the hit's grid has the keys.
    EXPECT_TRUE(WaitUntil(
        [&] {
            PumpPendingEvents();
            return GetFocus() == window.grids().Window(kCatDrivers)->Handle();
        },
        10000));
}

TEST_F(MainSelectTest, TheKeyboardReachesTheGridTheTabsAndTheEntryMenu) {
    auto grid = [&](int i) { return window.grids().Window(i)->Handle(); };
    auto press = [&](UINT message, WPARAM key, std::initializer_list<int> held = {}) {
        HoldKeys(held);
        PostMessageA(GetFocus(), message, key, 0);
        PumpPendingEvents();
        HoldKeys({});
    };
    window.ShowMain(true);
    ASSERT_TRUE(WaitUntil(
        [&] {
            PumpPendingEvents();
            return GetActiveWindow() == window.hwnd();
        },
        10000));
    EXPECT_EQ(GetFocus(), grid(kCatLogon));
    // Nothing is selected after the fill: the Apps key opens no menu (an
    // open one would hold the key until the timer closes it).
    g_menuSeen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 300, CloseMenu);
    SendMessageA(GetFocus(), WM_KEYDOWN, VK_APPS, 0);
    KillTimer(nullptr, timer);
    EXPECT_FALSE(g_menuSeen);
    press(WM_KEYDOWN, VK_HOME);
    press(WM_KEYDOWN, VK_DOWN);
    EXPECT_EQ(window.selection.CurrentRow, 2);

    // Tab to the strip and back; the strip's arrows change the tab and keep the focus.
    press(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), window.tabStrip());
    press(WM_KEYDOWN, VK_TAB);
    EXPECT_EQ(GetFocus(), grid(kCatLogon));
    press(WM_KEYDOWN, VK_TAB, {VK_SHIFT});
    EXPECT_EQ(GetFocus(), window.tabStrip());
    press(WM_KEYDOWN, VK_RIGHT);
    EXPECT_EQ(window.SelectedTab(), 2);
    EXPECT_EQ(GetFocus(), window.tabStrip());

    // Ctrl+Tab and its kin change the tab from anywhere; the shown grid gets the focus.
    press(WM_KEYDOWN, VK_TAB, {VK_CONTROL});
    EXPECT_EQ(window.SelectedTab(), 3);
    EXPECT_EQ(GetFocus(), grid(3));
    press(WM_KEYDOWN, VK_TAB, {VK_CONTROL, VK_SHIFT});
    press(WM_KEYDOWN, VK_PRIOR, {VK_CONTROL});
    EXPECT_EQ(window.SelectedTab(), 1);
    press(WM_KEYDOWN, VK_NEXT, {VK_CONTROL});
    EXPECT_EQ(window.SelectedTab(), 2);
    Command(IDM_TAB0 + kCatLogon);
    EXPECT_EQ(GetFocus(), grid(kCatLogon));

    // Shift+F10 and the Apps key open the Entry menu on the current row.
    press(WM_KEYDOWN, VK_END);
    for (const auto &[message, key, held] : {std::tuple{WM_SYSKEYDOWN, VK_F10, VK_SHIFT},
                                             std::tuple{WM_KEYDOWN, VK_APPS, 0}}) {
        g_menuSeen = false;
        SetTimer(nullptr, 0, 300, CloseMenu);
        HoldKeys({held});
        SendMessageA(GetFocus(), message, key, 0);
        HoldKeys({});
        EXPECT_TRUE(g_menuSeen) << key;
        EXPECT_EQ(window.selection.CurrentRow, 3) << key;
    }
}

TEST_F(MainSelectTest, HelpAboutShowsTheAboutBoxOverTheWindow) {
    HWND owner = nullptr;
    std::thread driver([&] {
        HWND about = WaitForTopWindow(GetCurrentProcessId(), "#32770", "About Quillmara", 60000);
        if (about == nullptr)
            return;
        owner = GetWindow(about, GW_OWNER);
        PostMessageA(about, WM_COMMAND, IDOK, 0);
    });
    Command(IDM_ABOUT);
    driver.join();
    EXPECT_EQ(owner, window.hwnd());
}

// The keys of a Windows list: Ctrl+C copies and Enter does what a double
// click does, on the row shown selected only; F1 opens the help.
TEST_F(MainSelectTest, CtrlCEnterAndF1DoWhatTheirCommandsDo) {
    std::vector<std::string> started;
    SetProgramStarter([&](const std::string &path, const std::string &arguments, const std::string &) {
        started.push_back(path.substr(path.find_last_of('\\') + 1) + " " + arguments);
        return 42L;
    });
    ScanLocation tasks;
    tasks.Category = 14;
    tasks.Passes.push_back({"C:\\windows\\Tasks", {0}});
    StartupEntry job = Entry("qm.job", "", "C:\\windows\\Tasks\\qm.job", false);
    job.ItemName = job.ImagePath;
    tasks.Entries.push_back(job);
    ScanLocations().push_back(tasks);
    window.ClearGrids();
    window.LoadGrids();
    auto press = [&](WPARAM key, std::initializer_list<int> held = {}) {
        HoldKeys(held);
        PostMessageA(window.grids().Window(window.SelectedTab())->Handle(), WM_KEYDOWN, key, 0);
        PumpPendingEvents();
        HoldKeys({});
    };

    const std::string before = Clipboard(window.hwnd());
    press('C', {VK_CONTROL});
    press(VK_RETURN);
    EXPECT_EQ(Clipboard(window.hwnd()), before);
    EXPECT_TRUE(started.empty());
    Click(kCatLogon, 2, kColName);
    press('C', {VK_CONTROL});
    EXPECT_EQ(Clipboard(window.hwnd()), "Notes\t\tContoso Ltd\tC:\\windows\\notepad.exe");

    Command(IDM_TAB0 + 14);
    Click(14, 2, kColName);
    press(VK_RETURN);
    press(VK_F1);
    SetProgramStarter(nullptr);
    ASSERT_EQ(started.size(), 2u);
    EXPECT_EQ(started[0], "explorer.exe \"C:\\windows\\Tasks\"");
    EXPECT_EQ(started[1].rfind("hh.exe \"", 0), 0u) << started[1];
    EXPECT_NE(started[1].find("\\Help\\Quillmara.chm"), std::string::npos) << started[1];
}
