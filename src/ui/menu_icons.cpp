#include "ui/menu_icons.h"

#include <array>
#include <memory>

#include "resources/ids.h"
#include "system/handles.h"
#include "system/log.h"
#include "ui/menu_tree.h"

namespace {

struct BitmapTraits {
    using handle_type = HBITMAP;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DeleteObject(h); }
};
using OwnedBitmap = UniqueWinHandle<BitmapTraits>;
struct OwnedIconTraits {
    using handle_type = HICON;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DestroyIcon(h); }
};
struct MemDcTraits {
    using handle_type = HDC;
    static handle_type invalid() { return nullptr; }
    static void close(handle_type h) { DeleteDC(h); }
};

// The design size of a menu picture: 16 pixels of 15 twips.
constexpr int kDesignTwips = 240;

// One picture drawn from the MenuIcons list: image (from 1) and the position
// and size it is drawn at, in twips.
struct PictureSpec {
    int image;
    int x, y, cx, cy;
};
enum Picture {
    PicFind = 1,
    PicSave,
    PicRef,
    PicExit,
    PicDis,
    PicDel,
    PicCopy,
    PicJump,
    PicGoog,
    PicExp,
    PicProps,
    PicUncheck,
    PicCheck,
    PicEnv,
    PicHelp,
    PicAbout,
    PicBack,
    PicRest,
    kPictureCount = PicRest
};
constexpr PictureSpec kPictures[kPictureCount + 1] = {
    {0, 0, 0, 0, 0},        {1, 0, -5, 210, 210},  {2, 0, 0, 200, 200},   {3, 0, -10, 210, 200}, {4, 0, -10, 210, 200},
    {5, 0, -10, 210, 200},  {6, 0, -10, 210, 200}, {7, 0, -10, 210, 200}, {8, 0, -10, 210, 200}, {9, 0, -10, 210, 200},
    {10, 0, -10, 210, 200}, {11, 0, 0, 200, 200},  {12, 0, 0, 200, 200},  {13, 0, 0, 200, 200},  {14, 0, 0, 200, 200},
    {15, 0, 0, 200, 200},   {16, 0, 0, 210, 200},  {17, 0, 0, 200, 200},  {18, 0, 0, 200, 200},
};

// Which pictures an item gets, in the order they are handed out.
struct ItemPictures {
    int id;
    int unchecked;
    int checked; // 0: none
};
constexpr ItemPictures kItemPictures[] = {
    {IDM_SEARCH, PicFind, 0},
    {IDM_SAVE, PicSave, 0},
    {IDM_REFRESH, PicRef, 0},
    {IDM_EXIT, PicExit, 0},
    {IDM_DISABLE, PicDis, 0},
    {IDM_DELETE, PicDel, 0},
    {IDM_COPY, PicCopy, 0},
    {IDM_JUMP, PicJump, 0},
    {IDM_GOOGLE, PicGoog, 0},
    {IDM_EXPLORE, PicExp, 0},
    {IDM_PROPS, PicProps, 0},
    {IDM_EMPTY, PicUncheck, PicCheck},
    {IDM_MICRO, PicUncheck, PicCheck},
    {IDM_ENVIRONMENT, PicEnv, 0},
    {IDM_HELP, PicHelp, 0},
    {IDM_ABOUT, PicAbout, 0},
    {IDM_WATCH, PicUncheck, PicCheck},
    {IDM_STARTWITHWINDOWS, PicUncheck, PicCheck},
    {IDM_BACKUP, PicBack, 0},
    {IDM_RESTORE, PicRest, 0},
    {IDM_BACKUPALL, PicBack, 0},
    {IDM_RESTOREALL, PicRest, 0},
};

// The pictures handed to the menu; they must outlive it, so they stay for
// the whole run.
struct MenuPictures {
    std::array<OwnedBitmap, kPictureCount + 1> pictures; // from 1
    std::array<OwnedBitmap, 15> categories;              // MenuPic(1..14)
};
MenuPictures &Pictures() {
    static MenuPictures state;
    return state;
}

void Record(HMENU menu, int position) {
    MenuIconRecord record;
    record.ID = static_cast<short>(GetMenuItemID(menu, position));
    char buffer[50] = {};
    MENUITEMINFOA info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_TYPE;
    info.dwTypeData = buffer;
    info.cch = 49;
    if (GetMenuItemInfoA(menu, position, TRUE, &info))
        record.Caption.assign(buffer, strnlen(buffer, sizeof(buffer)));
    else
        WriteLog("TrackMenus " + ApiErrorText(static_cast<long>(GetLastError())));
    MenuIconList().push_back(std::move(record));
}

bool MenuHasId(HMENU bar, long id) {
    const int top = GetMenuItemCount(bar);
    for (int i = 0; i < top; ++i) {
        HMENU popup = GetSubMenu(bar, i);
        const int items = popup != nullptr ? GetMenuItemCount(popup) : 0;
        for (int j = 0; j < items; ++j) {
            HMENU sub = GetSubMenu(popup, j);
            const int subItems = sub != nullptr ? GetMenuItemCount(sub) : 0;
            for (int k = 0; k < subItems; ++k)
                if (static_cast<long>(GetMenuItemID(sub, k)) == id)
                    return true;
            if (sub == nullptr && static_cast<long>(GetMenuItemID(popup, j)) == id)
                return true;
        }
    }
    return false;
}

} // namespace

std::vector<MenuIconRecord> &MenuIconList() {
    static std::vector<MenuIconRecord> list;
    return list;
}

void TrackMenus(HWND form) {
    MenuIconList().clear();
    HMENU bar = GetMenu(form);
    if (bar == nullptr) {
        WriteLog("TrackMenus " + ApiErrorText(static_cast<long>(GetLastError())));
        return;
    }
    const int top = GetMenuItemCount(bar);
    for (int i = 0; i < top; ++i) {
        HMENU popup = GetSubMenu(bar, i);
        if (popup == nullptr)
            continue;
        const int items = GetMenuItemCount(popup);
        for (int j = 0; j < items; ++j) {
            if (HMENU sub = GetSubMenu(popup, j)) {
                const int subItems = GetMenuItemCount(sub);
                for (int k = 0; k < subItems; ++k)
                    Record(sub, k);
            }
            Record(popup, j);
        }
    }
}

short GetMenuID(const std::string &caption) {
    for (const MenuIconRecord &record : MenuIconList())
        if (record.Caption == caption)
            return record.ID;
    return 0;
}

void SetMenuIcon(HWND wnd, long id, HBITMAP unchecked, HBITMAP checked) {
    HMENU bar = GetMenu(wnd);
    if (bar == nullptr || id == 0 || id == -1 || !MenuHasId(bar, id)) {
        WriteLog("Invalid menu ID# = " + std::to_string(id));
        return;
    }
    SetMenuItemBitmaps(bar, static_cast<UINT>(id), MF_BYCOMMAND, unchecked, checked);
}

SIZE MenuBitmapSize() {
    SIZE size{GetSystemMetrics(SM_CXMENUCHECK), GetSystemMetrics(SM_CYMENUCHECK)};
    if (size.cx <= 0 || size.cy <= 0)
        size = {16, 16};
    return size;
}

HBITMAP DrawMenuBitmap(HIMAGELIST list, int index, int xTw, int yTw, int cxTw, int cyTw) {
    if (list == nullptr || index < 0 || index >= ImageList_GetImageCount(list))
        return nullptr;
    const SIZE size = MenuBitmapSize();
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, size.cx, size.cy);
    UniqueWinHandle<MemDcTraits> dc(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    if (bitmap == nullptr || !dc)
        return bitmap;
    HGDIOBJ previous = SelectObject(dc.get(), bitmap);
    RECT all{0, 0, size.cx, size.cy};
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_MENU));
    UniqueWinHandle<OwnedIconTraits> icon(ImageList_GetIcon(list, index, ILD_NORMAL));
    if (icon) {
        auto scaleX = [&](int tw) { return MulDiv(tw, size.cx, kDesignTwips); };
        auto scaleY = [&](int tw) { return MulDiv(tw, size.cy, kDesignTwips); };
        DrawIconEx(dc.get(), scaleX(xTw), scaleY(yTw), icon.get(), scaleX(cxTw), scaleY(cyTw), 0, nullptr, DI_NORMAL);
    }
    SelectObject(dc.get(), previous);
    return bitmap;
}

void LoadMenuBitmaps(HWND form, HIMAGELIST menuIcons, HIMAGELIST iconList) {
    MenuPictures &state = Pictures();
    for (int p = 1; p <= kPictureCount; ++p) {
        const PictureSpec &spec = kPictures[p];
        state.pictures[p].reset(DrawMenuBitmap(menuIcons, spec.image - 1, spec.x, spec.y, spec.cx, spec.cy));
    }
    TrackMenus(form);
    for (int i = 1; i <= 14; ++i) {
        state.categories[i].reset(DrawMenuBitmap(iconList, i - 1, 0, 0, 200, 200));
        SetMenuIcon(form, GetMenuID(MenuCaption(IDM_TAB0 + i)), state.categories[i].get(), nullptr);
    }
    for (const ItemPictures &item : kItemPictures) {
        HBITMAP checked = item.checked != 0 ? state.pictures[item.checked].get() : nullptr;
        SetMenuIcon(form, GetMenuID(MenuCaption(item.id)), state.pictures[item.unchecked].get(), checked);
    }
}

void SetCheckPairIcon(HWND form, long id) {
    MenuPictures &state = Pictures();
    SetMenuIcon(form, id, state.pictures[PicUncheck].get(), state.pictures[PicCheck].get());
}
