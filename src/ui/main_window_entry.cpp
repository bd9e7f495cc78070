// The main window's Entry commands Disable / Enable and Delete: the selected
// entry changed through the change code, asked and told through message
// boxes, the grid drawn again at once.
#include "ui/entry_commands.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"

void MainWindow::OnDisable(int) {
    ToggleSelectedEntry(grids_->Data(), selection, Ui());
    grids_->Refresh();
}

// After a Delete no row shows the selection: the commands that need one are
// switched off until a row is selected again.
void MainWindow::OnDelete(int) {
    if (DeleteSelectedEntry(grids_->Data(), selection, Ui()))
        ApplyEnabling(Selected::Nothing);
    grids_->Refresh();
}
