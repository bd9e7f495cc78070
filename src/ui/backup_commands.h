// The Backup, Backup All, Restore and Restore All commands as the main window
// runs them: the selected header row and the header rows of the 14 grids
// handed to the change code. No window here.
#pragma once
#include <vector>

#include "changes/backup.h"
#include "changes/change_ui.h"
#include "ui/category_grids.h"
#include "ui/selection.h"

// Every location header row of grids 1 to 14, in grid and row order.
std::vector<HeaderRow> GridHeaderRows(const CategoryGrids &grids);

void RunBackup(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection);
void RunBackupAll(ChangeUi &ui, const CategoryGrids &grids);
void RunRestore(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection);
void RunRestoreAll(ChangeUi &ui);
