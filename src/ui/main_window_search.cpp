// The main window's search: the File menu's Find and toolbar button 1 open
// the one Find dialog, F3 repeats the last search, and a hit shows its tab
// and selects its row without toggling it.
#include <windows.h>

#include "resources/ids.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"
#include "ui/grid_panel.h"
#include "ui/row_selection.h"
#include "ui/startup.h"

namespace {

// The grids as the search reads them; a hit is shown through the window.
class WindowSearchGrids : public SearchGrids {
  public:
    explicit WindowSearchGrids(MainWindow &window) : window_(window) {}
    int LastRow(int grid) const override { return window_.grids().Data().GetLastRow(grid); }
    std::string Text(int grid, int row, int col) const override { return window_.grids().Data().Cell(row, col, grid); }
    RowRef Ref(int grid, int row) const override { return window_.grids().Data().Grid(grid).Ref(row); }
    void SelectHit(int grid, int row) override { window_.ShowSearchHit(grid, row); }

  private:
    MainWindow &window_;
};

} // namespace

void MainWindow::ShowSearchHit(int grid, int row) {
    GridModel &model = grids_->Data().Grid(grid);
    model.SetRow(row);
    SelectTab(grid);
    ShowChosenTab();
    model.SetRow(row);
    model.SetTopRow(row);
    SelectRow(grid, SelectBy::Program);
}

void MainWindow::StartSearch() {
    search_.startGrid = 1;
    // The window's keys (F3 among them) from the command table.
    if (!accelerators_)
        accelerators_.reset(BuildAccelerators());
    SetLoopAccelerators(hwnd(), accelerators_.get());
}

void MainWindow::OnSearch(int) { ShowFind(); }

void MainWindow::ShowFind() {
    if (HWND dialog = find_.Show(hwnd(), search_.lastFindText, this))
        AddModelessDialog(dialog);
}

void MainWindow::FindRequested(const std::string &text, bool down) {
    WindowSearchGrids grids(*this);
    if (!FindRequest(search_, grids, text, down, selection.CurrentGrid, selection.CurrentRow))
        MsgBoxEx(CannotFindText(search_.findText), BoxStyle::kOkInfo, kProgramName);
}

void MainWindow::OnFindNext(int) {
    WindowSearchGrids grids(*this);
    switch (RepeatSearch(search_, grids, selection.CurrentGrid, selection.CurrentRow)) {
    case RepeatResult::OpenDialog:
        ShowFind();
        break;
    case RepeatResult::Miss:
        MsgBoxEx(CannotFindText(search_.findText), BoxStyle::kOkInfo, kProgramName);
        break;
    case RepeatResult::Hit:
        break;
    }
}
