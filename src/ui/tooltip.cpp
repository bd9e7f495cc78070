#include "ui/tooltip.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

struct TipState {
    HHOOK hook = nullptr;
    HFONT font = nullptr;
    int maxWidth = 200;
    int align = kTipLeft;
    bool installed = false;
    std::vector<HWND> windows; // the tooltip windows taken over
};

TipState &Tips() {
    static TipState state;
    return state;
}

constexpr UINT_PTR kSubclassId = 0x7170;

std::string WindowText(HWND wnd) {
    const int length = GetWindowTextLengthA(wnd);
    if (length <= 0)
        return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(wnd, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(0, got)));
    return text;
}

void OnPositionChanging(HWND wnd, WINDOWPOS &pos) {
    const std::string text = WindowText(wnd);
    if (text.empty())
        return;
    SIZE size{};
    {
        HDC dc = GetDC(wnd);
        size = MeasureTipText(dc, text);
        ReleaseDC(wnd, dc);
    }
    const SIZE tip = TipSize(size, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    pos.cx = tip.cx;
    pos.cy = tip.cy;
    // Wine sends a second change without a size: the size is set anyway.
    pos.flags &= ~static_cast<UINT>(SWP_NOSIZE);
    if ((pos.flags & SWP_NOMOVE) == 0) {
        POINT mouse{};
        GetCursorPos(&mouse);
        pos.x = TipLeft(mouse.x, tip.cx, GetSystemMetrics(SM_CXSCREEN));
    }
}

void DrawTip(HWND wnd) {
    std::string text = WindowText(wnd);
    const int align = TakeTipMarker(text, Tips().align);
    RECT client{};
    GetClientRect(wnd, &client);
    HDC dc = GetDC(wnd);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = Tips().font != nullptr ? SelectObject(dc, Tips().font) : nullptr;
    FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
    InflateRect(&client, -1, -1);
    const UINT how = align == kTipRight ? DT_RIGHT : align == kTipCentre ? DT_CENTER : DT_LEFT;
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &client,
              how | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    if (oldFont != nullptr)
        SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    ReleaseDC(wnd, dc);
}

LRESULT CALLBACK TipProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    switch (msg) {
    case WM_WINDOWPOSCHANGING: {
        DefSubclassProc(wnd, msg, wp, lp);
        OnPositionChanging(wnd, *reinterpret_cast<WINDOWPOS *>(lp));
        return 0;
    }
    case WM_PAINT:
        DefSubclassProc(wnd, msg, wp, lp);
        DrawTip(wnd);
        return 0;
    case WM_SETTINGCHANGE:
        if (wp == SPI_SETNONCLIENTMETRICS)
            CreateTipFont();
        break;
    case WM_NCDESTROY: {
        RemoveWindowSubclass(wnd, TipProc, kSubclassId);
        auto &list = Tips().windows;
        list.erase(std::remove(list.begin(), list.end(), wnd), list.end());
        break;
    }
    default:
        break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}

std::string ClassOfWindow(HWND wnd) {
    char name[21] = {};
    GetClassNameA(wnd, name, sizeof(name));
    return name;
}

void TakeOver(HWND wnd) {
    if (!IsTipClass(ClassOfWindow(wnd)))
        return;
    auto &list = Tips().windows;
    if (std::find(list.begin(), list.end(), wnd) != list.end())
        return;
    if (SetWindowSubclass(wnd, TipProc, kSubclassId, 0))
        list.push_back(wnd);
}

LRESULT CALLBACK CreationHook(int code, WPARAM wp, LPARAM lp) {
    if (code == HCBT_CREATEWND)
        TakeOver(reinterpret_cast<HWND>(wp));
    return CallNextHookEx(Tips().hook, code, wp, lp);
}

} // namespace

void SetTipOption(int width) { Tips().maxWidth = width; }

int TipAlignForMode(int mode) { return mode == 0 ? kTipLeft : mode == 1 ? kTipRight : kTipCentre; }

void SetTipAlign(int mode) { Tips().align = TipAlignForMode(mode); }

int TakeTipMarker(std::string &text, int defaultAlign) {
    if (text.size() < 3 || text[0] != '<' || text[2] != '>')
        return defaultAlign;
    int align = -1;
    switch (std::tolower(static_cast<unsigned char>(text[1]))) {
    case 'l':
        align = kTipLeft;
        break;
    case 'c':
        align = kTipCentre;
        break;
    case 'r':
        align = kTipRight;
        break;
    default:
        return defaultAlign;
    }
    text.erase(0, 3);
    return align;
}

int TipLeft(int mouseX, int tipWidth, int screenWidth) {
    int x = std::max(0, mouseX - tipWidth / 2);
    if (x + tipWidth > screenWidth)
        x = screenWidth - tipWidth;
    return x;
}

SIZE TipSize(SIZE text, int borderCx, int borderCy) {
    return SIZE{text.cx + 2 * (borderCx + 1), text.cy + 2 * (borderCy + 1)};
}

bool IsTipClass(const std::string &className) {
    static const std::string kTip = "tooltips"; // of "tooltips_class32"
    if (className.size() < kTip.size())
        return false;
    for (size_t i = 0; i < kTip.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(className[i])) != kTip[i])
            return false;
    return true;
}

SIZE MeasureTipText(HDC dc, std::string text) {
    TakeTipMarker(text, kTipLeft);
    HGDIOBJ old = Tips().font != nullptr ? SelectObject(dc, Tips().font) : nullptr;
    RECT r{0, 0, Tips().maxWidth, 0};
    DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
    if (old != nullptr)
        SelectObject(dc, old);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

void CreateTipFont() {
    TipState &s = Tips();
    if (s.font != nullptr)
        DeleteObject(s.font);
    s.font = nullptr;
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        s.font = CreateFontIndirectA(&metrics.lfStatusFont);
}

bool HookTooltips() {
    TipState &s = Tips();
    if (s.installed)
        return false;
    s.installed = true;
    CreateTipFont();
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND wnd, LPARAM) WINAPI -> BOOL {
            TakeOver(wnd);
            return TRUE;
        },
        0);
    // Tooltip windows are made as controls are: later ones are caught when
    // they are created.
    s.hook = SetWindowsHookExA(WH_CBT, CreationHook, nullptr, GetCurrentThreadId());
    return true;
}

void UnhookTooltips() {
    TipState &s = Tips();
    if (s.hook != nullptr)
        UnhookWindowsHookEx(s.hook);
    s.hook = nullptr;
    for (HWND wnd : s.windows)
        RemoveWindowSubclass(wnd, TipProc, kSubclassId);
    s.windows.clear();
    if (s.font != nullptr)
        DeleteObject(s.font);
    s.font = nullptr;
    s.installed = false;
}
