// The main window made in the test program: its layout stays sound at any
// size, the Category commands switch the frames, its start-up scan fills the
// Drive menu, the status panels and "   Watching" for the running system, and
// an offline installation whose hives do not load leads through the quit
// question.
#include <gtest/gtest.h>

#include "changes/watch.h"
#include "registry/hives.h"
#include "resources/ids.h"
#include "scan/state.h"
#include "support/app_driver.h"
#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/platform.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"
#include "ui/scan_sequence.h"
#include "ui/window.h"

namespace {

RECT ChildRect(HWND parent, HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT *>(&r), 2);
    return r;
}

bool Inside(const RECT &inner, const RECT &outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT &a, const RECT &b) {
    RECT r{};
    return IntersectRect(&r, &a, &b) != FALSE;
}

class MainWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
    }
    void SetUp() override { ASSERT_TRUE(main.CreateHidden()); }
    void TearDown() override {
        for (const char *name : {"QmScanA", "QmScanB", "QmScanC"})
            RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", name);
        UnloadHives();
        ResetLocations(ScanLocations());
        SetEventPump(nullptr);
    }
    MainWindow main;
};

// The window destroyed while a popup menu is open, and the quit message that
// its destruction posted taken by another loop, as a menu's loop may.
HWND g_destroyed = nullptr;
void CALLBACK DestroyInMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    DestroyWindow(g_destroyed);
    MSG quit;
    PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    EndMenu();
}
void CALLBACK OpenMenu(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Item");
    SetTimer(nullptr, 0, 100, DestroyInMenu);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, 10, 10, 0, g_destroyed, nullptr);
    DestroyMenu(menu);
}
void CALLBACK GiveUp(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    PostQuitMessage(7);
}

TEST_F(MainWindowTest, TheMessageLoopEndsWithTheMainWindow) {
    g_destroyed = main.hwnd();
    ShowWindow(g_destroyed, SW_SHOW);
    SetTimer(nullptr, 0, 10, OpenMenu);
    const UINT_PTR limit = SetTimer(nullptr, 0, 60000, GiveUp);
    EXPECT_EQ(RunMessageLoop([] { return !IsWindow(g_destroyed); }), 0);
    KillTimer(nullptr, limit);
}

TEST_F(MainWindowTest, TheLayoutStaysSoundAtEverySize) {
    for (SIZE size : {SIZE{960, 680}, SIZE{640, 420}, SIZE{1280, 1000}, SIZE{300, 200}}) {
        SetWindowPos(main.hwnd(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        GetClientRect(main.hwnd(), &client);
        const RECT status = ChildRect(main.hwnd(), main.statusBar());
        const RECT tabs = ChildRect(main.hwnd(), main.tabStrip());
        const RECT frame = ChildRect(main.hwnd(), main.categoryFrame(1));
        const RECT icon = ChildRect(main.hwnd(), main.picFile().hwnd());
        EXPECT_TRUE(Inside(tabs, client)) << size.cx;
        EXPECT_TRUE(Inside(frame, tabs)) << size.cx;
        EXPECT_GT(frame.bottom - frame.top, 100) << size.cx;
        EXPECT_FALSE(Overlap(tabs, status)) << size.cx;
        EXPECT_FALSE(Overlap(icon, tabs)) << size.cx;
        EXPECT_FALSE(Overlap(icon, status)) << size.cx;
        for (int i = 0; i < 8; ++i) {
            const RECT label = ChildRect(main.hwnd(), main.fileLabel(i));
            EXPECT_FALSE(Overlap(label, tabs)) << i;
            EXPECT_FALSE(Overlap(label, status)) << i;
            EXPECT_FALSE(Overlap(label, icon)) << i;
            for (int j = i + 1; j < 8; ++j)
                EXPECT_FALSE(Overlap(label, ChildRect(main.hwnd(), main.fileLabel(j)))) << i << " " << j;
        }
        // The minimum size keeps the layout usable.
        RECT window{};
        GetWindowRect(main.hwnd(), &window);
        EXPECT_GE(window.right - window.left, 640);
    }
}

TEST_F(MainWindowTest, CategoryCommandsShowTheirFrameOnly) {
    EXPECT_EQ(main.SelectedTab(), 1);
    SendMessageA(main.hwnd(), WM_COMMAND, IDM_TAB0 + 11, 0);
    EXPECT_EQ(main.SelectedTab(), 11);
    for (int i = 1; i <= MainWindow::kCategories; ++i)
        EXPECT_EQ(IsWindowVisible(main.categoryFrame(i)) != FALSE, i == 11 && IsWindowVisible(main.hwnd())) << i;
    TCITEMA item{};
    char text[64] = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(main.tabStrip(), TCM_GETITEMA, 10, reinterpret_cast<LPARAM>(&item));
    EXPECT_STREQ(text, "     IMAGE HIJACKS");
    EXPECT_EQ(SendMessageA(main.tabStrip(), TCM_GETITEMCOUNT, 0, 0), 14);
}

const char *const kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST_F(MainWindowTest, TheStartScanOfTheRunningSystemShowsItInMenuAndStatus) {
    for (const char *name : {"QmScanA", "QmScanB"})
        SetRegString(HKEY_LOCAL_MACHINE, kRunKey, name, "C:\\qm.exe");
    SetEventPump(PumpPendingEvents);
    ASSERT_TRUE(LoadScan(main));
    main.StartSearch();
    EXPECT_TRUE(IsWindowVisible(main.hwnd()));
    HMENU drive = main.driveMenu();
    ASSERT_EQ(GetMenuItemCount(drive), 1);
    char caption[MAX_PATH] = {};
    GetMenuStringA(drive, IDM_OS0, caption, sizeof caption, MF_BYCOMMAND);
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_EQ(_stricmp(caption, windows), 0) << caption;
    EXPECT_TRUE(main.MenuChecked(IDM_OS0));
    EXPECT_EQ(main.StatusText(2), std::string("System Path: ") + caption);
    EXPECT_EQ(main.StatusText(3).rfind("Operating System: ", 0), 0u);
    EXPECT_TRUE(main.WatchingMenuEnabled());

    // After the scan no row is selected: the first Down selects the first row.
    HWND logon = main.grids().Window(1)->Handle();
    SendMessageA(logon, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(main.selection.CurrentRow, 1);

    // F5: Refresh of the same installation; again nothing is selected.
    SetRegString(HKEY_LOCAL_MACHINE, kRunKey, "QmScanC", "C:\\qm.exe");
    PostMessageA(logon, WM_KEYDOWN, VK_F5, 0);
    PumpPendingEvents();
    EXPECT_TRUE(IsWindowVisible(main.hwnd()));
    EXPECT_EQ(GetMenuItemCount(drive), 1);
    EXPECT_EQ(ScanLocations().size(), 69u);
    EXPECT_NE(main.grids().Data().GetGridsText().find("QmScanC"), std::string::npos);
    EXPECT_EQ(main.selection.CurrentRow, 0);
    SendMessageA(logon, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(main.selection.CurrentRow, 1);
}

// No to "Scan current system?" closes the window through its close sequence:
// the quit question, whose No keeps the program and scans the running system.
TEST_F(MainWindowTest, RefusingTheRunningSystemAsksWhetherToQuit) {
    OfflineDrive drive;
    ASSERT_TRUE(drive.MakeUnloadableInstallation());
    BoxAnswerThread answerer([](const BoxSeen &) { return IDNO; });
    ASSERT_TRUE(LoadScan(main));
    // (The progress window, titled like a box, is seen too: it asks nothing.)
    std::vector<BoxSeen> seen;
    for (const BoxSeen &box : answerer.seen())
        if (!box.prompt.empty())
            seen.push_back(box);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].title, "ERROR LOADING REMOTE HIVES");
    EXPECT_EQ(seen[1].title, "QUIT PROGRAM?");
    EXPECT_EQ(seen[1].prompt, "Quit Quillmara?");
    EXPECT_TRUE(IsWindow(main.hwnd()));
    EXPECT_TRUE(IsWindowVisible(main.hwnd()));
    EXPECT_EQ(SelectedOS(), 0);
    EXPECT_TRUE(main.MenuChecked(IDM_OS0));
}

// Show Environment and Show License are owned by the main window, so that
// they stay in front of it.
TEST_F(MainWindowTest, EnvironmentAndLicenseStayInFrontOfTheMainWindow) {
    for (const auto &[command, caption] : {std::pair{IDM_ENVIRONMENT, "Environment Variables"},
                                           std::pair{IDM_LICENSE, "QUILLMARA LICENSE AGREEMENT"}}) {
        SendMessageA(main.hwnd(), WM_COMMAND, command, 0);
        HWND dialog = FindTopWindow(GetCurrentProcessId(), "#32770", caption);
        ASSERT_NE(dialog, nullptr) << caption;
        EXPECT_EQ(GetWindow(dialog, GW_OWNER), main.hwnd()) << caption;
        SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
}

// Every unloading of the hives (a change of installation, the end of
// watching, a new snapshot, Start with Windows) closes the Environment window.
TEST_F(MainWindowTest, UnloadingTheHivesClosesTheEnvironmentWindow) {
    SendMessageA(main.hwnd(), WM_COMMAND, IDM_ENVIRONMENT, 0);
    ASSERT_NE(FindTopWindow(GetCurrentProcessId(), "#32770", "Environment Variables"), nullptr);
    UnloadHives();
    EXPECT_EQ(FindTopWindow(GetCurrentProcessId(), "#32770", "Environment Variables"), nullptr);
}

} // namespace
