// The program's tooltips: the alignment markers, where a tip goes, its size
// for a text wrapped at 200 pixels, and a real tooltip window taken over
// after it was hooked.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include "ui/tooltip.h"

TEST(Tooltip, MarkersSetTheAlignmentAndAreRemoved) {
    std::string text = "<R>right";
    EXPECT_EQ(TakeTipMarker(text, kTipLeft), kTipRight);
    EXPECT_EQ(text, "right");
    text = "<c>centre";
    EXPECT_EQ(TakeTipMarker(text, kTipLeft), kTipCentre);
    EXPECT_EQ(text, "centre");
    text = "<L>left";
    EXPECT_EQ(TakeTipMarker(text, kTipRight), kTipLeft);
    EXPECT_EQ(text, "left");
    text = "<x>none";
    EXPECT_EQ(TakeTipMarker(text, kTipRight), kTipRight);
    EXPECT_EQ(text, "<x>none");
    text = "<r";
    EXPECT_EQ(TakeTipMarker(text, kTipCentre), kTipCentre);
    EXPECT_EQ(TipAlignForMode(0), kTipLeft);
    EXPECT_EQ(TipAlignForMode(1), kTipRight);
    EXPECT_EQ(TipAlignForMode(2), kTipCentre);
    EXPECT_EQ(TipAlignForMode(7), kTipCentre);
}

TEST(Tooltip, TipsAreCentredOnTheMouseAndKeptOnTheScreen) {
    EXPECT_EQ(TipLeft(500, 200, 1280), 400);
    EXPECT_EQ(TipLeft(50, 200, 1280), 0);
    EXPECT_EQ(TipLeft(1250, 200, 1280), 1080);
    const SIZE size = TipSize(SIZE{180, 26}, 1, 1);
    EXPECT_EQ(size.cx, 184);
    EXPECT_EQ(size.cy, 30);
    EXPECT_TRUE(IsTipClass("tooltips_class32"));
    EXPECT_TRUE(IsTipClass("TOOLTIPS_CLASS"));
    EXPECT_FALSE(IsTipClass("tooltip"));
    EXPECT_FALSE(IsTipClass("Button"));
}

TEST(Tooltip, LongTextsWrapAtTheMaximumWidthAndTabsAndAmpersandsStay) {
    SetTipOption(200);
    CreateTipFont();
    HDC dc = GetDC(nullptr);
    const SIZE oneLine = MeasureTipText(dc, "Short");
    const SIZE wrapped = MeasureTipText(
        dc, "<r>A long tip text that is certainly wider than two hundred pixels in the status bar font of the system");
    const SIZE amp = MeasureTipText(dc, "&&&&&&&&");
    const SIZE tab = MeasureTipText(dc, "a\tb");
    const SIZE noTab = MeasureTipText(dc, "ab");
    ReleaseDC(nullptr, dc);
    UnhookTooltips();
    EXPECT_LE(wrapped.cx, 200);
    EXPECT_GT(wrapped.cx, 100);
    EXPECT_GE(wrapped.cy, 2 * oneLine.cy);
    EXPECT_GT(amp.cx, 0); // ampersands are drawn, not taken as prefixes
    EXPECT_GT(tab.cx, noTab.cx + 10);
}

namespace {

// The size of a tracking tooltip showing a long text.
SIZE ShownTipSize() {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr, nullptr,
                                 nullptr, nullptr);
    HWND tip = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0,
                               0, 0, owner, nullptr, nullptr, nullptr);
    std::string text = "A tip text long enough to need several lines when it is wrapped at two hundred pixels";
    TTTOOLINFOA tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    tool.hwnd = owner;
    tool.uId = 1;
    tool.lpszText = text.data();
    SendMessageA(tip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageA(tip, TTM_TRACKPOSITION, 0, MAKELPARAM(300, 300));
    SendMessageA(tip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
    RECT r{};
    GetWindowRect(tip, &r);
    SendMessageA(tip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    DestroyWindow(tip);
    DestroyWindow(owner);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

} // namespace

TEST(Tooltip, ATooltipMadeAfterHookingIsSizedToTheWrappedText) {
    const SIZE plain = ShownTipSize();
    EXPECT_GT(plain.cx, 300); // one long line of its own
    SetTipOption(200);
    SetTipAlign(0);
    ASSERT_TRUE(HookTooltips());
    EXPECT_FALSE(HookTooltips());
    const SIZE taken = ShownTipSize();
    UnhookTooltips();
    EXPECT_LE(taken.cx, 200 + 2 * (GetSystemMetrics(SM_CXBORDER) + 1));
    EXPECT_GT(taken.cx, 100);
    EXPECT_GT(taken.cy, plain.cy); // more than one line
}
