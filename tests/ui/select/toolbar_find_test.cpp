// The toolbar's buttons, tooltips and held navigation buttons, and the one
// Find dialog, driven in this process.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

#include "resources/ids.h"
#include "ui/find_dialog.h"
#include "ui/commands.h"
#include "ui/toolbar.h"

namespace {

class Parent {
  public:
    Parent() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "QmToolbarTest";
        RegisterClassA(&wc);
        wnd_ = CreateWindowA("QmToolbarTest", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 600, 200, nullptr,
                             nullptr, wc.hInstance, nullptr);
    }
    ~Parent() { DestroyWindow(wnd_); }
    HWND get() const { return wnd_; }

  private:
    HWND wnd_;
};

void Pump(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<int>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    }
}

struct Steps : ToolbarEvents {
    std::vector<int> steps;
    int moves = 0;
    void NavigationStep(int button) override { steps.push_back(button); }
    void ToolbarMouseMove() override { ++moves; }
};

LPARAM Center(const RECT &r) { return MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2); }

struct Requests : FindRequests {
    std::vector<std::pair<std::string, bool>> seen;
    void FindRequested(const std::string &text, bool down) override { seen.emplace_back(text, down); }
};

} // namespace

TEST(Toolbar, ButtonsCommandsAndTooltips) {
    Parent parent;
    Steps events;
    MainToolbar toolbar;
    ASSERT_NE(toolbar.Create(parent.get(), nullptr, 1.0f, &events), nullptr);
    EXPECT_EQ(SendMessageA(toolbar.hwnd(), TB_BUTTONCOUNT, 0, 0), 11);
    EXPECT_TRUE(toolbar.ButtonEnabled(1));
    EXPECT_FALSE(toolbar.ButtonEnabled(3));
    EXPECT_FALSE(toolbar.ButtonEnabled(5));
    EXPECT_TRUE(toolbar.ButtonEnabled(9));
    EXPECT_EQ(ToolbarCommand(1), IDM_SEARCH);
    EXPECT_EQ(ToolbarCommand(4), IDM_DELETE);
    EXPECT_EQ(ToolbarCommand(11), IDM_EXIT);
    EXPECT_EQ(ToolbarCommand(9), 0);
    // The text the toolbar's tooltip asks for.
    NMTTDISPINFOA info{};
    info.hdr.hwndFrom = toolbar.hwnd();
    info.hdr.idFrom = IDC_TOOLBUTTON0 + 8;
    info.hdr.code = TTN_GETDISPINFOA;
    SendMessageA(toolbar.hwnd(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, "Select the previous entry.");
    EXPECT_EQ(ToolbarTooltip(11), "Quit the program and unload any remote hives.");
    // The spacer is narrower on the smallest screens.
    MainToolbar small;
    small.Create(parent.get(), nullptr, 0.8f, &events);
    const RECT wide = toolbar.ButtonRect(6), narrow = small.ButtonRect(6);
    EXPECT_LT(narrow.right - narrow.left, wide.right - wide.left);
}

TEST(Toolbar, HeldRowButtonRepeatsUntilTheMouseIsReleasedAnywhere) {
    Parent parent;
    Steps events;
    MainToolbar toolbar;
    toolbar.Create(parent.get(), nullptr, 1.0f, &events);
    MoveWindow(toolbar.hwnd(), 0, 0, 500, 30, TRUE);
    const RECT next = toolbar.ButtonRect(9);
    SendMessageA(toolbar.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Center(next));
    EXPECT_EQ(events.steps, std::vector<int>{9}); // one step at once
    EXPECT_EQ(GetCapture(), toolbar.hwnd());
    Pump(1550); // four ticks at 300 ms, then every 100 ms
    const size_t held = events.steps.size();
    EXPECT_GE(held, 7u);
    EXPECT_LE(held, 10u);
    // Released far outside the toolbar: the captured mouse still ends it.
    SendMessageA(toolbar.hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(400, 150));
    EXPECT_FALSE(toolbar.repeat().active());
    Pump(400);
    EXPECT_EQ(events.steps.size(), held);
    EXPECT_NE(GetCapture(), toolbar.hwnd());

    // Losing the mouse to another window ends it too.
    events.steps.clear();
    SendMessageA(toolbar.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Center(toolbar.ButtonRect(7)));
    EXPECT_EQ(events.steps, std::vector<int>{7});
    SetCapture(parent.get());
    EXPECT_FALSE(toolbar.repeat().active());
    ReleaseCapture();
    Pump(400);
    EXPECT_EQ(events.steps.size(), 1u);
    // A command button starts nothing.
    SendMessageA(toolbar.hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, Center(toolbar.ButtonRect(1)));
    SendMessageA(toolbar.hwnd(), WM_LBUTTONUP, 0, Center(toolbar.ButtonRect(1)));
    EXPECT_EQ(events.steps.size(), 1u);
}

TEST(FindDialogTest, OneDialogThatReportsRequestsAndOpensAgainAfterClosing) {
    Parent parent;
    Requests requests;
    FindDialog dialog;
    HWND first = dialog.Show(parent.get(), std::string(40, 'x'), &requests);
    ASSERT_NE(first, nullptr);
    char text[64] = {};
    GetDlgItemTextA(first, 1152, text, sizeof(text));
    EXPECT_EQ(std::string(text), std::string(30, 'x'));
    EXPECT_EQ(dialog.Show(parent.get(), "other", &requests), first); // brought forward, not a second one

    SetDlgItemTextA(first, 1152, "Agent");
    SendMessageA(first, WM_COMMAND, IDOK, 0);
    Pump(50);
    ASSERT_EQ(requests.seen.size(), 1u);
    EXPECT_EQ(requests.seen[0], std::make_pair(std::string("Agent"), true));

    SendMessageA(first, WM_COMMAND, IDCANCEL, 0);
    Pump(50);
    EXPECT_EQ(dialog.hwnd(), nullptr);
    HWND second = dialog.Show(parent.get(), "Agent", &requests);
    ASSERT_NE(second, nullptr);
    SendMessageA(second, WM_COMMAND, IDOK, 0);
    Pump(50);
    ASSERT_EQ(requests.seen.size(), 2u);
    EXPECT_EQ(requests.seen[1].first, "Agent");
    dialog.Close();
    EXPECT_EQ(StringFromPointer(nullptr, 10), "");
    EXPECT_EQ(StringFromPointer("abc\0def", 7), "abc");
}
