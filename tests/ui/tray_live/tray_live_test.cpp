// Quillmara.exe started from the test under Wine: the notification-area form
// and its menu, minimising to the notification area and back, the quit
// question, what the exit gives back, and a second start while the first
// instance is hidden in the notification area.
#include <gtest/gtest.h>

#include <cstdio>

#include "registry/values.h"
#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"

namespace {

const char *const kSettings = "Software\\Fernhollowsys\\Quillmara";
constexpr DWORD kStartTimeout = 60000;

// The agreement counts as accepted while the test runs; each test starts
// with no "_REMOTE_" hive left loaded by an earlier one.
class TrayLive : public testing::Test {
  protected:
    void SetUp() override {
        for (const std::string &name : UnloadLeftHives())
            std::printf("[ note ] %s was left loaded before the test\n", name.c_str());
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            eula_ = ReadValue(key, "EulaAccepted");
            RegCloseKey(key);
        }
        SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    }
    void TearDown() override {
        if (eula_.present)
            SetRegBinary(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", eula_.data, eula_.type);
    }
    RegValue eula_;
};

HWND StartAndWaitForMain(AppProcess &app, const std::string &arguments = "") {
    if (!app.Start(arguments))
        return nullptr;
    return WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
}

// Watching started while it lives builds its snapshot afresh, in a folder of
// its own, whatever snapshot an earlier run left; the settings come back
// afterwards.
class FreshSnapshot {
  public:
    FreshSnapshot() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key) == ERROR_SUCCESS) {
            path_ = ReadValue(key, "SnapshotPath");
            taken_ = ReadValue(key, "SnapshotTaken");
            RegCloseKey(key);
        }
        SetRegString(HKEY_LOCAL_MACHINE, kSettings, "SnapshotPath", folder_.path());
        SetRegString(HKEY_LOCAL_MACHINE, kSettings, "SnapshotTaken", "No");
    }
    ~FreshSnapshot() {
        for (const auto &[name, value] : {std::pair{"SnapshotPath", &path_}, std::pair{"SnapshotTaken", &taken_}})
            if (value->present)
                SetRegBinary(HKEY_LOCAL_MACHINE, kSettings, name, value->data, value->type);
            else
                RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettings, name);
    }
    FreshSnapshot(const FreshSnapshot &) = delete;
    FreshSnapshot &operator=(const FreshSnapshot &) = delete;

  private:
    TempDir folder_;
    RegValue path_, taken_;
};

bool RunValuePresent(const char *run) {
    return RegGetValueA(HKEY_LOCAL_MACHINE, run, "QmHiddenWatch", RRF_RT_ANY, nullptr, nullptr, nullptr) ==
           ERROR_SUCCESS;
}

TEST_F(TrayLive, TheTrayMenuOpensAndTheIconBringsTheMinimisedWindowBack) {
    AppProcess app;
    HWND main = StartAndWaitForMain(app);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kStartTimeout));
    HWND tray = WaitForTopWindow(app.pid(), "QuillmaraTray", "Quillmara", 60000);
    ASSERT_NE(tray, nullptr);
    EXPECT_FALSE(IsWindowVisible(tray));

    // A right click on the icon opens the menu.
    PostMessageA(tray, WM_MOUSEMOVE, 1, WM_RBUTTONUP);
    HWND popup = nullptr;
    EXPECT_TRUE(WaitUntil(
        [&] {
            popup = FindTopWindow(app.pid(), "#32768", "");
            return popup != nullptr && IsWindowVisible(popup);
        },
        60000));
    Sleep(1000); // long enough to be seen on the screen
    PostMessageA(popup, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(popup); }, 60000));

    // Minimize To Tray hides the window; a double click on the icon shows it.
    PostMessageA(main, WM_COMMAND, IDM_MINIMIZE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 60000));
    EXPECT_TRUE(app.Running());
    PostMessageA(tray, WM_MOUSEMOVE, 1, WM_LBUTTONDBLCLK);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));
}

TEST_F(TrayLive, ClosingAsksToQuitAndTheExitGivesEverythingBack) {
    AppProcess app;
    HWND main = StartAndWaitForMain(app);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kStartTimeout));

    // The close box: "Quit Quillmara?"; No keeps the window.
    PostMessageA(main, WM_CLOSE, 0, 0);
    HWND box = WaitForBox(app.pid(), "QUIT PROGRAM?", 60000);
    ASSERT_NE(box, nullptr);
    const BoxSeen seen = ReadBox(box);
    EXPECT_EQ(seen.prompt, "Quit Quillmara?");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO}));
    AnswerBox(box, IDNO);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 60000));
    Sleep(300);
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(IsWindowVisible(main));
    // Escape, which Wine's Yes/No box answers with Cancel, keeps it too.
    PostMessageA(main, WM_CLOSE, 0, 0);
    box = WaitForBox(app.pid(), "QUIT PROGRAM?", 60000);
    ASSERT_NE(box, nullptr);
    PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 60000));
    EXPECT_FALSE(app.WaitExit(1000));
    EXPECT_TRUE(IsWindowVisible(main));

    // A registry editor that runs is ended with the program.
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION regedit{};
    char command[] = "regedit.exe";
    ASSERT_TRUE(CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &regedit));
    CloseHandle(regedit.hThread);
    EXPECT_NE(WaitForTopWindow(regedit.dwProcessId, "RegEdit_RegEdit", "", 60000), nullptr);

    // The File menu's Exit asks the same; Yes ends the program.
    PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
    box = WaitForBox(app.pid(), "QUIT PROGRAM?", 60000);
    ASSERT_NE(box, nullptr);
    AnswerBox(box, IDYES);
    EXPECT_TRUE(app.WaitExit(60000));
    const bool regeditEnded = WaitForSingleObject(regedit.hProcess, 60000) == WAIT_OBJECT_0;
    EXPECT_TRUE(regeditEnded);
    if (!regeditEnded)
        TerminateProcess(regedit.hProcess, 1);
    CloseHandle(regedit.hProcess);
    EXPECT_TRUE(RemoteKeys(HKEY_LOCAL_MACHINE).empty());
    EXPECT_TRUE(RemoteKeys(HKEY_USERS).empty());
}

TEST_F(TrayLive, AWatchStartWhileAnInstanceIsHiddenShowsThatInstance) {
    FreshSnapshot snapshot;
    AppProcess first;
    HWND main = StartAndWaitForMain(first, "/Watch");
    ASSERT_NE(main, nullptr);
    // The first instance finished its start hidden, with its tray form.
    ASSERT_NE(WaitForTopWindow(first.pid(), "QuillmaraTray", "Quillmara", kStartTimeout), nullptr);
    Sleep(300);
    ASSERT_FALSE(IsWindowVisible(main));

    AppProcess second;
    ASSERT_TRUE(second.Start("/Watch"));
    EXPECT_TRUE(second.WaitExit(kStartTimeout));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    // The tray form was not taken for the main window: it stays hidden.
    HWND tray = FindTopWindow(first.pid(), "QuillmaraTray", "");
    ASSERT_NE(tray, nullptr);
    EXPECT_FALSE(IsWindowVisible(tray));
    EXPECT_TRUE(first.Running());
}

TEST_F(TrayLive, ClosingWhileWatchingOffersToKeepMonitoringInTheNotificationArea) {
    FreshSnapshot snapshot;
    AppProcess app;
    HWND main = StartAndWaitForMain(app, "/Watch");
    ASSERT_NE(main, nullptr);
    // Watching runs once the snapshot hives are mounted.
    ASSERT_TRUE(WaitUntil([] { return RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"); }, kStartTimeout));

    // The watch tick starts once the snapshot is built; a close before that
    // asks the quit question, answered No, and the close is tried again.
    HWND box = nullptr;
    for (DWORD start = GetTickCount(); box == nullptr && GetTickCount() - start < kStartTimeout;) {
        PostMessageA(main, WM_CLOSE, 0, 0);
        HWND quit = nullptr;
        WaitUntil(
            [&] {
                box = FindTopWindow(app.pid(), "#32770", "CONTINUE STARTUP MONITORING?");
                quit = FindTopWindow(app.pid(), "#32770", "QUIT PROGRAM?");
                return box != nullptr || quit != nullptr;
            },
            kStartTimeout);
        if (quit == nullptr)
            break;
        AnswerBox(quit, IDNO);
        WaitUntil([&] { return !IsWindow(quit); }, kStartTimeout);
    }
    ASSERT_NE(box, nullptr);
    const BoxSeen seen = ReadBox(box);
    EXPECT_EQ(seen.prompt, "STARTUP MONITORING IS RUNNING.\r\n\r\nDo you want to continue startup monitoring?\r\n\r\n"
                           "YES           Minimize to tray and continue monitoring.\r\n"
                           "NO             Exit program entirely.\r\n"
                           "CANCEL     Return to the program.");
    EXPECT_EQ(seen.buttons, (std::vector<int>{IDYES, IDNO, IDCANCEL}));
    AnswerBox(box, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box); }, 60000));
    Sleep(300);
    EXPECT_TRUE(app.Running());
    EXPECT_FALSE(IsWindowVisible(main));

    EXPECT_NE(FindTopWindow(app.pid(), "QuillmaraTray", ""), nullptr);

    // Hidden in the notification area it keeps watching: a program added to
    // the Run key meanwhile is put to the user, and No takes it away again.
    const char *const run = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    SetRegString(HKEY_LOCAL_MACHINE, run, "QmHiddenWatch", "C:\\hidden-watch.exe");
    HWND change = WaitForBox(app.pid(), "STARTUP CHANGE", 60000);
    EXPECT_NE(change, nullptr);
    if (change != nullptr) {
        EXPECT_NE(ReadBox(change).prompt.find("'QmHiddenWatch'"), std::string::npos);
        AnswerBox(change, IDNO);
        EXPECT_TRUE(WaitUntil([&] { return !RunValuePresent(run); }, 60000));
    }
    if (RunValuePresent(run))
        RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, run, "QmHiddenWatch");

    // No to the same question ends the program with its snapshot hives unloaded.
    EXPECT_TRUE(app.End());
    EXPECT_TRUE(RemoteKeys(HKEY_LOCAL_MACHINE).empty());
    EXPECT_TRUE(RemoteKeys(HKEY_USERS).empty());
}

// Closed while the snapshot for watching is being built (the close comes in
// the events the build lets run), the program ends once the build is over,
// with every hive it loaded unloaded, and asks nothing more after the quit.
TEST_F(TrayLive, ClosedWhileTheSnapshotIsBuiltItEndsWithNoHiveLoaded) {
    FreshSnapshot snapshot;
    AppProcess app;
    HWND main = StartAndWaitForMain(app);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kStartTimeout));
    PostMessageA(main, WM_COMMAND, IDM_WATCH, 0);
    PostMessageA(main, WM_CLOSE, 0, 0);
    std::vector<std::string> boxes;
    const bool ended = WaitUntil(
        [&] {
            if (!app.Running())
                return true;
            if (HWND box = FindTopWindow(app.pid(), "#32770", "")) {
                const BoxSeen seen = ReadBox(box);
                if (seen.prompt.empty())
                    return false; // a dialog of the program, not a question
                boxes.push_back(seen.title);
                AnswerBox(box, seen.title == "QUIT PROGRAM?" ? IDYES : GetDlgItem(box, IDOK) ? IDOK : IDCANCEL);
                WaitUntil([&] { return !IsWindow(box); }, 10000);
            }
            return false;
        },
        kStartTimeout);
    EXPECT_TRUE(ended);
    EXPECT_EQ(boxes, std::vector<std::string>{"QUIT PROGRAM?"});
    EXPECT_EQ(RemoteKeys(HKEY_LOCAL_MACHINE), std::vector<std::string>{});
    EXPECT_EQ(RemoteKeys(HKEY_USERS), std::vector<std::string>{});
    app.End();
}

} // namespace
