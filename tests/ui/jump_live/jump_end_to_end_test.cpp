// Quillmara.exe started from the test: a double click on the Run header row
// ends a running registry editor, stores the Run key as the key it opens at,
// and starts a new editor; a double click on a Run value selects that value
// in the new editor.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

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
#include "system/platform.h"
#include "system/winversion.h"
#include "ui/grid_panel.h"
#include "ui/jump.h"
#include "ui/main_window.h"
#include "ui/shell_helpers.h"

namespace {

const std::string kRun = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunPath = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kName = "QmJumpTool";
const std::string kRegedit = "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit";

std::string LastKey() {
    ScopedKey key(OpenKey(HKEY_CURRENT_USER, kRegedit));
    const RegValue value = ReadValue(key.get(), "LastKey");
    return value.Text();
}

DWORD PidOf(HWND wnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(wnd, &pid);
    return pid;
}

class JumpEndToEnd : public testing::Test {
  protected:
    void SetUp() override {
        eula_ = AcceptAgreement();
        KillProcess("regedit.exe");
        // The Run key's header row is shown only with an entry under it.
        SetRegString(HKEY_LOCAL_MACHINE, kRunPath, kName, "C:\\Tools\\jump.exe");
    }
    void TearDown() override {
        KillProcess("regedit.exe");
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRunPath.c_str(), kName.c_str());
        RestoreAgreement(eula_);
        ResetLocations(ScanLocations());
    }

  private:
    RegValue eula_;
};

TEST_F(JumpEndToEnd, DoubleClicksRestartTheEditorAtTheRunKeyAndSelectTheValue) {
    SetRegString(HKEY_CURRENT_USER, kRegedit, "LastKey", "HKEY_CURRENT_USER");
    std::string editor = "regedit.exe";
    ASSERT_EQ(ShellOpen(editor), "Operation successful");
    HWND before = WaitForTopWindow(0, "RegEdit_RegEdit", "", 60000);
    ASSERT_NE(before, nullptr);
    const DWORD oldEditor = PidOf(before);

    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), MainWindow::kClassName, "Quillmara", 60000);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    HWND grid = FindControl(main, IDC_GRID0 + kCatLogon);
    ASSERT_NE(grid, nullptr);

    // Where the Run header row is: the same scan laid out by the same grid
    // code in this process.
    ASSERT_TRUE(ScanLiveSystem());
    MainWindow mirror;
    ASSERT_TRUE(LoadMirror(mirror));
    const GridModel &logon = mirror.grids().Data().Grid(kCatLogon);
    int row = 0;
    for (int r = 1; r < logon.Rows() && row == 0; ++r)
        if (logon.TextMatrix(r, kColDescription) == kRun && logon.Ref(r).IsHeader())
            row = r;
    ASSERT_GT(row, 0);
    const RECT cell = mirror.grids().Window(kCatLogon)->CellRect(row, kColName);
    const LPARAM at = CellCentre(cell);
    PostMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageA(grid, WM_LBUTTONUP, 0, at);
    PostMessageA(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    PostMessageA(grid, WM_LBUTTONUP, 0, at);

    HWND after = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
            after = FindTopWindow(0, "RegEdit_RegEdit", "");
            return after != nullptr && PidOf(after) != oldEditor;
        },
        60000));
    EXPECT_EQ(LastKey(), RunningOnWine() ? kRun : RegeditLastKeyText(kRun, GetOSCode(), false));
    // The editor that ran before was ended.
    HANDLE old = OpenProcess(SYNCHRONIZE, FALSE, oldEditor);
    if (old != nullptr) {
        EXPECT_EQ(WaitForSingleObject(old, 0), WAIT_OBJECT_0);
        CloseHandle(old);
    }

    // A double click on the entry's row selects its value in the new editor.
    row = 0;
    for (int r = 1; r < logon.Rows() && row == 0; ++r)
        if (logon.TextMatrix(r, kColName) == kName)
            row = r;
    ASSERT_GT(row, 0);
    const RECT entryCell = mirror.grids().Window(kCatLogon)->CellRect(row, kColName);
    const LPARAM entryAt = CellCentre(entryCell);
    const DWORD secondEditor = after != nullptr ? PidOf(after) : 0;
    PostMessageA(grid, WM_LBUTTONDOWN, MK_LBUTTON, entryAt);
    PostMessageA(grid, WM_LBUTTONUP, 0, entryAt);
    PostMessageA(grid, WM_LBUTTONDBLCLK, MK_LBUTTON, entryAt);
    PostMessageA(grid, WM_LBUTTONUP, 0, entryAt);
    HWND list = nullptr;
    std::string selected;
    EXPECT_TRUE(WaitUntil(
        [&] {
            HWND third = FindTopWindow(0, "RegEdit_RegEdit", "");
            if (third == nullptr || PidOf(third) == secondEditor)
                return false;
            for (HWND child : Descendants(third))
                if (ClassOf(child) == "SysListView32")
                    list = child;
            if (list == nullptr)
                return false;
            const auto index = SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED);
            selected = index >= 0 ? GetListviewItem(list, static_cast<int>(index), 0) : "";
            return selected == kName;
        },
        60000))
        << "selected: " << selected;
    app.End();
}

} // namespace
