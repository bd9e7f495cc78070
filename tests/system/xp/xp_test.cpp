// Quillmara as Windows XP runs it: Wine answers the version calls as XP for
// this test program and for Quillmara's program file, and the calls that
// came with Vista are missing (the look-ups fail). The program starts and
// scans; a Run value and a startup file are disabled and enabled; a startup
// folder reached through a link is refused, as on Vista.
#include <gtest/gtest.h>

#include <windows.h>

#include "changes/entry_changes.h"
#include "registry/access.h"
#include "registry/values.h"
#include "support/app_driver.h"
#include "support/entry_support.h"
#include "support/live_app.h"
#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/late_calls.h"
#include "system/platform.h"
#include "system/winversion.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\WindowsXP";

std::string FileNameOf(const std::string &path) { return path.substr(path.find_last_of('\\') + 1); }

// Wine answers as Windows XP for programs of that file name while the object
// lives (read when such a program starts).
class AsWindowsXP {
  public:
    explicit AsWindowsXP(const std::string &fileName) : key_("Software\\Wine\\AppDefaults\\" + fileName) {
        SetRegString(HKEY_CURRENT_USER, key_, "Version", "winxp");
    }
    ~AsWindowsXP() { DeleteRegTree(HKEY_CURRENT_USER, key_); }
    AsWindowsXP(const AsWindowsXP &) = delete;
    AsWindowsXP &operator=(const AsWindowsXP &) = delete;

  private:
    std::string key_;
};

std::string OwnPath() {
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    return self;
}

bool ValuePresent(const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(HKEY_LOCAL_MACHINE, key));
    return ReadValue(k.get(), name).present;
}

class WindowsXPTest : public testing::Test {
  protected:
    // Under Windows 7 (Wine's own answer) the test starts itself again as XP
    // and passes when that run passes.
    bool RanAsXP() {
        if (IsWinXP())
            return false;
        AsWindowsXP xp(FileNameOf(OwnPath()));
        const std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::string command = "\"";
        command += OwnPath();
        command += "\" --gtest_brief=1 --gtest_filter=WindowsXPTest.";
        command += test;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION started{};
        EXPECT_TRUE(
            CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started));
        DWORD code = 99;
        if (started.hProcess != nullptr) {
            EXPECT_EQ(WaitForSingleObject(started.hProcess, 600000), WAIT_OBJECT_0);
            GetExitCodeProcess(started.hProcess, &code);
            CloseHandle(started.hProcess);
            CloseHandle(started.hThread);
        }
        EXPECT_EQ(code, 0u) << "the run as Windows XP failed";
        return true;
    }
    void SetUp() override { FailLateLookups(true); }
    void TearDown() override { FailLateLookups(false); }
};

TEST_F(WindowsXPTest, RunValueAndStartupFileAreDisabledAndEnabledAndALinkedFolderRefused) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Wine's version setting";
    if (RanAsXP())
        return;
    ASSERT_FALSE(IsVista() || IsLaterThanVista());
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    CapturedLog log;
    ScriptedUi ui;

    const std::string run = kBase + "\\Run";
    SetRegString(HKEY_LOCAL_MACHINE, run, "Tool", "C:\\Tools\\tool.exe /min");
    auto value = ScanAndAddress(15, HKEY_LOCAL_MACHINE, run, "Tool");
    ASSERT_TRUE(value);
    ASSERT_EQ(ToggleEntry(*value, ui), ToggleResult::Disabled);
    EXPECT_TRUE(ValuePresent(run + "\\AutorunsDisabled", "Tool"));
    EXPECT_FALSE(ValuePresent(run, "Tool"));
    auto disabled = ScanAndAddress(15, HKEY_LOCAL_MACHINE, run, "Tool");
    ASSERT_TRUE(disabled);
    ASSERT_EQ(ToggleEntry(*disabled, ui), ToggleResult::Enabled);
    EXPECT_TRUE(ValuePresent(run, "Tool"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, run + "\\AutorunsDisabled\\Tool"));

    TempDir dir;
    const std::string folder = dir / "Startup\\";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "tool.bat", "@echo tool\r\n"));
    auto file = ScanAndAddress(19, nullptr, folder, "tool.bat");
    ASSERT_TRUE(file);
    ASSERT_EQ(ToggleEntry(*file, ui), ToggleResult::Disabled);
    EXPECT_EQ(ReadFileBytes(folder + "AutorunsDisabled\\tool.bat"), "@echo tool\r\n");
    EXPECT_EQ(GetFileAttributesA((folder + "tool.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    auto parked = ScanAndAddress(19, nullptr, folder, "tool.bat");
    ASSERT_TRUE(parked);
    ASSERT_EQ(ToggleEntry(*parked, ui), ToggleResult::Enabled);
    EXPECT_EQ(ReadFileBytes(folder + "tool.bat"), "@echo tool\r\n");
    EXPECT_TRUE(ui.told.empty()) << ui.told.front();

    ASSERT_TRUE(MakeFolderLink(dir / "Startup", dir / "Linked"));
    auto linked = ScanAndAddress(19, nullptr, dir / "Linked\\", "tool.bat");
    ASSERT_TRUE(linked);
    EXPECT_EQ(ToggleEntry(*linked, ui), ToggleResult::Unchanged);
    EXPECT_EQ(ui.told, std::vector<std::string>{"Quillmara: Failed to disable the startup of tool.bat."});
    EXPECT_NE(log.text().find("FolderHasNoLink " + dir / "Linked" + " is a link"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(folder + "tool.bat"), "@echo tool\r\n");
    RemoveFolderLink(dir / "Linked");
}

TEST_F(WindowsXPTest, TheProgramStartsAndScans) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Wine's version setting";
    if (RanAsXP())
        return;
    AsWindowsXP xp(FileNameOf(QuillmaraExe()));
    const RegValue eula = AcceptAgreement();
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", 120000);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 120000));
    app.End();
    RestoreAgreement(eula);
}

} // namespace
