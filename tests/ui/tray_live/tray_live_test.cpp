// Quillmara.exe started from the test under Wine: the notification-area form
// and its menu, minimising to the notification area and back, the quit
// question, what the exit gives back, and a second start while the first
// instance is hidden in the notification area.
#include <gtest/gtest.h>

#include "registry/values.h"
#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"

namespace {

const char *const kSettings = "Software\\Fernhollowsys\\Quillmara";
constexpr DWORD kStartTimeout = 60000;

// The agreement counts as accepted while the test runs.
class TrayLive : public testing::Test {
  protected:
    void SetUp() override {
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

std::vector<std::string> RemoteKeys(HKEY root) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (std::string(name).rfind("_REMOTE_", 0) == 0)
            names.push_back(name);
    }
    return names;
}

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
    app.End();
    EXPECT_FALSE(app.Running());
    EXPECT_TRUE(RemoteKeys(HKEY_LOCAL_MACHINE).empty());
    EXPECT_TRUE(RemoteKeys(HKEY_USERS).empty());
}

} // namespace
