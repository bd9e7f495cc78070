// The main window's row selection: a click on a grid row selects it, the
// Entry commands and toolbar buttons follow the kind of row, the file panel
// shows the file's icon, version strings and dates, the right button (and
// the Apps key or Shift+F10) opens the Entry menu, the grid's command keys
// act on the row shown selected, the status bar tells what the mouse is
// over, and Copy puts the row on the clipboard.
#include <windows.h>

#include <algorithm>
#include <cstring>

#include "resources/ids.h"
#include "scan/fileinfo.h"
#include "scan/scanner.h"
#include "ui/shell_icons.h"
#include "scan/state.h"
#include "system/file_lookup.h"
#include "system/log.h"
#include "ui/main_window.h"
#include "ui/menu_bar.h"
#include "ui/grid_panel.h"
#include "ui/row_selection.h"

void MainWindow::SelectRow(int index, SelectBy by) {
    const ClickTarget target = ::SelectGridRow(grids_->Data(), selection, index, by);
    if (!target.select)
        return;
    ApplyEnabling(target.headerRow ? Selected::HeaderRow : Selected::EntryRow);
    ShowFileInfo();
    // Only a user's left click on an entry's check box reaches the toggle.
    if (target.toggle)
        RunCommand(IDM_DISABLE);
}

void MainWindow::ApplyEnabling(Selected selected) {
    for (const CommandRow &row : Commands()) {
        if (row.enabled == EnabledWhen::Always)
            continue;
        const bool on = EnabledFor(row.enabled, selected);
        EnableMenu(row.id, on);
        if (row.button != 0)
            toolbarCtl_.EnableButton(row.button, on);
    }
}

void MainWindow::ShowFileInfo() {
    const GridModel &grid = grids_->Data().Grid(selection.CurrentGrid);
    const int row = selection.CurrentRow;
    // The 32-pixel icon of the file's type.
    picFile_.Clear();
    IconBox box;
    box.dc = picFile_.dc();
    box.area = {0, 0, picFile_.width(), picFile_.height()};
    box.window = picFile_.hwnd();
    box.background = picFile_.background();
    auto &locations = ScanLocations();
    const int location = selection.CurrentLocation;
    const int entry = selection.CurrentEntry;
    // The shell reads the file for its icon: a name from a user's place is
    // read only where the scan itself would look it up (a local drive), never
    // on a server the administrator's credentials would log on to.
    const std::string image = grid.TextMatrix(row, kColImagePath);
    const bool fromUsers = location >= 1 && location <= UpperBound(locations) &&
                           NamesFromUsers(locations[static_cast<size_t>(location)].MainKey,
                                          locations[static_cast<size_t>(location)].Scope);
    if (!fromUsers || IsLocalDrivePath(image))
        DrawFileIcon(image, box, kLargeTypeIcon);
    picFile_.Refresh();

    if (location < 1 || location > UpperBound(locations) || entry < 1 ||
        entry > UpperBound(locations[static_cast<size_t>(location)].Entries) ||
        !locations[static_cast<size_t>(location)].Entries[static_cast<size_t>(entry)].HasFile) {
        ClearFileInfo();
        return;
    }
    StartupEntry &record = locations[static_cast<size_t>(location)].Entries[static_cast<size_t>(entry)];
    const FileDates dates = GetItemFileInfo(record.ImagePath, location, entry);
    record.Created = dates.Created;
    record.Modified = dates.Modified;
    const auto labels = FilePanelLabels(record, ShortDateText);
    for (int i = 0; i < 8; ++i)
        SetWindowTextA(fileLabel(i), labels[static_cast<size_t>(i)].c_str());
    UpdateFileTips();
}

void MainWindow::OnCopy(int) {
    if (!SelectedRow(grids_->Data(), selection))
        return;
    const GridModel &grid = grids_->Data().Grid(selection.CurrentGrid);
    const std::string text = CopyText(ModelCells(grid), selection.CurrentRow, selection.HeaderRowSelected);
    if (!OpenClipboard(hwnd())) {
        WriteLog("Copy " + ApiErrorText(static_cast<long>(GetLastError())));
        return;
    }
    EmptyClipboard();
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1)) {
        std::memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
        GlobalUnlock(memory);
        if (SetClipboardData(CF_TEXT, memory) == nullptr)
            GlobalFree(memory);
    }
    CloseClipboard();
}

void MainWindow::OnGridMouseDown(GridWindow &grid, const GridMouse &mouse) {
    if (mouse.button != kGridRightButton || grid.MouseRow() < 0)
        return;
    grid.Model().SetRow(grid.MouseRow());
    grid.Model().SetCol(grid.MouseCol());
}

void MainWindow::OnGridMouseUp(GridWindow &grid, const GridMouse &mouse) {
    if (mouse.button != kGridRightButton)
        return;
    const GridModel &model = grid.Model();
    if (model.Row() < 1 || !model.Ref(model.Row()).Filled())
        return;
    SelectRow(grid.Index(), SelectBy::Program);
    OpenEntryMenu(grid, POINT{mouse.x, mouse.y});
}

bool MainWindow::RowShownSelected(GridWindow &grid) {
    const GridModel &model = grid.Model();
    return grid.Index() == selection.CurrentGrid && model.Row() == selection.CurrentRow && !model.RowVacated() &&
           SelectedRow(grids_->Data(), selection).has_value();
}

// The keys act on the row shown selected, as the menus do: after a fill or a
// Delete no row is, and they do nothing.
bool MainWindow::OnGridKey(GridWindow &grid, WORD key, int shift) {
    const int command = GridKeyCommand(key, shift);
    if (command == 0)
        return false;
    if (RowShownSelected(grid))
        RunCommand(command);
    return true;
}

void MainWindow::OnGridMenuKey(GridWindow &grid) {
    if (!RowShownSelected(grid))
        return;
    // Below the row's name, kept inside the grid when the row is out of view.
    const RECT cell = grid.CellRect(grid.Model().Row(), kColName);
    RECT client{};
    GetClientRect(grid.Handle(), &client);
    OpenEntryMenu(grid, POINT{std::clamp(cell.left + 8, client.left, client.right),
                              std::clamp(cell.bottom, client.top, client.bottom)});
}

void MainWindow::OpenEntryMenu(GridWindow &grid, POINT at) {
    ClientToScreen(grid.Handle(), &at);
    TrackPopupMenu(topMenu(kMenuEntry), TPM_LEFTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void MainWindow::OnGridMouseMove(GridWindow &grid, const GridMouse &) {
    const HoverHelp help = GridHoverHelp(ModelCells(grid.Model()), grid.MouseRow(), grid.MouseCol());
    SetStatusText(1, help.status);
    if (help.setTooltip)
        grid.Model().SetToolTipText(help.tooltip);
}
