#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "resources/ids.h"
#include "support/main_fixture.h"
#include "scan/state.h"
#include "ui/category_grids.h"
#include "ui/grid_pictures.h"
#include "ui/grid_window.h"

namespace {

struct Recorder : GridEvents {
    struct Click {
        int row, col;
        GridInput how;
    };
    std::vector<Click> clicks;
    std::vector<GridMouse> downs, ups;
    int doubles = 0;
    void GridClick(GridWindow &grid, GridInput how) override {
        clicks.push_back({grid.Model().Row(), grid.Model().Col(), how});
    }
    void GridDblClick(GridWindow &) override { ++doubles; }
    void GridMouseDown(GridWindow &, const GridMouse &m) override { downs.push_back(m); }
    void GridMouseUp(GridWindow &, const GridMouse &m) override { ups.push_back(m); }
};

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND MakeHost() {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        wc.lpszClassName = "QmGridTestHost";
        registered = RegisterClassA(&wc) != 0;
    }
    return CreateWindowExA(0, "QmGridTestHost", "Grid", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 520, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

StartupEntry Entry(const std::string &name, const std::string &path, bool disabled, bool hasFile) {
    StartupEntry e;
    e.EntryName = name;
    e.ImagePath = path;
    e.HasFile = hasFile;
    e.Disabled = disabled;
    e.VersionInfo[1] = hasFile ? "Contoso Ltd" : "";
    e.VersionInfo[2] = name + " helper";
    e.PassIndex = 1;
    return e;
}

// A Run key with three entries and a Startup folder with one, then many
// entries in a second Run pass so that the grid scrolls.
void LayOutScan() {
    ResetLocations(ScanLocations());
    ScanLocation run = RunKeyLocation();
    run.Passes.push_back({"HKEY_USERS\\S-1-5-21-7\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", {0}});
    run.Entries.push_back(Entry("Updater", "C:\\windows\\notepad.exe", false, true));
    run.Entries.push_back(Entry("Tray helper", "C:\\Program Files\\Tray\\tray.exe", true, false));
    run.Entries.push_back(Entry("Notes", "C:\\windows\\win.ini", false, true));
    for (int i = 0; i < 60; ++i) {
        std::string name = "User tool ";
        name += std::to_string(i);
        StartupEntry e = Entry(name, "C:\\windows\\regedit.exe", i % 3 == 0, true);
        e.PassIndex = 2;
        run.Entries.push_back(e);
    }
    ScanLocations().push_back(run);
    ScanLocation folder;
    folder.Category = kCatLogon;
    folder.Passes.push_back({"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Startup", {0}});
    folder.Entries.push_back(Entry("Sync.lnk", "C:\\windows\\system32\\cmd.exe", false, true));
    ScanLocations().push_back(folder);
}

class GridWindowTest : public testing::Test {
  protected:
    void SetUp() override {
        LayOutScan();
        grids.LoadGrids(images);
        host = MakeHost();
        ASSERT_NE(host, nullptr);
        const RECT bounds{4, 4, 880, 470};
        ASSERT_NE(window.Create(host, IDC_GRID0 + 1, bounds), nullptr);
        Pump();
        window.Refresh();
    }
    void TearDown() override {
        HoldForLook();
        DestroyWindow(host);
        ResetLocations(ScanLocations());
    }
    POINT Centre(int row, int col) {
        const RECT r = window.CellRect(row, col);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Press(UINT down, UINT up, POINT p) {
        SendMessageA(window.Handle(), down, 0, MAKELPARAM(p.x, p.y));
        SendMessageA(window.Handle(), up, 0, MAKELPARAM(p.x, p.y));
    }

    CategoryGrids grids;
    GridImages images;
    Recorder events;
    GridWindow window{grids.Grid(kCatLogon), &images, &events, kCatLogon};
    HWND host = nullptr;
};

TEST_F(GridWindowTest, ClicksSelectCellsAndRaiseTheEvents) {
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(2, 4));
    ASSERT_EQ(events.clicks.size(), 1u);
    EXPECT_EQ(events.clicks[0].row, 2);
    EXPECT_EQ(events.clicks[0].col, 4);
    EXPECT_EQ(events.clicks[0].how, GridInput::Mouse);
    EXPECT_EQ(events.downs.back().button, kGridLeftButton);

    // The caption row raises no Click and leaves the current cell.
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(0, 2));
    EXPECT_EQ(events.clicks.size(), 1u);
    EXPECT_EQ(window.MouseRow(), 0);
    EXPECT_EQ(grids.Grid(kCatLogon).Row(), 2);

    // The right button reports the cell under the mouse and leaves the current cell.
    Press(WM_RBUTTONDOWN, WM_RBUTTONUP, Centre(5, 3));
    EXPECT_EQ(window.MouseRow(), 5);
    EXPECT_EQ(window.MouseCol(), 3);
    EXPECT_EQ(grids.Grid(kCatLogon).Row(), 2);
    EXPECT_EQ(events.ups.back().button, kGridRightButton);
    EXPECT_EQ(events.clicks.size(), 1u);

    // A double click raises DblClick, not a second Click.
    const POINT p = Centre(3, 0);
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, p);
    Press(WM_LBUTTONDBLCLK, WM_LBUTTONUP, p);
    EXPECT_EQ(events.clicks.size(), 2u);
    EXPECT_EQ(events.doubles, 1);
}

TEST_F(GridWindowTest, KeysMoveTheCurrentRowAndKeepItInView) {
    GridModel &grid = grids.Grid(kCatLogon);
    Press(WM_LBUTTONDOWN, WM_LBUTTONUP, Centre(1, 0));
    events.clicks.clear();
    SendMessageA(window.Handle(), WM_KEYDOWN, VK_DOWN, 0);
    ASSERT_EQ(events.clicks.size(), 1u);
    EXPECT_EQ(events.clicks[0].row, 2);
    EXPECT_EQ(events.clicks[0].how, GridInput::Keyboard);
    SendMessageA(window.Handle(), WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(grid.Row(), grid.Rows() - 1);
    EXPECT_GE(grid.Row(), grid.TopRow());
    EXPECT_LT(grid.Row(), grid.TopRow() + window.PageRows());
    SendMessageA(window.Handle(), WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(grid.Row(), 1);
    EXPECT_EQ(grid.TopRow(), 1);

    // The wheel scrolls without moving the current row.
    SendMessageA(window.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_GT(grid.TopRow(), 1);
    EXPECT_EQ(grid.Row(), 1);
}

TEST_F(GridWindowTest, OnlyChangedRowsOnScreenAreDrawnAgain) {
    GridModel &grid = grids.Grid(kCatLogon);
    ValidateRect(window.Handle(), nullptr);
    grid.SetCellBackColor(3, kColName, kColorActiveCaption);
    window.Refresh();
    RECT update{};
    ValidateRect(window.Handle(), nullptr);
    grid.SetCellBackColor(3, kColName, kColorActiveCaption + 0); // no change
    grid.SetTextMatrix(grid.Rows() - 2, kColName, "far below");
    SendMessageA(window.Handle(), WM_APP + 0x47, 0, 0);
    EXPECT_FALSE(GetUpdateRect(window.Handle(), &update, FALSE));

    grid.SetCellForeColor(3, kColName, kColorHighlightText);
    SendMessageA(window.Handle(), WM_APP + 0x47, 0, 0);
    ASSERT_TRUE(GetUpdateRect(window.Handle(), &update, FALSE));
    EXPECT_EQ(update.top, window.CellRect(3, 0).top);
    EXPECT_EQ(update.bottom - update.top, window.RowHeight());
}

TEST_F(GridWindowTest, CheckGlyphsAreDrawnAsBoxes) {
    // Row 2 holds the ticked glyph, row 3 the empty one.
    ASSERT_EQ(grids.Cell(2, kColCheck, kCatLogon), "\xFE");
    ASSERT_EQ(grids.Cell(3, kColCheck, kCatLogon), "q");
    RECT client;
    GetClientRect(window.Handle(), &client);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, client.right, client.bottom);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    window.Paint(dc, client);
    auto darkPixels = [&](int row) {
        const RECT cell = window.CellRect(row, kColCheck);
        const int cx = (cell.left + cell.right - 1) / 2, cy = (cell.top + cell.bottom - 1) / 2;
        int dark = 0;
        for (int y = cy - 3; y <= cy + 3; ++y)
            for (int x = cx - 3; x <= cx + 3; ++x)
                dark += GetRValue(GetPixel(dc, x, y)) < 100 ? 1 : 0;
        return dark;
    };
    // A ticked box has its tick in the middle; an empty box is blank inside.
    EXPECT_GT(darkPixels(2), 4);
    EXPECT_EQ(darkPixels(3), 0);
    // The box has a frame: the column's left part is not blank.
    const RECT cell = window.CellRect(3, kColCheck);
    int frame = 0;
    for (int x = cell.left; x < cell.right - 1; ++x)
        frame += GetPixel(dc, x, (cell.top + cell.bottom) / 2) != GetSysColor(COLOR_WINDOW) ? 1 : 0;
    EXPECT_GE(frame, 2);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(GridImagesTest, EachFileTypeIsDrawnOnceAndAFailedIconIsBlank) {
    GridImages images;
    const int fixed = images.Count();
    EXPECT_EQ(fixed, 3);
    const PictureId exe = images.FileIcon("C:\\windows\\notepad.exe");
    EXPECT_EQ(images.FileIcon("D:\\other\\TOOL.EXE"), exe);
    EXPECT_EQ(images.Count(), fixed + 1);
    // Something was drawn for a known type.
    int drawn = 0;
    for (int i = 0; i < 16; ++i)
        drawn += images.Pixel(exe, i, i) != GetSysColor(COLOR_WINDOW) ? 1 : 0;
    EXPECT_GT(drawn, 0);
    EXPECT_NE(images.RegPic(), images.DisPic());
}

// Draws a red square for ".good" files and fails for any other.
bool RedOrNothing(const std::string &fileName, const IconBox &box, UINT) {
    if (fileName.size() < 5 || fileName.substr(fileName.size() - 5) != ".good")
        return false;
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(box.dc, &box.area, red);
    DeleteObject(red);
    return true;
}

TEST(GridImagesTest, FixedPicturesComeFromAnImageList) {
    GridImages images;
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24, 3, 0);
    HDC screen = GetDC(nullptr);
    HBITMAP strip = CreateCompatibleBitmap(screen, 48, 16);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, strip);
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int i = 0; i < 3; ++i) {
        HBRUSH brush = CreateSolidBrush(colours[i]);
        const RECT r{16 * i, 0, 16 * i + 16, 16};
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    ImageList_Add(list, strip, nullptr);
    DeleteObject(strip);
    const PictureId reg = images.RegPic();
    images.UseFixedPictures(list, 3, 2, 1);
    ImageList_Destroy(list);
    EXPECT_EQ(images.RegPic(), reg);
    EXPECT_EQ(images.Pixel(images.RegPic(), 8, 8), RGB(0, 0, 255));
    EXPECT_EQ(images.Pixel(images.FilePic(), 8, 8), RGB(0, 255, 0));
    EXPECT_EQ(images.Pixel(images.DisPic(), 8, 8), RGB(255, 0, 0));
}

TEST(GridImagesTest, AnIconThatCannotBeDrawnLeavesABlankPicture) {
    GridImages images(&RedOrNothing);
    const PictureId good = images.FileIcon("C:\\one.good");
    const PictureId bad = images.FileIcon("C:\\two.bad");
    EXPECT_EQ(images.Pixel(good, 8, 8), RGB(255, 0, 0));
    EXPECT_NE(bad, good);
    EXPECT_EQ(images.Pixel(bad, 8, 8), GetSysColor(COLOR_WINDOW));
}

} // namespace
