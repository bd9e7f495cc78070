// The main window's menu bar: the menu tree with its captions (the bitmaps
// beside the items are set at load), and small helpers to check, enable and
// find items by their command ids.
#include "resources/ids.h"
#include "ui/main_window.h"

namespace {

struct MenuItem {
    int id; // 0 for a separator
    const char *caption;
};

HMENU MakePopup(std::initializer_list<MenuItem> items) {
    HMENU menu = CreatePopupMenu();
    for (const MenuItem &item : items) {
        if (item.id == 0)
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        else
            AppendMenuA(menu, MF_STRING, static_cast<UINT_PTR>(item.id), item.caption);
    }
    return menu;
}

const char *const kCategoryCaptions[MainWindow::kCategories] = {
    "   Logon",         "   Explorer",       "   Internet Explorer", "   Services",      "   Winlogon",
    "   Winsock",       "   Print Monitors", "   LSA Providers",     "   Drivers",       "   Boot Execute",
    "   Image Hijacks", "   Appinit",        "   Known Dlls",        "   Task Scheduler"};

} // namespace

void MainWindow::BuildMenuBar() {
    HMENU bar = CreateMenu();
    HMENU file =
        MakePopup({{IDM_SEARCH, "   Find"}, {IDM_SAVE, "   Save"}, {IDM_REFRESH, "   Refresh"}, {IDM_EXIT, "   Exit"}});
    HMENU entry = MakePopup({{IDM_DISABLE, "   Disable / Enable"},
                             {IDM_DELETE, "   Delete"},
                             {IDM_COPY, "   Copy"},
                             {IDM_BACKUP, "   Backup"},
                             {IDM_RESTORE, "   Restore"},
                             {IDM_JUMP, "   Jump to..."},
                             {0, "-"},
                             {IDM_GOOGLE, "   Google..."},
                             {IDM_EXPLORE, "   Explore..."},
                             {IDM_PROPS, "   Properties..."}});
    // Entry commands wait for a selected row.
    for (int id :
         {IDM_DISABLE, IDM_DELETE, IDM_COPY, IDM_BACKUP, IDM_RESTORE, IDM_JUMP, IDM_GOOGLE, IDM_EXPLORE, IDM_PROPS})
        EnableMenuItem(entry, static_cast<UINT>(id), MF_BYCOMMAND | MF_GRAYED);
    HMENU category = CreatePopupMenu();
    for (int i = 1; i <= kCategories; ++i)
        AppendMenuA(category, MF_STRING, static_cast<UINT_PTR>(IDM_TAB0 + i), kCategoryCaptions[i - 1]);
    HMENU watching = MakePopup({{IDM_WATCH, "Watch for changes"},
                                {IDM_STARTWITHWINDOWS, "Start with Windows"},
                                {IDM_RESNAP, "Rebuild Snapshot"}});
    HMENU options = MakePopup({{IDM_BACKUPALL, "   Backup All Registry Keys"},
                               {IDM_EMPTY, "   Include Empty Locations"},
                               {IDM_MICRO, "   Hide Microsoft Entries"},
                               {IDM_RESTOREALL, "   Restore All Keys"}});
    AppendMenuA(options, MF_POPUP, reinterpret_cast<UINT_PTR>(watching), "   Watching");
    HMENU drive = MakePopup({{IDM_OS0, "   Current OS"}});
    CheckMenuItem(drive, IDM_OS0, MF_BYCOMMAND | MF_CHECKED);
    HMENU window = MakePopup({{IDM_MINIMIZE, "   Minimize To Tray"},
                              {IDM_ENVIRONMENT, "   Show Environment"},
                              {IDM_LICENSE, "   Show License"}});
    HMENU help = MakePopup({{IDM_HELP, "   Help"}, {IDM_ABOUT, "   About"}});

    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), "File");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(entry), "Entry");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(category), "Category");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(options), "Options");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(drive), "Drive");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(window), "   Window");
    AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), "Help");
    SetMenu(hwnd(), bar);
}

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
