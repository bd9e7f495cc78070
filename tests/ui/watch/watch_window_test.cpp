// Quillmara.exe started from the test under Wine: the Options > Watching
// commands as the user reaches them.
#include <gtest/gtest.h>

#include <cstdio>

#include "changes/change_detect.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"

namespace {

const char *const kSettings = "Software\\Fernhollowsys\\Quillmara";
const char *const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kStartTimeout = 60000;

// The Run value is named after the program file (Quillmara32 for the 32-bit one).
std::string RunName() {
    const std::string exe = QuillmaraExe();
    return exe.substr(exe.find_last_of('\\') + 1, exe.size() - exe.find_last_of('\\') - 5);
}

RegValue RunValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    RegValue value = ReadValue(key, RunName());
    RegCloseKey(key);
    return value;
}

TEST(WatchWindow, StartWithWindowsRegistersAndUnregisters) {
    UnloadLeftHives();
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, RunName().c_str());
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
    ASSERT_NE(main, nullptr);

    // Registering: the executable's path in quotes and " /Watch".
    PostMessageA(main, WM_COMMAND, IDM_STARTWITHWINDOWS, 0);
    ASSERT_TRUE(WaitUntil([] { return RunValue().present; }, 60000));
    const RegValue value = RunValue();
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    std::string quoted(1, '"');
    quoted += QuillmaraExe();
    EXPECT_EQ(value.Text(), quoted + "\" /Watch");

    // Removed meanwhile by another program: the command says so.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, RunName().c_str());
    PostMessageA(main, WM_COMMAND, IDM_STARTWITHWINDOWS, 0);
    HWND box = WaitForBox(app.pid(), "Quillmara", 60000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).prompt, "Failed to delete program from startup.");
    AnswerBox(box, IDOK);

    // Still checked: the next click removes the value registered again.
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kRun, RunName().c_str(), REG_SZ, value.data.data(),
                    static_cast<DWORD>(value.data.size()));
    PostMessageA(main, WM_COMMAND, IDM_STARTWITHWINDOWS, 0);
    EXPECT_TRUE(WaitUntil([] { return !RunValue().present; }, 60000));
    // The snapshot the registration built goes with the program.
    EXPECT_TRUE(app.End());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
}

std::string RunText(const std::string &key, const char *name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return "<no key>";
    const RegValue v = ReadValue(k, name);
    RegCloseKey(k);
    return v.present ? v.Text() : "<none>";
}

// Waits for the change prompt; the time it took in ms, or -1.
HWND WaitForPrompt(DWORD pid, DWORD timeoutMs, long &ms) {
    const DWORD start = GetTickCount();
    HWND box = WaitForBox(pid, "STARTUP CHANGE", timeoutMs);
    ms = box != nullptr ? static_cast<long>(GetTickCount() - start) : -1;
    return box;
}

TEST(WatchWindow, AnAddedRunValueIsAskedAboutDeniedAndAllowed) {
    UnloadLeftHives();
    TempDir snapshot;
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    SetRegString(HKEY_LOCAL_MACHINE, kSettings, "SnapshotPath", snapshot.path());
    SetRegString(HKEY_LOCAL_MACHINE, kSettings, "SnapshotTaken", "No");
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, "Evil");
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
    ASSERT_NE(main, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kStartTimeout));

    // Watching on: the snapshot is built and its hives are mounted.
    PostMessageA(main, WM_COMMAND, IDM_WATCH, 0);
    const std::string snapRun = std::string("_REMOTE_") + "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    ASSERT_TRUE(WaitUntil([&] { return RunText(snapRun, "x") != "<no key>"; }, 60000));
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));

    // Added: asked within a tick, with the ten lines; No takes it away again.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "Evil", "C:\\evil.exe");
    long ms = 0;
    HWND box = WaitForPrompt(app.pid(), 30000, ms);
    ASSERT_NE(box, nullptr);
    std::printf("[ benchmark ] change prompt on screen %ld ms after the change\n", ms);
    EXPECT_EQ(ReadBox(box).prompt, ChangePromptText(true, "Evil", "Logon", "C:\\evil.exe", true));
    AnswerBox(box, IDNO);
    EXPECT_TRUE(WaitUntil([] { return RunText(kRun, "Evil") == "<none>"; }, 60000));
    EXPECT_EQ(WaitForPrompt(app.pid(), 6000, ms), nullptr);

    // Added again and allowed: the snapshot holds it and asks no more.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "Evil", "C:\\evil.exe");
    box = WaitForPrompt(app.pid(), 30000, ms);
    ASSERT_NE(box, nullptr);
    AnswerBox(box, IDYES);
    EXPECT_TRUE(WaitUntil([&] { return RunText(snapRun, "Evil") == "C:\\evil.exe"; }, 60000));
    EXPECT_NE(ReadFileBytes(snapshot / "15(1).regf").find("Evil"), std::string::npos);
    EXPECT_EQ(WaitForPrompt(app.pid(), 6000, ms), nullptr);
    EXPECT_EQ(RunText(kRun, "Evil"), "C:\\evil.exe");

    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, "Evil");
    EXPECT_TRUE(app.End());
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
}

} // namespace
