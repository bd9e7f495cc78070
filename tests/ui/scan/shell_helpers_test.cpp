// The shell and process helpers: the texts of shell results, class
// identifiers, the split of a shell command, and ending processes by their
// exact executable name.
#include <gtest/gtest.h>

#include "support/app_driver.h"
#include "support/testing.h"
#include "ui/shell_helpers.h"

namespace {

TEST(ShellHelpers, ShellResultTexts) {
    EXPECT_EQ(ShellErrText(0), "Out of memory");
    EXPECT_EQ(ShellErrText(1), "Operation successful");
    EXPECT_EQ(ShellErrText(33), "Operation successful");
    EXPECT_EQ(ShellErrText(42), "Operation successful");
    EXPECT_EQ(ShellErrText(2), "File not found");
    EXPECT_EQ(ShellErrText(3), "Path not found");
    EXPECT_EQ(ShellErrText(4), "Unknown error");
    EXPECT_EQ(ShellErrText(5), "Access denied");
    EXPECT_EQ(ShellErrText(8), "Out of memory");
    EXPECT_EQ(ShellErrText(11), "Invalid EXE file or error in EXE image");
    EXPECT_EQ(ShellErrText(26), "A sharing violation occurred");
    EXPECT_EQ(ShellErrText(27), "Incomplete or invalid file association");
    EXPECT_EQ(ShellErrText(28), "DDE Time out");
    EXPECT_EQ(ShellErrText(29), "DDE transaction failed");
    EXPECT_EQ(ShellErrText(30), "DDE busy");
    EXPECT_EQ(ShellErrText(31), "No association for file extension");
    EXPECT_EQ(ShellErrText(32), "DLL not found");
    EXPECT_EQ(ShellErrText(-1), "Unknown error");
}

TEST(ShellHelpers, ClassIdentifiers) {
    std::string id = "{0a1b2c3d-4e5f-6789-abcd-ef0123456789}";
    EXPECT_TRUE(IsClsid(id));
    EXPECT_EQ(id, "{0A1B2C3D-4E5F-6789-ABCD-EF0123456789}"); // upper-cased in place
    std::string bare = "0A1B2C3D-4E5F-6789-ABCD-EF0123456789";
    EXPECT_FALSE(IsClsid(bare));
    std::string notHex = "{0A1B2C3D-4E5F-6789-ABCD-EF012345678G}";
    EXPECT_FALSE(IsClsid(notHex));
    std::string shortOne = "{0A1B2C3D-4E5F-6789-ABCD-EF01234567}";
    EXPECT_FALSE(IsClsid(shortOne));
}

TEST(ShellHelpers, ACommandSplitsIntoProgramAndOneQuotedArgument) {
    std::string program, arguments;
    SplitShellCommand("explorer.exe \"C:\\Program Files\\Some Folder\"", program, arguments);
    EXPECT_EQ(program, "explorer.exe");
    EXPECT_EQ(arguments, "\"C:\\Program Files\\Some Folder\"");
    // A comma in the path makes no Explorer switch; "/select," stays a switch.
    SplitShellCommand("explorer.exe \"/select,C:\\a,b\\x.exe\"", program, arguments);
    EXPECT_EQ(arguments, "/select,\"C:\\a,b\\x.exe\"");
    SplitShellCommand("explorer.exe \"C:\\a,/e\"", program, arguments);
    EXPECT_EQ(arguments, "\"C:\\a,/e\"");
    SplitShellCommand("C:\\Help\\Quillmara.chm", program, arguments);
    EXPECT_EQ(program, "C:\\Help\\Quillmara.chm");
    EXPECT_EQ(arguments, "");
}

// Starts a copy of a plain program under another name; it waits for input.
HANDLE StartCopyAs(const TempDir &dir, const std::string &name) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string copy = dir / name;
    if (!CopyFileA((std::string(system) + "\\notepad.exe").c_str(), copy.c_str(), FALSE))
        return nullptr;
    std::string command = "\"" + copy + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    WaitForInputIdle(pi.hProcess, 60000);
    return pi.hProcess;
}

TEST(ShellHelpers, KillProcessEndsOnlyTheExactName) {
    TempDir dir;
    HANDLE exact = StartCopyAs(dir, "regedit.exe");
    HANDLE longer = StartCopyAs(dir, "xregedit.exe");
    ASSERT_NE(exact, nullptr);
    ASSERT_NE(longer, nullptr);
    EXPECT_TRUE(KillProcess("REGEDIT.EXE"));
    EXPECT_EQ(WaitForSingleObject(exact, 60000), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(longer, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(KillProcess("regedit.exe")); // none left
    TerminateProcess(longer, 0);
    WaitForSingleObject(longer, 5000);
    CloseHandle(exact);
    CloseHandle(longer);
}

} // namespace
