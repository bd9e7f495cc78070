// The main window's toolbar, tabs and navigation: the toolbar's command
// buttons, the navigation buttons with their repeat, the tab change, and the
// hover help of the toolbar, the tab strip, the credit picture and the file
// panel.
#include <windows.h>

#include <commctrl.h>

#include "resources/ids.h"
#include "ui/main_window.h"
#include "ui/menu_bar.h"
#include "ui/grid_panel.h"
#include "ui/grid_window.h"
#include "ui/selection_rules.h"

namespace {

const char *const kTabsHelp = "Startup Category Tabs";
const char *const kToolbarHelp = "Program Navigation Toolbar";
const char *const kCreditText = "Built with C++ and the Win32 API, compiled by mingw-w64";

constexpr UINT_PTR kHoverSubclass = 7;

LRESULT CALLBACK HoverProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_MOUSEMOVE && data != 0)
        reinterpret_cast<MainWindow *>(data)->OnHover(wnd);
    else if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(wnd, HoverProc, kHoverSubclass);
    return DefSubclassProc(wnd, msg, wp, lp);
}

// Marks the tab strip's own keys (the arrows move through the tabs), so that
// a tab change they make leaves the focus on the strip.
constexpr UINT_PTR kTabKeySubclass = 8;
LRESULT CALLBACK TabKeyProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    if (msg == WM_KEYDOWN && data != 0) {
        bool &keyDown = *reinterpret_cast<bool *>(data);
        keyDown = true;
        const LRESULT result = DefSubclassProc(wnd, msg, wp, lp);
        keyDown = false;
        return result;
    }
    if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(wnd, TabKeyProc, kTabKeySubclass);
    return DefSubclassProc(wnd, msg, wp, lp);
}

} // namespace

void MainWindow::LoadToolbar() { CreateToolbar(); }

void MainWindow::CreateToolbar() {
    if (toolbarCtl_.hwnd() != nullptr)
        return;
    toolbarCtl_.Create(hwnd(), toolPicsA(), Resize(), this);
    creditPic_ = toolbarCtl_.AddCreditPicture(smallIcon_.get());
    SetToolbarWindow(toolbarCtl_.hwnd());
    // Hover help: a tooltip for the file panel, the tab strip and the credit.
    hoverTips_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                 CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    auto watch = [&](HWND control, const char *text) {
        SetWindowSubclass(control, HoverProc, kHoverSubclass, reinterpret_cast<DWORD_PTR>(this));
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = const_cast<char *>(text);
        SendMessageA(hoverTips_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    };
    watch(tabStrip(), kTabsHelp);
    SetWindowSubclass(tabStrip(), TabKeyProc, kTabKeySubclass, reinterpret_cast<DWORD_PTR>(&tabStripKey_));
    watch(picFile_.hwnd(), kFileIconHelp);
    for (int i = 0; i < 8; ++i)
        watch(fileLabel(i), "");
    if (creditPic_ != nullptr)
        watch(creditPic_, kCreditText);
}

void MainWindow::UpdateFileTips() {
    if (hoverTips_ == nullptr)
        return;
    for (int i = 0; i < 8; ++i) {
        char text[260] = {};
        GetWindowTextA(fileLabel(i), text, sizeof(text));
        TOOLINFOA tool{};
        tool.cbSize = TTTOOLINFOA_V2_SIZE;
        tool.hwnd = hwnd();
        tool.uId = reinterpret_cast<UINT_PTR>(fileLabel(i));
        tool.lpszText = text;
        SendMessageA(hoverTips_, TTM_UPDATETIPTEXTA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

void MainWindow::OnHover(HWND control) {
    if (control == tabStrip())
        SetStatusText(1, kTabsHelp);
    else if (control == picFile_.hwnd())
        SetStatusText(1, kFileIconHelp);
    else if (control == creditPic_)
        SetStatusText(1, kCreditText);
    else
        for (int i = 0; i < 8; ++i)
            if (control == fileLabel(i))
                SetStatusText(1, kFilePanelHelp);
}

void MainWindow::ToolbarMouseMove() { SetStatusText(1, kToolbarHelp); }

void MainWindow::ShowChosenTab() {
    const int tab = SelectedTab();
    SelectTab(tab);
    CategoryGrids &data = grids_->Data();
    for (int i = 1; i <= kGridCount; ++i)
        data.Grid(i).SetRow(0);
    if (tab != lastTab_ && selection.CurrentGrid > 0) {
        ClearFileInfo();
        data.UnhighlightRow(selection);
        ApplyEnabling(Selected::Nothing);
    }
    lastTab_ = tab;
    SelectRow(tab, SelectBy::Program); // row 0: selects nothing
    if (!tabStripKey_)
        FocusShownGrid();
}

void MainWindow::OnTabKey(int id) { NavigationStep(id == IDM_NEXTTAB ? kButtonNextTab : kButtonPrevTab); }

void MainWindow::FocusShownGrid() {
    GridWindow *grid = grids_ ? grids_->Window(SelectedTab()) : nullptr;
    if (grid == nullptr || grid->Handle() == nullptr)
        return;
    focusOnActivate_ = grid->Handle();
    if (GetActiveWindow() == hwnd() && !IsIconic(hwnd()))
        SetFocus(grid->Handle());
}

void MainWindow::RestoreFocus() {
    HWND target = focusOnActivate_;
    // A control on a tab no longer shown gives way to the shown grid.
    if (target == nullptr || !IsWindow(target) || !IsChild(hwnd(), target) || !IsWindowVisible(target)) {
        GridWindow *grid = grids_ ? grids_->Window(SelectedTab()) : nullptr;
        target = grid != nullptr ? grid->Handle() : nullptr;
    }
    if (target != nullptr && IsWindowVisible(target))
        SetFocus(target);
}

void MainWindow::NavigationStep(int button) {
    const int tab = SelectedTab();
    if (button == kButtonPrevTab || button == kButtonNextTab) {
        SelectTab(button == kButtonPrevTab ? PreviousTab(tab) : NextTab(tab));
        ShowChosenTab();
        return;
    }
    int grid = tab;
    const int last = grids_->Data().GetLastRow(grid);
    GridModel &model = grids_->Data().Grid(tab);
    // A vacated row is not reached yet: the next row is that one.
    const int from = model.RowVacated() && button == kButtonNextRow ? model.Row() - 1 : model.Row();
    const RowStep step = StepRow(button, from, last, model.TopRow());
    if (!step.moved) {
        toolbarCtl_.StopRepeat(); // an empty grid: nothing happens and nothing repeats
        return;
    }
    model.SetRow(step.row);
    model.SetTopRow(step.topRow);
    SelectRow(tab, SelectBy::Program);
}
