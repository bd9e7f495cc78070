#include "ui/backup_commands.h"

#include "changes/backup.h"
#include "changes/restore.h"
#include "ui/row_selection.h"

namespace {

// The location pass the selected header row shows; an empty reference when
// no header row is selected.
RowRef SelectedHeader(const CategoryGrids &grids, const SelectionState &selection) {
    const auto row = SelectedRow(grids, selection);
    return row && row->IsHeader() ? *row : RowRef{};
}

} // namespace

void RunBackup(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection) {
    if (const RowRef row = SelectedHeader(grids, selection); row.IsHeader())
        BackupSelectedLocation(ui, row.location, row.pass);
}

void RunBackupAll(ChangeUi &ui, const CategoryGrids &grids) { BackupAllLocations(ui, grids); }

void RunRestore(ChangeUi &ui, const CategoryGrids &grids, const SelectionState &selection) {
    if (const RowRef row = SelectedHeader(grids, selection); row.IsHeader())
        RestoreSelectedLocation(ui, row.location, row.pass);
}

void RunRestoreAll(ChangeUi &ui) { RestoreAllLocations(ui); }
