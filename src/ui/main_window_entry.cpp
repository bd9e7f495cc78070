// The main window's Entry commands Disable / Enable and Delete: the selected
// entry changed through the change code, asked and told through message
// boxes, the grid drawn again at once.
#include "ui/box_change_ui.h"
#include "ui/entry_commands.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"

void MainWindow::OnDisable(int) {
    BoxChangeUi ui(hwnd());
    ToggleSelectedEntry(grids_->Data(), selection, ui);
    grids_->Refresh();
}

void MainWindow::OnDelete(int) {
    BoxChangeUi ui(hwnd());
    DeleteSelectedEntry(grids_->Data(), selection, ui);
    grids_->Refresh();
}
