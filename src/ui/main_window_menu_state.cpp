// The main window's menu bar (built by menu_bar.h) set on the window, and its
// items checked and enabled by their command ids.
#include "resources/ids.h"
#include "ui/main_window.h"
#include "ui/menu_bar.h"

void MainWindow::BuildMenuBar() { SetMenu(hwnd(), BuildMainMenu()); }

HMENU MainWindow::topMenu(int position) const { return GetSubMenu(menuBar(), position); }

void MainWindow::CheckMenu(int id, bool checked) {
    CheckMenuItem(menuBar(), static_cast<UINT>(id), MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

bool MainWindow::MenuChecked(int id) const {
    const UINT state = GetMenuState(menuBar(), static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & MF_CHECKED) != 0;
}

void MainWindow::EnableMenu(int id, bool enabled) {
    EnableMenuItem(menuBar(), static_cast<UINT>(id), MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool MainWindow::MenuEnabled(int id) const {
    const UINT state = GetMenuState(menuBar(), static_cast<UINT>(id), MF_BYCOMMAND);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}

namespace {
// Position of "   Watching" in the Options menu.
constexpr UINT kWatchingPosition = 4;
} // namespace

void MainWindow::EnableWatchingMenu(bool enabled) {
    EnableMenuItem(topMenu(kOptionsMenuPosition), kWatchingPosition,
                   MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
}

bool MainWindow::WatchingMenuEnabled() const {
    const UINT state = GetMenuState(topMenu(kOptionsMenuPosition), kWatchingPosition, MF_BYPOSITION);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED)) == 0;
}
