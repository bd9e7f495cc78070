// The message box every prompt goes through: each style the program uses
// shows its buttons and gives their result codes, the picture takes the
// icon's place only while a box with an icon is open, and boxes in a row work.
#include <gtest/gtest.h>

#include "changes/change_detect.h"
#include "support/app_driver.h"
#include "ui/closing.h"
#include "ui/font_layout.h"
#include "ui/gdi.h"
#include "ui/msgbox.h"
#include "ui/picture_box.h"
#include "ui/window.h"

namespace {

// A hidden window holding a picture, as the main window holds Pic.
struct PictureHost {
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    PictureBox pic;
    PictureHost() {
        pic.Create(host, 1004, 150, 150, 32, 32, false);
        SetMsgBoxPicture(pic.hwnd());
    }
    ~PictureHost() {
        SetMsgBoxPicture(nullptr);
        DestroyWindow(host);
    }
};

struct StyleCase {
    int style;
    std::vector<int> buttons;
};

TEST(MsgBoxEx, EachStyleShowsItsButtonsAndReturnsTheirCodes) {
    PictureHost host;
    const std::vector<StyleCase> cases = {
        {0, {IDOK}},         {16, {IDOK}}, {20, {IDYES, IDNO}},  {64, {IDOK}},   {67, {IDYES, IDNO, IDCANCEL}},
        {68, {IDYES, IDNO}}, {80, {IDOK}}, {308, {IDYES, IDNO}}, {4160, {IDOK}}, {4163, {IDYES, IDNO, IDCANCEL}}};
    for (const StyleCase &c : cases) {
        for (int answer : c.buttons) {
            BoxAnswerThread answerer([&](const BoxSeen &) { return answer; }, host.pic.hwnd());
            const int result = MsgBoxEx("Prompt for style " + std::to_string(c.style), c.style, "STYLE TEST");
            EXPECT_EQ(result, answer) << "style " << c.style;
            const auto seen = answerer.seen();
            ASSERT_EQ(seen.size(), 1u) << "style " << c.style;
            std::vector<int> shown = seen[0].buttons, wanted = c.buttons;
            std::sort(shown.begin(), shown.end());
            std::sort(wanted.begin(), wanted.end());
            EXPECT_EQ(shown, wanted) << "style " << c.style;
            EXPECT_EQ(seen[0].title, "STYLE TEST");
            EXPECT_EQ(seen[0].prompt, "Prompt for style " + std::to_string(c.style));
        }
    }
}

// Enter answers with the default button: No on the delete confirmation,
// also when no button of the box has the keyboard (Wine's box otherwise
// reports OK as its default).
TEST(MsgBoxEx, EnterOnTheDeleteConfirmationAnswersNo) {
    BoxAnswerThread answerer([](const BoxSeen &) { return 0; });
    EXPECT_EQ(MsgBoxEx("Delete it?", BoxStyle::kYesNoWarnDefaultNo, "Quillmara"), IDNO);
    EXPECT_EQ(MsgBoxEx("Quit Quillmara?", BoxStyle::kYesNoInfo, "QUIT PROGRAM?"), IDYES);
    EXPECT_EQ(MsgBoxEx("Allow it?", BoxStyle::kYesNoCancelInfoSystemModal, "STARTUP CHANGE"), IDYES);
    EXPECT_EQ(DefaultButtonId(BoxStyle::kYesNoWarnDefaultNo), IDNO);
    EXPECT_EQ(DefaultButtonId(BoxStyle::kOkCriticalInfo), IDOK);
}

TEST(MsgBoxEx, ThePictureSitsInABoxWithAnIconAndGoesBackHiddenAfterwards) {
    PictureHost host;
    BoxAnswerThread answerer([](const BoxSeen &) { return IDOK; }, host.pic.hwnd());
    EXPECT_EQ(MsgBoxEx("With an icon", BoxStyle::kOkInfo, "Quillmara"), IDOK);
    EXPECT_EQ(MsgBoxEx("Without an icon", BoxStyle::kOk, "Quillmara"), IDOK);
    EXPECT_EQ(MsgBoxEx("With an icon again", BoxStyle::kOkInfo, "Quillmara"), IDOK);
    const auto seen = answerer.seen();
    ASSERT_EQ(seen.size(), 3u);
    // In the box, visible, in place of the standard icon.
    EXPECT_EQ(seen[0].pictureParentWas, seen[0].box);
    EXPECT_TRUE(seen[0].pictureVisible);
    EXPECT_FALSE(seen[0].iconShown);
    // No icon, no picture: it stays hidden in its own window.
    EXPECT_EQ(seen[1].pictureParentWas, host.host);
    EXPECT_FALSE(seen[1].pictureVisible);
    // The second box with an icon gets it again.
    EXPECT_EQ(seen[2].pictureParentWas, seen[2].box);
    // Afterwards: back and hidden.
    EXPECT_EQ(GetParent(host.pic.hwnd()), host.host);
    EXPECT_FALSE(IsWindowVisible(host.pic.hwnd()));
    RECT r{};
    GetWindowRect(host.pic.hwnd(), &r);
    POINT p{r.left, r.top};
    ScreenToClient(host.host, &p);
    EXPECT_EQ(p.x, 150);
    EXPECT_EQ(p.y, 150);
}

TEST(MsgBoxEx, AWindowDestroyedBeforeTheBoxDoesNotTakeTheHookAway) {
    PictureHost host;
    // Another window of the thread is destroyed while the box is up: the box
    // keeps its hook, so the picture is still put back when it closes.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    BoxAnswerThread answerer(
        [&](const BoxSeen &) {
            SendMessageA(other, WM_CLOSE, 0, 0);
            return IDOK;
        },
        host.pic.hwnd());
    EXPECT_EQ(MsgBoxEx("Box", BoxStyle::kOkInfo, "Quillmara"), IDOK);
    EXPECT_EQ(GetParent(host.pic.hwnd()), host.host);
    EXPECT_FALSE(IsWindowVisible(host.pic.hwnd()));
}

TEST(MsgBoxEx, CaptionsRenameTheButtonsInOrderAndHidingLeavesNone) {
    const std::vector<std::string> captions = {"Allow", "Deny"};
    std::vector<std::string> texts;
    {
        BoxAnswerThread answerer([&](const BoxSeen &seen) {
            for (int id : {IDYES, IDNO, IDCANCEL})
                texts.push_back(TextOf(GetDlgItem(seen.box, id)));
            return IDNO;
        });
        EXPECT_EQ(MsgBoxEx("Change?", BoxStyle::kYesNoCancelInfo, "STARTUP CHANGE", &captions), IDNO);
    }
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "Allow");
    EXPECT_EQ(texts[1], "Deny");
    EXPECT_NE(texts[2], "Allow");
    BoxAnswerThread answerer([](const BoxSeen &) { return IDOK; });
    EXPECT_EQ(MsgBoxEx("No buttons", BoxStyle::kOk, "Quillmara", nullptr, true), IDOK);
    ASSERT_EQ(answerer.seen().size(), 1u);
    EXPECT_TRUE(answerer.seen()[0].buttons.empty());
}

TEST(MsgBoxEx, TheSeamAnswersWithoutAWindow) {
    std::vector<BoxRequest> asked;
    SetBoxAnswerer([&](const BoxRequest &r) {
        asked.push_back(r);
        return IDNO;
    });
    EXPECT_EQ(MsgBoxEx("Quit Quillmara?", BoxStyle::kYesNoInfo, "QUIT PROGRAM?"), IDNO);
    SetBoxAnswerer(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].prompt, "Quit Quillmara?");
    EXPECT_EQ(asked[0].style, 68);
    EXPECT_EQ(asked[0].title, "QUIT PROGRAM?");
}

} // namespace

// The watch's question about an added entry with a long image path.
std::string ChangePrompt() {
    return ChangePromptText(true, "Reminder", "Logon",
                            "C:\\Program Files\\Alderbrook Software\\Document Library\\Synchronisation Agent\\"
                            "Service Components\\alderbrook-sync-agent.exe",
                            true);
}

// The widest line of a box's prompt against the width of its text, in the
// text's own font.
struct PromptFit {
    int longestLine = 0;
    int textWidth = 0;
    int boxWidth = 0;
    bool buttonsInside = true; // below the text, inside the box
};
PromptFit MeasurePrompt(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    PromptFit fit;
    HDC dc = GetDC(text);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(text, WM_GETFONT, 0, 0)));
    for (const std::string &line : PromptLines(TextOf(text))) {
        RECT r{};
        DrawTextA(dc, line.c_str(), static_cast<int>(line.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | DT_EXPANDTABS | DT_NOPREFIX);
        fit.longestLine = std::max(fit.longestLine, static_cast<int>(r.right));
    }
    SelectObject(dc, old);
    ReleaseDC(text, dc);
    RECT r{};
    GetClientRect(text, &r);
    fit.textWidth = r.right;
    GetWindowRect(box, &r);
    fit.boxWidth = r.right - r.left;
    RECT client{}, textRect{};
    GetClientRect(box, &client);
    GetWindowRect(text, &textRect);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT *>(&textRect), 2);
    for (int id : {IDYES, IDNO}) {
        GetWindowRect(GetDlgItem(box, id), &r);
        MapWindowPoints(nullptr, box, reinterpret_cast<POINT *>(&r), 2);
        fit.buttonsInside = fit.buttonsInside && r.left >= 0 && r.right <= client.right && r.bottom <= client.bottom &&
                            r.top >= textRect.bottom;
    }
    return fit;
}

TEST(MsgBoxEx, TheBoxIsWideEnoughForItsLongestLineUpToTheScreen) {
    EXPECT_EQ(BoxGrowthForLine(300, 200, 260, 1280), 100);
    EXPECT_EQ(BoxGrowthForLine(150, 200, 260, 1280), 0);
    EXPECT_EQ(BoxGrowthForLine(3000, 200, 260, 1280), 1020);
    EXPECT_EQ(PromptLines("a\r\n\r\nb\nc").size(), 4u);

    const std::string delete_ = "Are you sure you want to permanently delete the autorun of "
                                "C:\\Program Files\\Alderbrook Software\\Document Library\\alderbrook-sync-agent.exe ?";
    std::string endless;
    for (int i = 0; i < 150; ++i)
        endless += "Wide words ";
    std::vector<PromptFit> fits;
    BoxAnswerThread answerer([&](const BoxSeen &seen) {
        // The box is widened once it has laid itself out.
        WaitUntil(
            [&] {
                const PromptFit fit = MeasurePrompt(seen.box);
                return fit.textWidth >= fit.longestLine * 103 / 100 + 4 || fit.boxWidth > GetSystemMetrics(SM_CXSCREEN) / 2;
            },
            5000);
        fits.push_back(MeasurePrompt(seen.box));
        return IDNO;
    });
    // The monitoring question is narrow enough for the box's own width: its
    // lines, measured exactly to fit, lost their last glyph when drawn.
    const std::vector<std::string> prompts = {MonitoringClosePrompt(), ChangePrompt(), delete_, endless};
    for (const std::string &prompt : prompts)
        MsgBoxEx(prompt, BoxStyle::kYesNoInfo, "Quillmara");
    ASSERT_EQ(fits.size(), prompts.size());
    // Every line with the room Wine draws it in (up to 3 % wider than measured).
    for (size_t i = 0; i + 1 < fits.size(); ++i)
        EXPECT_GE(fits[i].textWidth, fits[i].longestLine * 103 / 100 + 4) << i;
    for (const PromptFit &fit : fits)
        EXPECT_TRUE(fit.buttonsInside);
    // Longer than the screen: as wide as the screen, and the text wraps.
    EXPECT_LE(fits.back().boxWidth, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_GE(fits.back().boxWidth, GetSystemMetrics(SM_CXSCREEN) * 9 / 10);
}

// At 120 and 144 dots per inch the dialog font is larger: the width the
// prompts ask for still leaves every line the room Wine draws it in.
TEST(MsgBoxEx, EveryLineOfAPromptShowsWholeAtEveryDisplayScale) {
    LOGFONTA design{};
    GetObjectA(UiFont(), sizeof design, &design);
    for (int dpi : {96, 120, 144}) {
        LOGFONTA lf = design;
        lf.lfHeight = MulDiv(lf.lfHeight, dpi, 96);
        const FontHandle font(CreateFontIndirectA(&lf));
        for (const std::string &prompt : {MonitoringClosePrompt(), ChangePrompt(), std::string(kQuitPrompt)}) {
            const int needed = PromptTextWidth(font.get(), prompt);
            for (const std::string &line : PromptLines(prompt))
                EXPECT_LE(TextWidth(font.get(), line) * 103 / 100 + 4, needed) << dpi << " " << line;
        }
    }
}
