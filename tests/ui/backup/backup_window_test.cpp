// The backup and restore commands of Quillmara.exe's main window: the folder
// browser that Restore All and Backup All open, and what a cancel leaves.
#include <gtest/gtest.h>

#include "resources/ids.h"
#include "support/app_driver.h"
#include "support/testing.h"

namespace {

constexpr DWORD kTimeout = 60000;

// The first descendant of wnd whose text begins with text; null when none.
HWND FindText(HWND wnd, const std::string &text) {
    for (HWND child : Descendants(wnd))
        if (TextOf(child).rfind(text, 0) == 0)
            return child;
    return nullptr;
}

// A message box of the program on screen (its hidden progress window, also
// titled with the program's name, does not count).
bool MessageShown(DWORD pid) {
    for (HWND w = nullptr; (w = FindWindowExA(nullptr, w, "#32770", "Quillmara")) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid && IsWindowVisible(w) && !ReadBox(w).prompt.empty())
            return true;
    }
    return false;
}

TEST(BackupWindow, RestoreAllAndBackupAllAskForTheBackupFolderAndACancelSaysNothing) {
    SetRegDword(HKEY_LOCAL_MACHINE, "Software\\Fernhollowsys\\Quillmara", "EulaAccepted", 1);
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kTimeout);
    ASSERT_NE(main, nullptr);
    for (const int command : {IDM_RESTOREALL, IDM_BACKUPALL}) {
        PostMessageA(main, WM_COMMAND, static_cast<WPARAM>(command), 0);
        HWND browser = nullptr;
        ASSERT_TRUE(WaitUntil(
            [&] {
                browser = FindTopWindow(app.pid(), "#32770", "");
                return browser != nullptr && FindText(browser, "Select folder for Registry Backup files. ") != nullptr;
            },
            kTimeout))
            << command;
        EXPECT_NE(
            FindText(browser, "Select folder for Registry Backup files. This location cannot be on read-only media."),
            nullptr);
        AnswerBox(browser, IDCANCEL);
        EXPECT_FALSE(WaitUntil([&] { return MessageShown(app.pid()); }, 1000)) << command;
    }
    EXPECT_TRUE(app.Running());
}

} // namespace
