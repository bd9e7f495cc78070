// The message box every prompt goes through: each style the program uses
// shows its buttons and gives their result codes, the picture takes the
// icon's place only while a box with an icon is open, and boxes in a row work.
#include <gtest/gtest.h>

#include "support/app_driver.h"
#include "ui/msgbox.h"
#include "ui/picture_box.h"

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
