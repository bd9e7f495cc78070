#include "ui/menu_icons.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>

#include "resources/ids.h"
#include "system/log.h"
#include "ui/gdi.h"
#include "ui/menu_bar.h"

namespace {

// Where an image lands in the target bitmap: its left, top, width and height
// in target pixels (fractions allowed).
struct Placement {
    double x, y, cx, cy;
};

// Draws the image's pixels (its natural size, background already under it)
// into `to` at `place`, each target pixel the average of the area it covers;
// what the image does not cover keeps the background. The system's own
// stretching drops thin lines when it shrinks a picture.
void ResampleInto(const std::vector<RGBQUAD> &image, int imageSize, const Placement &place, RGBQUAD background,
                  HDC targetDc, HBITMAP to, SIZE size) {
    std::vector<RGBQUAD> out(static_cast<size_t>(size.cx * size.cy), background);
    const double fx = imageSize / place.cx, fy = imageSize / place.cy;
    for (int y = 0; y < size.cy; ++y)
        for (int x = 0; x < size.cx; ++x) {
            // The pixel's area in image coordinates.
            const double u0 = (x - place.x) * fx, u1 = (x + 1 - place.x) * fx;
            const double v0 = (y - place.y) * fy, v1 = (y + 1 - place.y) * fy;
            const double area = (u1 - u0) * (v1 - v0);
            double sum[3] = {0, 0, 0}, covered = 0;
            for (int sy = std::max(0, int(std::floor(v0))); sy < imageSize && sy < v1; ++sy)
                for (int sx = std::max(0, int(std::floor(u0))); sx < imageSize && sx < u1; ++sx) {
                    const double w = (std::min<double>(sx + 1, u1) - std::max<double>(sx, u0)) *
                                     (std::min<double>(sy + 1, v1) - std::max<double>(sy, v0));
                    if (w <= 0)
                        continue;
                    const RGBQUAD &p = image[static_cast<size_t>(sy * imageSize + sx)];
                    sum[0] += w * p.rgbBlue;
                    sum[1] += w * p.rgbGreen;
                    sum[2] += w * p.rgbRed;
                    covered += w;
                }
            const double rest = std::max(0.0, area - covered);
            sum[0] += rest * background.rgbBlue;
            sum[1] += rest * background.rgbGreen;
            sum[2] += rest * background.rgbRed;
            RGBQUAD &q = out[static_cast<size_t>(y * size.cx + x)];
            q.rgbBlue = static_cast<BYTE>(sum[0] / area + 0.5);
            q.rgbGreen = static_cast<BYTE>(sum[1] / area + 0.5);
            q.rgbRed = static_cast<BYTE>(sum[2] / area + 0.5);
        }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBits(targetDc, to, 0, static_cast<UINT>(size.cy), out.data(), &info, DIB_RGB_COLORS);
}

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
    std::array<BitmapHandle, kPictureCount + 1> pictures; // from 1
    std::array<BitmapHandle, 15> categories;              // MenuPic(1..14)
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
    int imageSize = 16, imageHeight = 16;
    ImageList_GetIconSize(list, &imageSize, &imageHeight);
    HBITMAP bitmap = nullptr;
    BitmapHandle drawn;
    MemoryDc dc;
    {
        WindowDc screen(nullptr);
        bitmap = CreateCompatibleBitmap(screen.get(), size.cx, size.cy);
        drawn.reset(CreateCompatibleBitmap(screen.get(), imageSize, imageSize));
        dc.reset(CreateCompatibleDC(screen.get()));
    }
    if (bitmap == nullptr || !drawn || !dc)
        return bitmap;
    // The image at its own size over the menu colour, read back as pixels.
    const COLORREF menu = GetSysColor(COLOR_MENU);
    {
        SelectGuard selected(dc.get(), drawn.get());
        RECT box{0, 0, imageSize, imageSize};
        FillRect(dc.get(), &box, GetSysColorBrush(COLOR_MENU));
        ImageList_Draw(list, index, dc.get(), 0, 0, ILD_NORMAL);
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = imageSize;
    info.bmiHeader.biHeight = -imageSize;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<RGBQUAD> pixels(static_cast<size_t>(imageSize * imageSize));
    if (GetDIBits(dc.get(), drawn.get(), 0, static_cast<UINT>(imageSize), pixels.data(), &info, DIB_RGB_COLORS) == 0)
        return bitmap;
    // The design box (240 twips) is the whole check-mark area.
    const double sx = double(size.cx) / kDesignTwips, sy = double(size.cy) / kDesignTwips;
    const Placement place{xTw * sx, yTw * sy, cxTw * sx, cyTw * sy};
    const RGBQUAD background{GetBValue(menu), GetGValue(menu), GetRValue(menu), 0};
    ResampleInto(pixels, imageSize, place, background, dc.get(), bitmap, size);
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
