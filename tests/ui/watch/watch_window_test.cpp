// Quillmara.exe started from the test under Wine: the Options > Watching
// commands as the user reaches them.
#include <gtest/gtest.h>

#include "registry/values.h"
#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"

namespace {

const char *const kSettings = "Software\\Fernhollowsys\\Quillmara";
const char *const kRun = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr DWORD kStartTimeout = 60000;

RegValue RunValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    RegValue value = ReadValue(key, "Quillmara");
    RegCloseKey(key);
    return value;
}

TEST(WatchWindow, StartWithWindowsRegistersAndUnregisters) {
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, "Quillmara");
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
    ASSERT_NE(main, nullptr);

    // Registering: the executable's path and " /Watch", no quotes.
    PostMessageA(main, WM_COMMAND, IDM_STARTWITHWINDOWS, 0);
    ASSERT_TRUE(WaitUntil([] { return RunValue().present; }, 20000));
    const RegValue value = RunValue();
    EXPECT_EQ(value.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(value.Text(), QuillmaraExe() + " /Watch");

    // Removed meanwhile by another program: the command says so.
    ASSERT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 20000));
    RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kRun, "Quillmara");
    PostMessageA(main, WM_COMMAND, IDM_STARTWITHWINDOWS, 0);
    HWND box = WaitForBox(app.pid(), "Quillmara", 10000);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(ReadBox(box).prompt, "Failed to delete program from startup.");
    AnswerBox(box, IDOK);

    // Still checked: the next click removes the value registered again.
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, kRun, "Quillmara", REG_SZ, value.data.data(),
                    static_cast<DWORD>(value.data.size()));
    PostMessageA(main, WM_COMMAND, IDM_STARTWITHWINDOWS, 0);
    EXPECT_TRUE(WaitUntil([] { return !RunValue().present; }, 10000));
    // The snapshot the registration built goes with the program.
    app.End();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
}

} // namespace
