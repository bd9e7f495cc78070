// The Backup, Backup All, Restore and Restore All commands as the main window
// runs them: the pass of the selected header row, or the rows the 14 grids
// show, handed to the change code. No window here.
#pragma once
#include "changes/change_ui.h"
#include "ui/category_grids.h"
#include "ui/selection.h"

void RunBackup(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection);
void RunBackupAll(ChangeUi &ui, const CategoryGrids &grids);
void RunRestore(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection);
void RunRestoreAll(ChangeUi &ui);
