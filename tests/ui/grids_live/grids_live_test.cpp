#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "scan/driver.h"
#include "scan/fileinfo.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "ui/grid_panel.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

struct NoEvents : GridEvents {
    void GridClick(GridWindow &, GridInput) override {}
};

// Answers the "Save File" dialog with a file name from another thread.
class SaveDialogAnswer {
  public:
    explicit SaveDialogAnswer(std::string file) : file_(std::move(file)), thread_([this] { Run(); }) {}
    ~SaveDialogAnswer() { thread_.join(); }
    bool found() const { return found_; }

  private:
    void Run() {
        for (int i = 0; i < 200 && !found_; ++i) {
            HWND dialog = FindWindowA("#32770", "Save File");
            if (dialog && IsWindowVisible(dialog)) {
                found_ = true;
                // The file name box: cmb13 in the explorer style, edt1 in the old one.
                if (!SetDlgItemTextA(dialog, 1148, file_.c_str()))
                    SetDlgItemTextA(dialog, 1152, file_.c_str());
                PostMessageA(dialog, WM_COMMAND, IDOK, 0);
            }
            Sleep(50);
        }
    }

    std::string file_;
    std::atomic<bool> found_{false};
    std::thread thread_;
};

HWND MakeHost() {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QmGridsLiveHost";
    RegisterClassA(&wc);
    return CreateWindowExA(0, wc.lpszClassName, "Grids", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 900, 400, nullptr,
                           nullptr, wc.hInstance, nullptr);
}

class GridsLiveTest : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(WriteFileBytes(dir / "present.exe", "MZ"));
        SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmGridPresent", dir / "present.exe");
        SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmGridMissing", dir / "missing.exe");
        UseInstallations(0);
        LoadPaths();
        ASSERT_TRUE(SetScope(true));
        host = MakeHost();
        RECT bounds{0, 0, 880, 360};
        ASSERT_TRUE(panel.CreateGrid(kCatLogon, host, bounds));
        panel.LoadGrids();
        panel.Refresh();
    }
    void TearDown() override {
        HKEY run = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
            RegDeleteValueA(run, "QmGridPresent");
            RegDeleteValueA(run, "QmGridMissing");
            RegCloseKey(run);
        }
        DestroyWindow(host);
        ResetLocations(ScanLocations());
    }
    int RowOf(const std::string &name) {
        const GridModel &grid = panel.Data().Grid(kCatLogon);
        for (int r = 1; r < grid.Rows(); ++r)
            if (grid.TextMatrix(r, kColName) == name)
                return r;
        return 0;
    }

    TempDir dir;
    NoEvents events;
    GridPanel panel{events};
    HWND host = nullptr;
};

TEST_F(GridsLiveTest, LogonGridShowsBothRunValuesAndSaveWritesTheList) {
    const GridModel &grid = panel.Data().Grid(kCatLogon);
    const int present = RowOf("QmGridPresent"), missing = RowOf("QmGridMissing");
    ASSERT_GT(present, 0);
    ASSERT_GT(missing, 0);
    EXPECT_EQ(grid.TextMatrix(present, kColImagePath), dir / "present.exe");
    EXPECT_EQ(grid.TextMatrix(present, kColCheck), "\xFE");
    EXPECT_NE(grid.CellPicture(present, kColIcon), panel.Pictures().DisPic());
    EXPECT_EQ(grid.CellPicture(missing, kColIcon), panel.Pictures().DisPic());
    EXPECT_EQ(grid.TextMatrix(missing, kColPublisher), "     UNABLE TO ACCESS");
    // The header row above them names the Run key.
    int header = present;
    while (header > 0 && !grid.Ref(header).IsHeader())
        --header;
    EXPECT_EQ(grid.TextMatrix(header, kColName), "HKEY_LOCAL_MACHINE\\" + kRun);

    // Save through the dialog writes the list text.
    std::vector<std::string> told;
    {
        SaveDialogAnswer answer(dir / "list.txt");
        panel.SaveList([&](const std::string &prompt) { told.push_back(prompt); });
        EXPECT_TRUE(answer.found());
    }
    EXPECT_TRUE(told.empty());
    const std::string text = ReadFileBytes(dir / "list.txt");
    EXPECT_EQ(text, panel.Data().GetGridsText());
    EXPECT_NE(text.find(" + QmGridMissing\t\t     UNABLE TO ACCESS\t" + dir / "missing.exe" + "\r\n"),
              std::string::npos);
}

} // namespace
