#include "ui/menu_bar.h"

#include <iterator>

namespace {

// One line per menu entry: a top-level menu (level 0), an item or submenu
// inside it (level 1) or an item of a submenu (level 2). id 0 on a menu that
// opens a submenu; caption "-" is a separator.
struct MenuLine {
    int level;
    int id;
    const char *caption;
    UINT flags;
};

constexpr MenuLine kMenuLines[] = {
    {0, 0, "File", 0},
    {1, IDM_SEARCH, "   Find", 0},
    {1, IDM_SAVE, "   Save", 0},
    {1, IDM_REFRESH, "   Refresh", 0},
    {1, IDM_EXIT, "   Exit", 0},
    {0, 0, "Entry", 0},
    {1, IDM_DISABLE, "   Disable / Enable", MF_GRAYED},
    {1, IDM_DELETE, "   Delete", MF_GRAYED},
    {1, IDM_COPY, "   Copy", MF_GRAYED},
    {1, IDM_BACKUP, "   Backup", MF_GRAYED},
    {1, IDM_RESTORE, "   Restore", MF_GRAYED},
    {1, IDM_JUMP, "   Jump to...", MF_GRAYED},
    {1, 0, "-", MF_SEPARATOR},
    {1, IDM_GOOGLE, "   Google...", MF_GRAYED},
    {1, IDM_EXPLORE, "   Explore...", MF_GRAYED},
    {1, IDM_PROPS, "   Properties...", MF_GRAYED},
    {0, 0, "Category", 0},
    {1, IDM_TAB0 + 1, "   Logon", 0},
    {1, IDM_TAB0 + 2, "   Explorer", 0},
    {1, IDM_TAB0 + 3, "   Internet Explorer", 0},
    {1, IDM_TAB0 + 4, "   Services", 0},
    {1, IDM_TAB0 + 5, "   Winlogon", 0},
    {1, IDM_TAB0 + 6, "   Winsock", 0},
    {1, IDM_TAB0 + 7, "   Print Monitors", 0},
    {1, IDM_TAB0 + 8, "   LSA Providers", 0},
    {1, IDM_TAB0 + 9, "   Drivers", 0},
    {1, IDM_TAB0 + 10, "   Boot Execute", 0},
    {1, IDM_TAB0 + 11, "   Image Hijacks", 0},
    {1, IDM_TAB0 + 12, "   Appinit", 0},
    {1, IDM_TAB0 + 13, "   Known Dlls", 0},
    {1, IDM_TAB0 + 14, "   Task Scheduler", 0},
    {0, 0, "Options", 0},
    {1, IDM_BACKUPALL, "   Backup All Registry Keys", 0},
    {1, IDM_EMPTY, "   Include Empty Locations", 0},
    {1, IDM_MICRO, "   Hide Microsoft Entries", 0},
    {1, IDM_RESTOREALL, "   Restore All Keys", 0},
    {1, 0, "   Watching", 0},
    {2, IDM_WATCH, "Watch for changes", 0},
    {2, IDM_STARTWITHWINDOWS, "Start with Windows", 0},
    {2, IDM_RESNAP, "Rebuild Snapshot", 0},
    {0, 0, "Drive", 0},
    {1, IDM_OS0, "   Current OS", MF_CHECKED},
    {0, 0, "   Window", 0},
    {1, IDM_MINIMIZE, "   Minimize To Tray", 0},
    {1, IDM_ENVIRONMENT, "   Show Environment", 0},
    {1, IDM_LICENSE, "   Show License", 0},
    {0, 0, "Help", 0},
    {1, IDM_HELP, "   Help", 0},
    {1, IDM_ABOUT, "   About", 0},
};

bool OpensSubmenu(size_t i) { return i + 1 < std::size(kMenuLines) && kMenuLines[i + 1].level > kMenuLines[i].level; }

} // namespace

HMENU BuildMainMenu() {
    HMENU bar = CreateMenu();
    if (bar == nullptr)
        return nullptr;
    // Open menus by level; a submenu is appended to its parent once complete.
    HMENU open[3] = {bar, nullptr, nullptr};
    const MenuLine *pending[3] = {nullptr, nullptr, nullptr};
    auto close = [&](int level) {
        for (int l = 2; l >= level; --l) {
            if (pending[l] == nullptr)
                continue;
            AppendMenuA(open[l - 1], MF_POPUP | pending[l]->flags, reinterpret_cast<UINT_PTR>(open[l]),
                        pending[l]->caption);
            pending[l] = nullptr;
            open[l] = nullptr;
        }
    };
    for (size_t i = 0; i < std::size(kMenuLines); ++i) {
        const MenuLine &line = kMenuLines[i];
        close(line.level + 1);
        if (OpensSubmenu(i)) {
            open[line.level + 1] = CreatePopupMenu();
            pending[line.level + 1] = &line;
        } else if (line.flags & MF_SEPARATOR) {
            AppendMenuA(open[line.level], MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(open[line.level], MF_STRING | line.flags, line.id, line.caption);
        }
    }
    close(1);
    return bar;
}

std::string MenuCaption(int id) {
    for (const MenuLine &line : kMenuLines)
        if (line.id == id && id != 0)
            return line.caption;
    return {};
}
