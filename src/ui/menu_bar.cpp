#include "ui/menu_bar.h"

#include "ui/commands.h"

namespace {

// Captions of the top-level menus, by position, and of the Options menu's
// submenu.
constexpr const char *kTopCaptions[kMenuCount] = {"File", "Entry", "Category", "Options", "Drive", "   Window", "Help"};
constexpr const char *kWatchingCaption = "   Watching";

} // namespace

HMENU BuildMainMenu() {
    HMENU bar = CreateMenu();
    if (bar == nullptr)
        return nullptr;
    for (int position = 0; position < kMenuCount; ++position) {
        HMENU menu = CreatePopupMenu();
        HMENU watching = nullptr;
        for (const CommandRow &row : Commands()) {
            if (row.menu != position || row.place == MenuPlace::None || row.caption == nullptr)
                continue;
            const UINT flags = MF_STRING | (row.enabled == EnabledWhen::Always ? 0 : MF_GRAYED);
            if (row.place == MenuPlace::Watching) {
                if (watching == nullptr) {
                    watching = CreatePopupMenu();
                    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(watching), kWatchingCaption);
                }
                AppendMenuA(watching, flags, static_cast<UINT_PTR>(row.id), row.caption);
                continue;
            }
            if (row.place == MenuPlace::AfterSeparator)
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuA(menu, flags, static_cast<UINT_PTR>(row.id), row.caption);
        }
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(menu), kTopCaptions[position]);
    }
    CheckMenuItem(bar, IDM_OS0, MF_BYCOMMAND | MF_CHECKED);
    return bar;
}

std::string MenuCaption(int id) {
    const CommandRow *row = FindCommand(id);
    return row != nullptr && row->id == id && row->place != MenuPlace::None && row->caption != nullptr
               ? row->caption
               : std::string();
}
