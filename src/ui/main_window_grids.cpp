// The main window's category grids: one grid window in each category frame,
// their column layout, filling and emptying them, the options Include Empty
// and Hide Microsoft, File / Save, and the grids' events.
#include <windows.h>

#include <commctrl.h>

#include "resources/ids.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"
#include "ui/main_window_grids.h"
#include "ui/menu_bar.h"
#include "ui/msgbox.h"
#include "ui/row_selection.h"
#include "ui/selection_rules.h"
#include "ui/startup.h"
#include "ui/toolbar.h"

void MainWindow::CreateGrids() {
    gridEvents_ = std::make_unique<GridEventSink>(*this);
    grids_ = std::make_unique<GridPanel>(*gridEvents_);
    // RegPic, FilePic and DisPic are images 15, 16 and 17 of IconList.
    grids_->Pictures().UseFixedPictures(iconList(), 15, 16, 17);
    for (int i = 1; i <= kCategories; ++i) {
        HWND frame = categoryFrame(i);
        RECT bounds{};
        GetClientRect(frame, &bounds);
        grids_->CreateGrid(i, frame, bounds, 0); // the frame draws the edge
        if (GridWindow *grid = grids_->Window(i))
            SendMessageA(grid->Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
    }
}

void MainWindow::LoadGridHeaders() { grids_->Data().SetUpColumns(); }

void MainWindow::LoadGrids() { grids_->LoadGrids(); }

void MainWindow::ClearGrids() {
    grids_->ClearGrids(selection);
    ApplyEnabling(Selected::Nothing);
}

void MainWindow::UnhighlightRow() { grids_->UnhighlightRow(selection); }

void MainWindow::OnSave(int) {
    grids_->SaveList([](const std::string &prompt) { MsgBoxEx(prompt, BoxStyle::kOk, kProgramName); });
}

void MainWindow::OnIncludeEmpty(int) {
    const bool on = !MenuChecked(IDM_EMPTY);
    CheckMenu(IDM_EMPTY, on);
    grids_->SetIncludeEmpty(on, selection);
    ClearFileInfo(); // the entry it showed is no longer selected
    ApplyEnabling(Selected::Nothing);
}

void MainWindow::OnHideMicrosoft(int) {
    const bool on = !MenuChecked(IDM_MICRO);
    CheckMenu(IDM_MICRO, on);
    grids_->SetHideMicrosoft(on, selection);
    ClearFileInfo();
    ApplyEnabling(Selected::Nothing);
}

void MainWindow::OnGridClick(GridWindow &grid, GridInput how) {
    SelectRow(grid.Index(), how == GridInput::Mouse ? SelectBy::LeftClick : SelectBy::Program);
}
