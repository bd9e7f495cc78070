// The main window's jump and shell commands on the selected entry: Jump to...
// (also a double click and toolbar button 3), Explore, Properties and the web
// search.
#include "registry/access.h"
#include "resources/ids.h"
#include "scan/pathops.h"
#include "scan/state.h"
#include "system/files.h"
#include "ui/grid_panel.h"
#include "ui/grid_window.h"
#include "ui/jump.h"
#include "ui/main_window.h"
#include "ui/entry_commands.h"
#include "ui/row_selection.h"
#include "ui/shell_helpers.h"

void MainWindow::OnGridDblClick(GridWindow &grid) {
    if (grid.Index() == selection.CurrentGrid)
        RunCommand(IDM_JUMP);
}

void MainWindow::OnJump(int) {
    JumpRow row;
    if (!SelectedJumpRow(grids_->Data(), selection, row))
        return;
    RunJump(PlanJump(row, [](HKEY root, const std::string &path) {
        HKEY key = OpenKey(root, path);
        if (key == nullptr)
            return false;
        CloseKey(key);
        return true;
    }));
}

void MainWindow::OnExplore(int) {
    if (const auto entry = SelectedEntry(grids_->Data(), selection))
        StartSystemCommand("explorer.exe \"/select," + entry->rec->ImagePath + "\"");
}

void MainWindow::OnProperties(int) {
    if (const auto entry = SelectedEntry(grids_->Data(), selection))
        ShowFileProperties(entry->rec->ImagePath, hwnd());
}

void MainWindow::OnWebSearch(int) {
    const auto row = SelectedRow(grids_->Data(), selection);
    if (!row)
        return;
    std::string text;
    if (row->IsHeader())
        text = grids_->Data().Cell(selection.CurrentRow, kColName, selection.CurrentGrid);
    else if (const auto entry = SelectedEntry(grids_->Data(), selection))
        text = FileNamePart(entry->rec->ImagePath);
    if (text.empty())
        return;
    StartSystemCommand(WebSearchCommand(text));
}
