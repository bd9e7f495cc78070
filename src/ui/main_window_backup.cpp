// Backup and restore commands of the main window: Entry > Backup and Restore
// on the selected location header row, Options > "Backup All Registry Keys"
// and "Restore All Keys".
#include "ui/backup_commands.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"

void MainWindow::OnBackup(int) { RunBackup(Ui(), grids().Data(), selection); }

void MainWindow::OnRestore(int) { RunRestore(Ui(), grids().Data(), selection); }

void MainWindow::OnBackupAll(int) { RunBackupAll(Ui(), grids().Data()); }

void MainWindow::OnRestoreAll(int) { RunRestoreAll(Ui()); }
