#include "ui/tab_strip.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/gdi.h"
#include "ui/window.h"

TabLayout ChooseTabLayout(int count, int rowWidth, int widestCaption) {
    constexpr int kDesignRows = 2;
    count = std::max(count, 1);
    const int needed = 2 * (kTabEdge + kTabPadding) + kTabIconSize + kTabIconGap + widestCaption;
    int perRow = (count + kDesignRows - 1) / kDesignRows;
    while (perRow > 1 && rowWidth / perRow < needed)
        --perRow;
    return {perRow, std::max(rowWidth / perRow, 1)};
}

RECT TabInterior(const RECT &placed) {
    return RECT{placed.left + kTabEdge, placed.top, std::max(placed.right - kTabEdge, placed.left + kTabEdge),
                placed.bottom};
}

RECT TabIconRect(const RECT &tab) {
    const int top = (tab.top + tab.bottom - kTabIconSize) / 2;
    return RECT{tab.left + kTabPadding, top, tab.left + kTabPadding + kTabIconSize, top + kTabIconSize};
}

RECT TabCaptionRect(const RECT &tab) {
    return RECT{tab.left + kTabPadding + kTabIconSize + kTabIconGap, tab.top,
                std::max(tab.right - kTabPadding, tab.left + kTabPadding + kTabIconSize + kTabIconGap), tab.bottom};
}

std::string TabCaptionText(const std::string &caption) {
    const size_t first = caption.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : caption.substr(first);
}

namespace {

std::string CaptionOf(HWND tabStrip, int index, int *image = nullptr, DWORD *state = nullptr) {
    char text[128] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_STATE;
    item.dwStateMask = TCIS_HIGHLIGHTED;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(tabStrip, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    if (image != nullptr)
        *image = item.iImage;
    if (state != nullptr)
        *state = item.dwState;
    return TabCaptionText(text);
}

int WidestCaption(HWND tabStrip) {
    WindowDc dc(tabStrip);
    if (dc.get() == nullptr)
        return 0;
    SelectGuard select(dc.get(), UiFont());
    int widest = 0;
    const int count = static_cast<int>(SendMessageA(tabStrip, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const std::string caption = CaptionOf(tabStrip, i);
        SIZE size{};
        GetTextExtentPoint32A(dc.get(), caption.c_str(), static_cast<int>(caption.size()), &size);
        widest = std::max(widest, static_cast<int>(size.cx));
    }
    return widest;
}

} // namespace

void TabStripLook::Fit(HWND tabStrip, int rowHeight) {
    if (tabStrip == nullptr)
        return;
    const int count = static_cast<int>(SendMessageA(tabStrip, TCM_GETITEMCOUNT, 0, 0));
    if (widest_ == 0 && count > 0)
        widest_ = WidestCaption(tabStrip);
    RECT client{};
    GetClientRect(tabStrip, &client);
    // The strip keeps a few pixels at its ends: a row never quite reaches them.
    const int rowWidth = std::max(0, static_cast<int>(client.right) - 8);
    const TabLayout layout = ChooseTabLayout(count, rowWidth, widest_);
    if (layout.perRow != layout_.perRow || layout.tabWidth != layout_.tabWidth)
        InvalidateRect(tabStrip, nullptr, TRUE);
    layout_ = layout;
    SendMessageA(tabStrip, TCM_SETITEMSIZE, 0, MAKELPARAM(layout.tabWidth, rowHeight));
}

void TabStripLook::Draw(const DRAWITEMSTRUCT &item, HIMAGELIST icons) const {
    HDC dc = item.hDC;
    const RECT &tab = item.rcItem; // the tab inside its frame
    int image = -1;
    const std::string caption = CaptionOf(item.hwndItem, static_cast<int>(item.itemID), &image);
    FillRect(dc, &tab, GetSysColorBrush(COLOR_BTNFACE));
    if (icons != nullptr && image >= 0) {
        const RECT icon = TabIconRect(tab);
        ImageList_Draw(icons, image, dc, icon.left, icon.top, ILD_TRANSPARENT);
    }
    SelectGuard select(dc, UiFont());
    RECT text = TabCaptionRect(tab);
    SIZE size{};
    GetTextExtentPoint32A(dc, caption.c_str(), static_cast<int>(caption.size()), &size);
    // The selected tab alone is the one shown: a highlight state left on
    // another tab (set from outside the program) does not make a second one.
    const bool shown = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF oldColor = GetTextColor(dc);
    // The highlight behind the caption, a little larger than the text.
    const int middle = (text.left + text.right) / 2;
    const int half = std::min(static_cast<int>(size.cx) / 2 + 3, static_cast<int>(text.right - text.left) / 2 + 2);
    const int top = (tab.top + tab.bottom - size.cy) / 2 - 1;
    const RECT band{middle - half, top, middle + half, top + size.cy + 2};
    if (shown) {
        FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    } else {
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    }
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const UINT oldAlign = SetTextAlign(dc, TA_CENTER | TA_TOP);
    ExtTextOutA(dc, (text.left + text.right) / 2, (tab.top + tab.bottom - size.cy) / 2, ETO_CLIPPED, &text,
                caption.c_str(), static_cast<UINT>(caption.size()), nullptr);
    SetTextAlign(dc, oldAlign);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColor);
    // The focus rectangle round the caption of the focused tab while the
    // strip has the keyboard focus.
    if (GetFocus() == item.hwndItem &&
        SendMessageA(item.hwndItem, TCM_GETCURFOCUS, 0, 0) == static_cast<LRESULT>(item.itemID)) {
        RECT focus = band;
        InflateRect(&focus, 1, 1);
        DrawFocusRect(dc, &focus);
    }
}
