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
#include "ui/shell_helpers.h"

namespace {

// The selected entry's record, or null on a header row or no selection.
const StartupEntry *SelectedRecord(const SelectionState &selection) {
    if (selection.CurrentGrid < 1 || selection.CurrentEntry < 1)
        return nullptr;
    const auto &locations = ScanLocations();
    const int loc = selection.CurrentLocation;
    if (loc < 1 || loc >= static_cast<int>(locations.size()))
        return nullptr;
    const auto &entries = locations[static_cast<size_t>(loc)].Entries;
    if (selection.CurrentEntry >= static_cast<int>(entries.size()))
        return nullptr;
    return &entries[static_cast<size_t>(selection.CurrentEntry)];
}

} // namespace

void MainWindow::OnGridDblClick(GridWindow &grid) {
    if (grid.Index() == selection.CurrentGrid)
        OnJump(IDM_JUMP);
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
    if (const StartupEntry *entry = SelectedRecord(selection)) {
        StartSystemCommand("explorer.exe \"/select," + entry->ImagePath + "\"");
    }
}

void MainWindow::OnProperties(int) {
    if (const StartupEntry *entry = SelectedRecord(selection))
        ShowFileProperties(entry->ImagePath, hwnd());
}

void MainWindow::OnWebSearch(int) {
    const int g = selection.CurrentGrid;
    if (g < 1 || selection.CurrentRow < 1)
        return;
    std::string text;
    if (selection.HeaderRowSelected)
        text = grids_->Data().Cell(selection.CurrentRow, kColName, g);
    else if (const StartupEntry *entry = SelectedRecord(selection))
        text = FileNamePart(entry->ImagePath);
    if (text.empty())
        return;
    StartSystemCommand(WebSearchCommand(text));
}
