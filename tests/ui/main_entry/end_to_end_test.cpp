// Quillmara.exe started from the test: a click on the check glyph of a Run
// entry disables it, a second click enables it.
#include <gtest/gtest.h>

#include "registry/access.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/app_driver.h"
#include "support/live_app.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kName = "QmEndToEndTool";

bool InPlace(const std::string &key) {
    ScopedKey k(OpenKey(HKEY_LOCAL_MACHINE, key));
    return ReadValue(k.get(), kName).present;
}

void RemoveValue(const std::string &key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, kName.c_str());
        RegCloseKey(k);
    }
}

// The agreement counts as accepted while the test runs; the Run value and
// its disabled place are cleared before and after.
class EndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        eula_ = AcceptAgreement();
        Clear();
    }
    void TearDown() override {
        Clear();
        RestoreAgreement(eula_);
        ResetLocations(ScanLocations());
    }
    static void Clear() {
        RemoveValue(kRun);
        RemoveValue(kRun + "\\AutorunsDisabled");
        // The store goes when nothing else is in it.
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, (kRun + "\\AutorunsDisabled").c_str());
    }

  private:
    RegValue eula_;
};

TEST_F(EndToEnd, ClicksOnTheCheckGlyphOfARunEntryDisableAndEnableIt) {
    SetRegString(HKEY_LOCAL_MACHINE, kRun, kName, "C:\\Tools\\endtoend.exe /min");
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), MainWindow::kClassName, "Quillmara", 60000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    HWND grid = FindControl(main, IDC_GRID0 + kCatLogon);
    ASSERT_NE(grid, nullptr);

    // Where the entry's check glyph is: the same scan laid out by the same
    // grid code in this process.
    ASSERT_TRUE(ScanLiveSystem());
    MainWindow mirror;
    ASSERT_TRUE(LoadMirror(mirror));
    const GridModel &logon = mirror.grids().Data().Grid(kCatLogon);
    int row = 0;
    for (int r = 1; r < logon.Rows() && row == 0; ++r)
        if (logon.TextMatrix(r, kColName) == kName)
            row = r;
    ASSERT_GT(row, 0);
    const RECT cell = mirror.grids().Window(kCatLogon)->CellRect(row, kColCheck);
    const LPARAM at = CellCentre(cell);
    auto click = [&] {
        PostMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageA(grid, WM_LBUTTONUP, 0, at);
    };

    click();
    EXPECT_TRUE(WaitUntil([] { return InPlace(kRun + "\\AutorunsDisabled") && !InPlace(kRun); }, 60000));
    click();
    EXPECT_TRUE(WaitUntil([] { return InPlace(kRun) && !InPlace(kRun + "\\AutorunsDisabled"); }, 60000));
    app.End();
}

} // namespace
