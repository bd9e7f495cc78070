// The 32-bit program started on 64-bit Wine: it starts the 64-bit program
// beside it with its own arguments and ends, or, when that is missing, says
// which file to put there.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>

#include "support/app_driver.h"
#include "support/testing.h"

namespace {

// The stand-in for the 64-bit program: writes the command line it was started
// with to the file its first argument names.
const bool kEcho = RegisterChild("echo", [](const std::vector<std::string> &args) {
    if (args.empty())
        return 2;
    const std::string written = args[0] + ".part";
    if (!WriteFileBytes(written, GetCommandLineA()))
        return 3;
    return MoveFileA(written.c_str(), args[0].c_str()) ? 0 : 4;
});

std::string Program32() {
#ifdef QM_PROGRAM32
    std::string path = "Z:" QM_PROGRAM32;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
#else
    return "";
#endif
}

HANDLE Start(const std::string &program, const std::string &arguments) {
    std::string command = "\"" + program + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started))
        return nullptr;
    CloseHandle(started.hThread);
    return started.hProcess;
}

DWORD ExitCodeOf(HANDLE process) {
    DWORD code = 99;
    if (WaitForSingleObject(process, 60000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

TEST(HandOffTest, The32BitProgramStartsThe64BitOneBesideItOrNamesIt) {
    if (sizeof(void *) == 4)
        GTEST_SKIP() << "a 32-bit prefix has no 64-bit side";
    const std::string program32 = Program32();
    if (program32.empty() || GetFileAttributesA(program32.c_str()) == INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << "no 32-bit program built at " << program32 << " (./test.sh builds it)";
    TempDir dir;
    const std::string copy = dir / "Quillmara32.exe";
    ASSERT_TRUE(CopyFileA(program32.c_str(), copy.c_str(), TRUE));

    // Alone, it names the file to copy beside it and starts nothing.
    HANDLE alone = Start(copy, "/Watch");
    ASSERT_NE(alone, nullptr);
    HWND box = WaitForTopWindow(GetProcessId(alone), "#32770", "Quillmara", 60000);
    ASSERT_NE(box, nullptr);
    char text[1024] = {};
    GetWindowTextA(GetDlgItem(box, 0xFFFF), text, sizeof text);
    EXPECT_NE(std::string(text).find("Copy Quillmara.exe to " + dir / "Quillmara.exe"), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(ExitCodeOf(alone), 1u);

    // Beside the 64-bit program, it hands its arguments over as written.
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    ASSERT_TRUE(CopyFileA(self, (dir / "Quillmara.exe").c_str(), TRUE));
    const std::string echoed = dir / "command line.txt";
    const std::string arguments = "--child echo \"" + echoed + "\" /Watch  \"two words\"";
    HANDLE paired = Start(copy, arguments);
    ASSERT_NE(paired, nullptr);
    EXPECT_EQ(ExitCodeOf(paired), 0u);
    ASSERT_TRUE(WaitUntil([&] { return GetFileAttributesA(echoed.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000));
    std::string expected = "\"";
    expected += dir / "Quillmara.exe";
    expected += "\" ";
    expected += arguments;
    EXPECT_EQ(ReadFileBytes(echoed), expected);
    EXPECT_TRUE(WaitUntil([&] { return DeleteFileA((dir / "Quillmara.exe").c_str()) != FALSE; }, 60000));
}

} // namespace
