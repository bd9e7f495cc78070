// The menu tree read back from a window's menu, the caption lookup and the
// menu bitmaps.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "resources/ids.h"
#include "support/testing.h"
#include "ui/menu_icons.h"
#include "ui/commands.h"
#include "ui/menu_bar.h"

namespace {

class MenuWindow {
  public:
    MenuWindow() {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QmMenuTest";
        RegisterClassA(&wc);
        wnd_ = CreateWindowA("QmMenuTest", "menus", WS_OVERLAPPEDWINDOW, 0, 0, 400, 300, nullptr, BuildMainMenu(),
                             wc.hInstance, nullptr);
    }
    ~MenuWindow() { DestroyWindow(wnd_); }
    HWND get() const { return wnd_; }

  private:
    HWND wnd_ = nullptr;
};

std::string ItemText(HMENU menu, int position) {
    char buffer[80] = {};
    GetMenuStringA(menu, position, buffer, sizeof(buffer), MF_BYPOSITION);
    return buffer;
}

std::vector<std::string> Captions(HMENU menu) {
    std::vector<std::string> out;
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        out.push_back(ItemText(menu, i));
    return out;
}

} // namespace

TEST(MenuTree, EveryCaptionAsTheWindowHoldsIt) {
    MenuWindow window;
    HMENU bar = GetMenu(window.get());
    ASSERT_NE(bar, nullptr);
    using V = std::vector<std::string>;
    EXPECT_EQ(Captions(bar), (V{"File", "Entry", "Category", "Options", "Drive", "   Window", "Help"}));
    EXPECT_EQ(Captions(GetSubMenu(bar, kMenuFile)), (V{"   Find", "   Save", "   Refresh", "   Exit"}));
    EXPECT_EQ(Captions(GetSubMenu(bar, kMenuEntry)),
              (V{"   Disable / Enable", "   Delete", "   Copy", "   Backup", "   Restore", "   Jump to...", "",
                 "   Google...", "   Explore...", "   Properties..."}));
    EXPECT_EQ(Captions(GetSubMenu(bar, kMenuCategory)),
              (V{"   Logon", "   Explorer", "   Internet Explorer", "   Services", "   Winlogon", "   Winsock",
                 "   Print Monitors", "   LSA Providers", "   Drivers", "   Boot Execute", "   Image Hijacks",
                 "   Appinit", "   Known Dlls", "   Task Scheduler"}));
    HMENU options = GetSubMenu(bar, kMenuOptions);
    EXPECT_EQ(Captions(options), (V{"   Backup All Registry Keys", "   Include Empty Locations",
                                    "   Hide Microsoft Entries", "   Restore All Keys", "   Watching"}));
    EXPECT_EQ(Captions(GetSubMenu(options, 4)), (V{"Watch for changes", "Start with Windows", "Rebuild Snapshot"}));
    EXPECT_EQ(Captions(GetSubMenu(bar, kMenuDrive)), (V{"   Current OS"}));
    EXPECT_EQ(Captions(GetSubMenu(bar, kMenuWindow)),
              (V{"   Minimize To Tray", "   Show Environment", "   Show License"}));
    EXPECT_EQ(Captions(GetSubMenu(bar, kMenuHelp)), (V{"   Help", "   About"}));

    // The Entry items start disabled, "   Current OS" checked, the others not.
    for (const CommandRow &row : Commands()) {
        if (row.menu == kMenuEntry) {
            EXPECT_TRUE(GetMenuState(bar, row.id, MF_BYCOMMAND) & MF_GRAYED) << row.id;
        }
    }
    EXPECT_TRUE(GetMenuState(bar, IDM_OS0, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(bar, IDM_SEARCH, MF_BYCOMMAND) & (MF_GRAYED | MF_CHECKED));
    EXPECT_EQ(GetMenuItemID(GetSubMenu(bar, kMenuCategory), 13), static_cast<UINT>(IDM_TAB0 + 14));
}

TEST(MenuIcons, TrackMenusRecordsSubmenuItemsBeforeTheirParent) {
    MenuWindow window;
    TrackMenus(window.get());
    const auto &list = MenuIconList();
    ASSERT_EQ(list.size(), 4u + 10u + 14u + 5u + 3u + 1u + 3u + 2u);
    EXPECT_EQ(list[0].Caption, "   Find");
    EXPECT_EQ(list[0].ID, IDM_SEARCH);
    // Options: the four items, then the Watching submenu's three, then Watching itself.
    const size_t watching = 4 + 10 + 14 + 4;
    EXPECT_EQ(list[watching].Caption, "Watch for changes");
    EXPECT_EQ(list[watching + 3].Caption, "   Watching");
    EXPECT_EQ(list[watching + 3].ID, -1);
}

TEST(MenuIcons, GetMenuIdComparesCaptionsExactly) {
    MenuWindow window;
    TrackMenus(window.get());
    EXPECT_EQ(GetMenuID("   Backup"), IDM_BACKUP);
    EXPECT_EQ(GetMenuID("   Backup All Registry Keys"), IDM_BACKUPALL);
    EXPECT_EQ(GetMenuID("Backup"), 0);
    EXPECT_EQ(GetMenuID("   backup"), 0);
    EXPECT_EQ(GetMenuID("   Appinit"), IDM_TAB0 + 12);
}

TEST(MenuIcons, UnknownIdentifierIsLoggedAndSkipped) {
    MenuWindow window;
    CapturedLog log;
    SetMenuIcon(window.get(), 0, nullptr, nullptr);
    SetMenuIcon(window.get(), 4321, nullptr, nullptr);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Invalid menu ID# = 0", "Invalid menu ID# = 4321"}));
}

TEST(MenuIcons, BitmapsFillTheCheckMarkAreaAndReachEveryItem) {
    MenuWindow window;
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, 18, 0);
    // 18 red squares, opaque.
    HDC screen = GetDC(nullptr);
    HBITMAP red = CreateCompatibleBitmap(screen, 16, 16);
    ReleaseDC(nullptr, screen);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, red);
    RECT all{0, 0, 16, 16};
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, brush);
    SelectObject(dc, old);
    for (int i = 0; i < 18; ++i)
        ImageList_AddMasked(list, red, RGB(0, 255, 0));

    HBITMAP bitmap = DrawMenuBitmap(list, 0, 0, 0, 240, 240);
    ASSERT_NE(bitmap, nullptr);
    BITMAP info{};
    GetObjectA(bitmap, sizeof(info), &info);
    const SIZE size = MenuBitmapSize();
    EXPECT_EQ(info.bmWidth, size.cx);
    EXPECT_EQ(info.bmHeight, size.cy);
    // Drawn whole: the bottom-right corner of the area holds the image.
    old = SelectObject(dc, bitmap);
    EXPECT_EQ(GetPixel(dc, size.cx - 1, size.cy - 1), RGB(255, 0, 0));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    EXPECT_EQ(DrawMenuBitmap(list, 18, 0, 0, 240, 240), nullptr);

    CapturedLog log;
    LoadMenuBitmaps(window.get(), list, list);
    EXPECT_EQ(log.text(), ""); // every item was found
    MENUITEMINFOA item{};
    item.cbSize = sizeof(item);
    item.fMask = MIIM_CHECKMARKS;
    ASSERT_TRUE(GetMenuItemInfoA(GetMenu(window.get()), IDM_WATCH, FALSE, &item));
    EXPECT_NE(item.hbmpUnchecked, nullptr);
    EXPECT_NE(item.hbmpChecked, nullptr);
    ASSERT_TRUE(GetMenuItemInfoA(GetMenu(window.get()), IDM_TAB0 + 3, FALSE, &item));
    EXPECT_NE(item.hbmpUnchecked, nullptr);
    EXPECT_EQ(item.hbmpChecked, nullptr);
    DeleteObject(brush);
    DeleteDC(dc);
    DeleteObject(red);
    ImageList_Destroy(list);
}
