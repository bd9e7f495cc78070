#include <gtest/gtest.h>

#include <cstdlib>

#include "resources/ids.h"
#include "scan/state.h"
#include "support/main_fixture.h"
#include "support/testing.h"
#include "ui/main_window.h"
#include "ui/main_window_grids.h"
#include "ui/msgbox.h"

namespace {

StartupEntry Entry(const std::string &name, const std::string &path, bool hasFile, bool microsoft) {
    StartupEntry e;
    e.EntryName = name;
    e.ImagePath = path;
    e.HasFile = hasFile;
    e.IsMicrosoft = microsoft;
    e.VersionInfo[1] = microsoft ? "Microsoft Corporation" : (hasFile ? "Contoso Ltd" : "");
    e.VersionInfo[2] = name + " component";
    e.PassIndex = 1;
    return e;
}

// A Run key with three entries (one Microsoft, one missing and disabled), an
// empty Startup folder, and a driver.
void LayOutScan() {
    ResetLocations(ScanLocations());
    ScanLocation run = RunKeyLocation();
    run.Entries.push_back(Entry("Updater", "C:\\windows\\notepad.exe", true, false));
    run.Entries.push_back(Entry("Defender tray", "C:\\windows\\regedit.exe", true, true));
    StartupEntry gone = Entry("Old helper", "C:\\Program Files\\Old\\helper.exe", false, false);
    gone.Disabled = true;
    run.Entries.push_back(gone);
    ScanLocations().push_back(run);
    ScanLocation folder;
    folder.Category = kCatLogon;
    folder.Passes.push_back({"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", {0}});
    ScanLocations().push_back(folder);
    ScanLocation drivers = DriversLocation();
    drivers.Entries.push_back(Entry("beep", "C:\\windows\\system32\\drivers\\beep.sys", false, true));
    ScanLocations().push_back(drivers);
}

class MainGridsTest : public testing::Test {
  protected:
    void SetUp() override {
        LayOutScan();
        ASSERT_TRUE(ShowWithGrids(window));
    }
    void TearDown() override {
        HoldForLook();
        SetBoxAnswerer(nullptr);
        ResetLocations(ScanLocations());
    }
    void Command(int id) { SendMessageA(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    const GridModel &Logon() { return window.grids().Data().Grid(kCatLogon); }

    MainWindow window;
};

TEST_F(MainGridsTest, OneGridPerFrameFilledFromTheScan) {
    for (int i = 1; i <= MainWindow::kCategories; ++i) {
        GridWindow *grid = window.grids().Window(i);
        ASSERT_NE(grid, nullptr);
        EXPECT_EQ(GetParent(grid->Handle()), window.categoryFrame(i));
        EXPECT_EQ(GetDlgCtrlID(grid->Handle()), IDC_GRID0 + i);
    }
    EXPECT_EQ(Logon().TextMatrix(2, kColName), "Updater");
    EXPECT_EQ(Logon().TextMatrix(4, kColCheck), "q");
    EXPECT_EQ(window.grids().Data().Grid(kCatDrivers).TextMatrix(2, kColName), "beep");
    // The grid fills its frame.
    RECT frame, grid;
    GetClientRect(window.categoryFrame(kCatLogon), &frame);
    GetWindowRect(window.grids().Window(kCatLogon)->Handle(), &grid);
    EXPECT_EQ(grid.right - grid.left, frame.right);
    // The header row's picture is IconList's registry picture, not the grid's own.
    GridImages own;
    EXPECT_NE(window.grids().Pictures().Pixel(window.grids().Pictures().RegPic(), 3, 3), own.Pixel(own.RegPic(), 3, 3));
}

TEST_F(MainGridsTest, OptionsRefillTheGridsAndClearTheSelection) {
    GridWindow &grid = *window.grids().Window(kCatLogon);
    const RECT cell = grid.CellRect(2, kColName);
    SendMessageA(grid.Handle(), WM_LBUTTONDOWN, 0, MAKELPARAM(cell.left + 5, cell.top + 5));
    SendMessageA(grid.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cell.left + 5, cell.top + 5));
    EXPECT_EQ(window.selection.CurrentRow, 2);
    EXPECT_TRUE(window.MenuEnabled(IDM_DELETE));
    if (const char *hold = std::getenv("QM_GRID_HOLD_SELECTED")) {
        window.grids().Refresh();
        Sleep(static_cast<DWORD>(std::atoi(hold)));
    }

    Command(IDM_EMPTY);
    EXPECT_TRUE(window.MenuChecked(IDM_EMPTY));
    EXPECT_EQ(Logon().TextMatrix(5, kColName), "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup");
    EXPECT_EQ(window.selection.CurrentRow, 0);
    EXPECT_FALSE(window.MenuEnabled(IDM_DELETE));

    Command(IDM_MICRO);
    EXPECT_TRUE(window.MenuChecked(IDM_MICRO));
    EXPECT_EQ(Logon().TextMatrix(3, kColName), "Old helper");
    // With Include Empty on, the drivers' header row stays without its entry.
    EXPECT_FALSE(window.grids().Data().Grid(kCatDrivers).Ref(2).Filled());
    Command(IDM_EMPTY);
    Command(IDM_MICRO);
    EXPECT_FALSE(window.MenuChecked(IDM_MICRO));
    EXPECT_EQ(Logon().TextMatrix(3, kColName), "Defender tray");
}

TEST_F(MainGridsTest, SaveReportsAFileThatCannotBeWritten) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "held.txt", "old"));
    HANDLE held = CreateFileA((dir / "held.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::vector<BoxRequest> boxes;
    SetBoxAnswerer([&](const BoxRequest &box) {
        boxes.push_back(box);
        return 1;
    });
    // The dialog is answered from a timer on this thread: the file name and
    // OK, then Yes to its question whether to replace the file.
    static std::string target;
    static bool named;
    target = dir / "held.txt";
    named = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR, DWORD) WINAPI {
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND w, LPARAM) WINAPI -> BOOL {
                char cls[16] = {};
                GetClassNameA(w, cls, sizeof cls);
                if (!IsWindowVisible(w) || std::string(cls) != "#32770")
                    return TRUE;
                if (GetDlgItem(w, 1148) || GetDlgItem(w, 1152)) {
                    if (!named &&
                        (SetDlgItemTextA(w, 1148, target.c_str()) || SetDlgItemTextA(w, 1152, target.c_str()))) {
                        named = true;
                        PostMessageA(w, WM_COMMAND, IDOK, 0);
                    }
                } else {
                    PostMessageA(w, WM_COMMAND, IDYES, 0);
                }
                return TRUE;
            },
            0);
    });
    Command(IDM_SAVE);
    KillTimer(nullptr, timer);
    CloseHandle(held);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "Unable to save file to that location. May be read-only.");
    EXPECT_EQ(boxes[0].title, "Quillmara");
    EXPECT_EQ(boxes[0].style, 0);
    EXPECT_EQ(ReadFileBytes(dir / "held.txt"), "old");
}

} // namespace
