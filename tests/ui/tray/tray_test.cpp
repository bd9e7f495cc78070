// The notification-area form in the test's own process: the icon's callback,
// the icon record, its menu, "Protect Startups" with and without watching,
// "Run Quillmara" after a start in watch mode, and the closing questions.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "changes/watch.h"
#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"
#include "system/folder_trust.h"
#include "ui/help_file.h"
#include "ui/shell_helpers.h"
#include "ui/closing.h"
#include "ui/msgbox.h"
#include "ui/tray_form.h"
#include "ui/tray_icon.h"

namespace {

// The main window as the form sees it: a plain hidden window and counters.
class FakeHost : public TrayHost {
  public:
    FakeHost() {
        main = CreateWindowExA(0, "STATIC", "main", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr, nullptr, nullptr,
                               nullptr);
    }
    ~FakeHost() override { DestroyWindow(main); }
    HWND MainHwnd() override { return main; }
    void SetWatchRunning(bool on) override { running = on, timerCalls.push_back(on); }
    bool WatchChecked() override { return checked; }
    bool WatchingEnabled() override { return enabled; }
    void ToggleWatch() override {
        ++toggles;
        checked = !checked;
        if (!switchOnWorks && checked)
            checked = false;
        Watch().trayChecked = checked;
    }
    void Refresh() override { ++refreshes; }
    void ShowAbout(HWND owner) override { aboutOwner = owner; }
    void ExitProgram() override { ++exits; }

    HWND main = nullptr;
    bool running = false, checked = false, enabled = true, switchOnWorks = true;
    int toggles = 0, refreshes = 0, exits = 0;
    std::vector<bool> timerCalls;
    HWND aboutOwner = nullptr;
};

class Tray : public testing::Test {
  protected:
    void SetUp() override { Watch() = WatchState{}; }
    void TearDown() override {
        SetBoxAnswerer(nullptr);
        Watch() = WatchState{};
    }
    // Answers every box with answer and records what it asked.
    void AnswerBoxes(int answer) {
        SetBoxAnswerer([this, answer](const BoxRequest &r) {
            asked.push_back(r);
            return answer;
        });
    }
    std::vector<BoxRequest> asked;
};

std::string MenuText(HMENU menu, int position) {
    char text[128] = {};
    GetMenuStringA(menu, static_cast<UINT>(position), text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST(TrayCallback, OnlyADoubleClickAndARightButtonReleaseAct) {
    EXPECT_EQ(TrayCallbackAction(WM_LBUTTONDBLCLK), TrayAction::ShowMain);
    EXPECT_EQ(TrayCallbackAction(WM_RBUTTONUP), TrayAction::OpenMenu);
    // The message is in the low word; whatever the high word holds.
    EXPECT_EQ(TrayCallbackAction(MAKELPARAM(WM_RBUTTONUP, 7)), TrayAction::OpenMenu);
    for (UINT other : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK, WM_MBUTTONUP})
        EXPECT_EQ(TrayCallbackAction(other), TrayAction::None) << other;
}

TEST(TrayIconRecord, FirstLayoutWithTheCaptionAsTipPaddedWithBlanks) {
    HWND form = reinterpret_cast<HWND>(0x1234);
    const NOTIFYICONDATAA add = TrayIconRecord(form, nullptr, "Quillmara");
    EXPECT_EQ(add.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V1_SIZE));
    EXPECT_EQ(add.hWnd, form);
    EXPECT_EQ(add.uID, 1u);
    EXPECT_EQ(add.uFlags, 7u);
    EXPECT_EQ(add.uCallbackMessage, 512u);
    const std::string tip(add.szTip, 64);
    EXPECT_EQ(tip, std::string("Quillmara") + '\0' + std::string(64 - 10, ' '));
    // A caption too long for the field keeps 63 characters and its NUL.
    const NOTIFYICONDATAA longer = TrayIconRecord(form, nullptr, std::string(80, 'x'));
    EXPECT_EQ(std::string(longer.szTip), std::string(63, 'x'));
    // Removing finds the icon by the same window and identifier.
    const NOTIFYICONDATAA remove = TrayIconRecord(form, nullptr, "");
    EXPECT_EQ(remove.hWnd, form);
    EXPECT_EQ(remove.uID, 1u);
    EXPECT_EQ(remove.szTip[0], '\0');
}

TEST(TrayIcon, AnimationsWithoutANotificationAreaOnlyLeaveTheWindowAsItWas) {
    HWND wnd =
        CreateWindowExA(0, "STATIC", "w", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    AnimateToTray(wnd);
    EXPECT_FALSE(IsWindowVisible(wnd));
    ShowWindow(wnd, SW_SHOWNOACTIVATE);
    AnimateFromTray(wnd);
    EXPECT_TRUE(IsWindowVisible(wnd));
    SetTopmost(wnd);
    EXPECT_NE(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    SetNotTopmost(wnd);
    EXPECT_EQ(GetWindowLongA(wnd, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    DestroyWindow(wnd);
}

TEST_F(Tray, TheFormIsHiddenOfItsOwnClassWithItsMenu) {
    FakeHost host;
    TrayForm form(host);
    ASSERT_TRUE(form.Load());
    EXPECT_FALSE(IsWindowVisible(form.hwnd()));
    EXPECT_EQ(ClassOf(form.hwnd()), "QuillmaraTray");
    EXPECT_EQ(TextOf(form.hwnd()), "Quillmara");
    HMENU menu = form.Menu();
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_EQ(MenuText(menu, 0), "   Run Quillmara");
    EXPECT_EQ(MenuText(menu, 1), "   Protect Startups");
    EXPECT_EQ(GetMenuState(menu, 2, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(MenuText(menu, 3), "   Help");
    EXPECT_EQ(MenuText(menu, 4), "   About");
    EXPECT_EQ(MenuText(menu, 5), "   Exit Quillmara");
    // "Protect Startups" follows "   Watching" and the watch state.
    EXPECT_EQ(GetMenuState(menu, IDM_TRAY_PROTECT, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED), 0u);
    host.enabled = false;
    Watch().trayChecked = true;
    form.Menu();
    EXPECT_EQ(GetMenuState(menu, IDM_TRAY_PROTECT, MF_BYCOMMAND) & (MF_CHECKED | MF_GRAYED),
              static_cast<UINT>(MF_CHECKED | MF_GRAYED));
    // About is owned by the form; Exit closes through the main window.
    SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_ABOUT, 0);
    EXPECT_EQ(host.aboutOwner, form.hwnd());
    SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_EXIT, 0);
    EXPECT_EQ(host.exits, 1);
    // Closing the form itself does nothing; unloading destroys it.
    SendMessageA(form.hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(form.loaded());
    form.Unload();
    EXPECT_FALSE(form.loaded());
}

TEST_F(Tray, AStartInWatchModeChecksProtectStartups) {
    Watch().watchAtStart = true;
    FakeHost host;
    TrayForm form(host);
    ASSERT_TRUE(form.Load());
    EXPECT_TRUE(Watch().trayChecked);
    EXPECT_NE(GetMenuState(form.Menu(), IDM_TRAY_PROTECT, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

TEST_F(Tray, TheCallbackShowsTheWindowOrOpensTheMenuAndNothingElse) {
    FakeHost host;
    TrayForm form(host);
    ASSERT_TRUE(form.Load());
    // Moves, single clicks and a right button going down do nothing.
    for (UINT other : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN})
        SendMessageA(form.hwnd(), kTrayCallbackMessage, kTrayIconId, other);
    EXPECT_FALSE(IsWindowVisible(host.main));
    EXPECT_EQ(FindTopWindow(GetCurrentProcessId(), "#32768", ""), nullptr);

    // The right button released opens the menu (closed again by Escape).
    std::atomic<bool> seen{false};
    std::thread closer([&] {
        HWND popup = nullptr;
        WaitUntil(
            [&] {
                popup = FindTopWindow(GetCurrentProcessId(), "#32768", "");
                return popup != nullptr && IsWindowVisible(popup);
            },
            60000);
        seen = popup != nullptr;
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        Sleep(100);
        PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    SendMessageA(form.hwnd(), kTrayCallbackMessage, kTrayIconId, WM_RBUTTONUP);
    closer.join();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(IsWindowVisible(host.main));

    // A double click shows the main window, without leaving it on top.
    SendMessageA(form.hwnd(), kTrayCallbackMessage, kTrayIconId, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(IsWindowVisible(host.main));
    EXPECT_EQ(GetWindowLongA(host.main, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(host.refreshes, 0);
}

TEST_F(Tray, ProtectStartupsWhileWatchingAsksAndOnlyNoStopsWatching) {
    FakeHost host;
    TrayForm form(host);
    ASSERT_TRUE(form.Load());
    host.checked = true;
    Watch().trayChecked = true;
    for (int answer : {IDYES, IDCANCEL}) {
        asked.clear();
        AnswerBoxes(answer);
        SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_PROTECT, 0);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].title, "CONTINUE STARTUP MONITORING?");
        EXPECT_EQ(asked[0].style, 67);
        EXPECT_EQ(asked[0].prompt, "STARTUP MONITORING IS RUNNING.\r\n\r\nDo you want to continue monitoring?\r\n\r\n"
                                   "YES           Continue Startup Monitoring.\r\n"
                                   "NO             Stop Monitoring.\r\n"
                                   "CANCEL     Cancel Change in Monitoring Status.");
        EXPECT_EQ(host.toggles, 0);
        EXPECT_TRUE(Watch().trayChecked);
    }
    asked.clear();
    AnswerBoxes(IDNO);
    SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_PROTECT, 0);
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_EQ(host.toggles, 1);
    EXPECT_FALSE(Watch().trayChecked);
    EXPECT_EQ(GetMenuState(form.Menu(), IDM_TRAY_PROTECT, MF_BYCOMMAND) & MF_CHECKED, 0u);
}

TEST_F(Tray, ProtectStartupsWhileNotWatchingSwitchesOnWithoutAQuestion) {
    FakeHost host;
    TrayForm form(host);
    ASSERT_TRUE(form.Load());
    AnswerBoxes(IDNO);
    SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_PROTECT, 0);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(host.toggles, 1);
    EXPECT_TRUE(Watch().trayChecked);
    // A snapshot that cannot be built leaves the check clear.
    SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_PROTECT, 0); // No: switched off again
    host.switchOnWorks = false;
    SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_PROTECT, 0);
    EXPECT_FALSE(Watch().trayChecked);
}

TEST_F(Tray, RunAfterAWatchStartScansAgainAndRunsTheTimerOnlyWhenWatchingIsWanted) {
    FakeHost host;
    TrayForm form(host);
    ASSERT_TRUE(form.Load());
    for (bool wanted : {true, false}) {
        Watch().watchAtStart = true;
        Watch().watching = true;
        host.checked = wanted;
        host.running = true;
        host.timerCalls.clear();
        host.refreshes = 0;
        ShowWindow(host.main, SW_HIDE);
        SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_RUN, 0);
        EXPECT_EQ(host.refreshes, 1);
        EXPECT_FALSE(Watch().watchAtStart);
        ASSERT_EQ(host.timerCalls.size(), 2u);
        EXPECT_FALSE(host.timerCalls[0]);
        EXPECT_EQ(host.running, wanted);
        EXPECT_TRUE(IsWindowVisible(host.main));
        // Later uses only show the window.
        ShowWindow(host.main, SW_HIDE);
        SendMessageA(form.hwnd(), WM_COMMAND, IDM_TRAY_RUN, 0);
        EXPECT_EQ(host.refreshes, 1);
        EXPECT_TRUE(IsWindowVisible(host.main));
    }
}

TEST(TrayHelp, TheHelpFileLiesInTheHelpFolderBesideTheProgram) {
    EXPECT_EQ(HelpFilePath("C:\\Program Files\\Quillmara\\Quillmara.exe"),
              "C:\\Program Files\\Quillmara\\Help\\Quillmara.chm");
}

TEST(TrayHelp, AHelpFileOthersMayChangeIsNotOpenedAndTheUserIsTold) {
    TempDir dir;
    const std::string help = dir / "Quillmara.chm";
    ASSERT_TRUE(WriteFileBytes(help, "chm"));
    std::vector<std::string> started, told;
    SetProgramStarter([&](const std::string &path, const std::string &arguments, const std::string &) {
        started.push_back(path + " " + arguments);
        return 42L;
    });
    SetBoxAnswerer([&](const BoxRequest &r) {
        told.push_back(r.prompt);
        return IDOK;
    });
    // Under Wine every file reads as owned by the process's user: as Windows
    // would read a file a standard user made.
    OverrideFolderSecurityKept(true);
    OpenHelpFile(help);
    OverrideFolderSecurityKept(std::nullopt);
    EXPECT_TRUE(started.empty());
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0].rfind("Quillmara does not open its help file from where it is", 0), 0u) << told[0];
    EXPECT_NE(told[0].find(help + ": its owner is not"), std::string::npos) << told[0];
    // Where the security is sound (here: not kept) it opens in the viewer.
    OverrideFolderSecurityKept(false);
    OpenHelpFile(help);
    OverrideFolderSecurityKept(std::nullopt);
    SetProgramStarter(nullptr);
    SetBoxAnswerer(nullptr);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].find("hh.exe \"" + help + "\""), std::string::npos) << started[0];
    EXPECT_EQ(told.size(), 1u);
}

struct CloseCase {
    bool alreadyRunning;
    CloseReason reason;
    bool watching;
    int answer;
    CloseOutcome outcome;
    const char *title; // the question asked, nullptr: none
};

TEST(Closing, TheQuestionsAndWhatTheirAnswersDo) {
    const CloseCase cases[] = {
        {false, CloseReason::User, true, IDYES, CloseOutcome::Hide, "CONTINUE STARTUP MONITORING?"},
        {false, CloseReason::User, true, IDNO, CloseOutcome::Exit, "CONTINUE STARTUP MONITORING?"},
        {false, CloseReason::Program, true, IDCANCEL, CloseOutcome::Keep, "CONTINUE STARTUP MONITORING?"},
        {false, CloseReason::User, false, IDNO, CloseOutcome::Keep, "QUIT PROGRAM?"},
        {false, CloseReason::User, false, IDCANCEL, CloseOutcome::Keep, "QUIT PROGRAM?"}, // Escape under Wine
        {false, CloseReason::Program, false, IDYES, CloseOutcome::Exit, "QUIT PROGRAM?"},
        {true, CloseReason::User, true, IDCANCEL, CloseOutcome::Exit, nullptr},
        {false, CloseReason::Other, true, IDCANCEL, CloseOutcome::Exit, nullptr},
        {false, CloseReason::Other, false, IDNO, CloseOutcome::Exit, nullptr},
    };
    for (const CloseCase &c : cases) {
        std::vector<BoxRequest> asked;
        const CloseOutcome outcome =
            DecideClose(c.alreadyRunning, c.reason, c.watching, [&](const std::string &p, int s, const std::string &t) {
                asked.push_back({p, s, t});
                return c.answer;
            });
        EXPECT_EQ(outcome, c.outcome) << c.watching << " " << c.answer;
        if (c.title == nullptr) {
            EXPECT_TRUE(asked.empty());
            continue;
        }
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].title, c.title);
        if (c.watching) {
            EXPECT_EQ(asked[0].style, 67);
            EXPECT_EQ(asked[0].prompt, "STARTUP MONITORING IS RUNNING.\r\n\r\n"
                                       "Do you want to continue startup monitoring?\r\n\r\n"
                                       "YES           Minimize to tray and continue monitoring.\r\n"
                                       "NO             Exit program entirely.\r\n"
                                       "CANCEL     Return to the program.");
        } else {
            EXPECT_EQ(asked[0].style, 68);
            EXPECT_EQ(asked[0].prompt, "Quit Quillmara?");
        }
    }
}

} // namespace
