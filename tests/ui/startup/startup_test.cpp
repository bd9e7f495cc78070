// Quillmara.exe started from the test under Wine: the agreement dialog on a
// first start, its Page Down rule, "I AGREE" writing the setting and opening
// the main window, a second start bringing the first forward or, with the
// mutex held by another program, saying so; and the log's
// start with its "LogPath" setting and the data folder it chooses.
#include <gtest/gtest.h>

#include <algorithm>

#include "changes/settings.h"
#include "registry/values.h"
#include "support/app_driver.h"
#include "support/testing.h"
#include "system/folder_trust.h"
#include "system/handles.h"
#include "system/log.h"
#include "ui/startup.h"

namespace {

const char *const kSettings = "Software\\Fernhollowsys\\Quillmara";
constexpr int kText = 4001, kQuit = 4002, kAgree = 4003;

// Keeps the settings key's values as they were before the test.
class SettingsGuard {
  public:
    SettingsGuard() { saved_ = Read(); }
    ~SettingsGuard() {
        DeleteRegTree(HKEY_LOCAL_MACHINE, kSettings);
        for (const auto &v : saved_)
            RegSetKeyValueA(HKEY_LOCAL_MACHINE, kSettings, v.name.c_str(), v.value.type, v.value.data.data(),
                            static_cast<DWORD>(v.value.data.size()));
    }
    static void Remove(const char *name) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kSettings, name); }

  private:
    static std::vector<NamedRegValue> Read() {
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return {};
        auto values = EnumValues(key);
        RegCloseKey(key);
        return values;
    }
    std::vector<NamedRegValue> saved_;
};

RegValue SettingValue(const char *name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    RegValue value = ReadValue(key, name);
    RegCloseKey(key);
    return value;
}

constexpr DWORD kStartTimeout = 60000;

TEST(Startup, AFirstStartShowsTheAgreementUntilPageDownAndIAgree) {
    SettingsGuard settings;
    SettingsGuard::Remove("EulaAccepted");
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND dialog = WaitForTopWindow(app.pid(), "#32770", "QUILLMARA LICENSE AGREEMENT", kStartTimeout);
    ASSERT_NE(dialog, nullptr);
    HWND text = FindControl(dialog, kText, "Edit");
    HWND agree = FindControl(dialog, kAgree);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(agree, nullptr);
    EXPECT_EQ(TextOf(agree), "I AGREE");
    EXPECT_EQ(TextOf(FindControl(dialog, kQuit)), "QUIT");
    EXPECT_FALSE(IsWindowEnabled(agree));
    // The agreement text: 53 lines, wrapped by the text box to its width.
    const std::string agreement = TextOf(text);
    EXPECT_EQ(std::count(agreement.begin(), agreement.end(), '\n') + 1, 53);
    const int shown = static_cast<int>(SendMessageA(text, EM_GETLINECOUNT, 0, 0));
    EXPECT_GT(shown, 53);
    RECT box{};
    GetClientRect(text, &box);
    int widest = 0;
    for (int line = 0; line < shown; ++line) {
        const LRESULT first = SendMessageA(text, EM_LINEINDEX, static_cast<WPARAM>(line), 0);
        const LRESULT length = SendMessageA(text, EM_LINELENGTH, static_cast<WPARAM>(first), 0);
        if (length > 0)
            widest = std::max(widest, static_cast<int>(static_cast<short>(LOWORD(SendMessageA(
                                          text, EM_POSFROMCHAR, static_cast<WPARAM>(first + length - 1), 0)))));
    }
    EXPECT_GT(widest, box.right * 3 / 4);

    PostKey(text, VK_DOWN);
    PostKey(text, VK_END);
    PostKey(text, VK_SPACE);
    Sleep(300);
    EXPECT_FALSE(IsWindowEnabled(agree));
    PostKey(text, VK_NEXT);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(agree) != FALSE; }, 60000));

    SendMessageA(agree, BM_CLICK, 0, 0);
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, kStartTimeout));
    const RegValue eula = SettingValue("EulaAccepted");
    EXPECT_TRUE(eula.present);
    EXPECT_EQ(eula.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(eula.data, std::string("\x01\x00\x00\x00", 4));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }, 60000));
    // The start scanned the running system: its folder in the status bar.
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    HWND status = FindControl(main, 1002, "msctls_statusbar32");
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(_stricmp(StatusPanelText(status, 2).c_str(), (std::string("System Path: ") + windows).c_str()), 0)
        << StatusPanelText(status, 2);
    EXPECT_EQ(StatusPanelText(status, 3).rfind("Operating System: ", 0), 0u);

    // A second start shows nothing of its own, ends, and brings the first
    // instance's window back.
    ShowWindow(main, SW_HIDE);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindowVisible(main); }, 60000));
    AppProcess second;
    ASSERT_TRUE(second.Start());
    DWORD code = 0;
    EXPECT_TRUE(second.WaitExit(kStartTimeout, &code));
    EXPECT_TRUE(WaitUntil([&] { return IsWindowVisible(main) != FALSE; }, 60000));
    EXPECT_TRUE(app.Running());
}

TEST(Startup, QuitEndsTheProgramWithoutAcceptingAnything) {
    SettingsGuard settings;
    SettingsGuard::Remove("EulaAccepted");
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND dialog = WaitForTopWindow(app.pid(), "#32770", "QUILLMARA LICENSE AGREEMENT", kStartTimeout);
    ASSERT_NE(dialog, nullptr);
    SendMessageA(FindControl(dialog, kQuit), BM_CLICK, 0, 0);
    EXPECT_TRUE(app.WaitExit(60000));
    EXPECT_FALSE(SettingValue("EulaAccepted").present);
}

TEST(Startup, OnlyADwordOneSkipsTheAgreement) {
    SettingsGuard settings;
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    {
        AppProcess app;
        ASSERT_TRUE(app.Start());
        HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(FindTopWindow(app.pid(), "#32770", "QUILLMARA LICENSE AGREEMENT"), nullptr);
    }
    SetRegString(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", "1");
    AppProcess app;
    ASSERT_TRUE(app.Start());
    EXPECT_NE(WaitForTopWindow(app.pid(), "#32770", "QUILLMARA LICENSE AGREEMENT", kStartTimeout), nullptr);
    EXPECT_EQ(FindTopWindow(app.pid(), "QuillmaraMain", ""), nullptr);
}

TEST(Startup, TheWatchSwitchInTheArgumentsStartsHidden) {
    SettingsGuard settings;
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    AppProcess app;
    ASSERT_TRUE(app.Start("/WATCH"));
    HWND main = WaitForTopWindow(app.pid(), "QuillmaraMain", "Quillmara", kStartTimeout);
    ASSERT_NE(main, nullptr);
    HWND status = FindControl(main, 1002, "msctls_statusbar32");
    // The scan ran (the status bar names the installation), the window stays hidden.
    EXPECT_TRUE(WaitUntil([&] { return !StatusPanelText(status, 2).empty(); }, kStartTimeout));
    Sleep(300);
    EXPECT_FALSE(IsWindowVisible(main));
    EXPECT_EQ(FindTopWindow(app.pid(), "#32770", "Quillmara"), nullptr); // no progress window left
}

TEST(Startup, AMutexHeldWithoutAWindowIsToldNotSwallowed) {
    SettingsGuard settings;
    SetRegDword(HKEY_LOCAL_MACHINE, kSettings, "EulaAccepted", 1);
    // Held by this test, a process with no Quillmara window.
    HANDLE squatter = CreateMutexA(nullptr, TRUE, "Quillmara Mutex");
    ASSERT_NE(squatter, nullptr);
    AppProcess app;
    ASSERT_TRUE(app.Start());
    HWND box = WaitForTopWindow(app.pid(), "#32770", "Quillmara", kStartTimeout);
    ASSERT_NE(box, nullptr);
    char text[512] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_NE(std::string(text).find("no Quillmara window can be found"), std::string::npos) << text;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(app.WaitExit(60000));
    ReleaseMutex(squatter);
    CloseHandle(squatter);
}

TEST(StartLog, WritesTheFirstLineAndKeepsLogPath) {
    SettingsGuard settings;
    const std::string previousFolder = LogFolder();
    // No "LogPath": the default folder, stored.
    SettingsGuard::Remove("LogPath");
    // The line carries the time to the second: it is the one of just before
    // or just after the start.
    const std::string lineBefore = FirstLogLine();
    ASSERT_TRUE(StartLog());
    const std::string lineAfter = FirstLogLine();
    const std::string defaultFolder = LogFolder();
    EXPECT_NE(defaultFolder.find("\\Quillmara"), std::string::npos);
    EXPECT_EQ(SettingValue("LogPath").Text(), defaultFolder);
    const std::string first = ReadFileBytes(defaultFolder + "\\Quillmara.log");
    EXPECT_TRUE(first == lineBefore.substr(0, first.size()) || first == lineAfter.substr(0, first.size())) << first;
    EXPECT_NE(first.find(ExeBaseName() + "\r\n"), std::string::npos);

    // An existing "LogPath": used, and not written again.
    TempDir dir;
    SetRegString(HKEY_LOCAL_MACHINE, kSettings, "LogPath", dir.path());
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettings, 0, KEY_READ, &key), ERROR_SUCCESS);
    FILETIME before{}, after{};
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &before);
    Sleep(20);
    ASSERT_TRUE(StartLog());
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &after);
    RegCloseKey(key);
    EXPECT_EQ(LogFolder(), dir.path());
    EXPECT_EQ(CompareFileTime(&before, &after), 0);
    EXPECT_FALSE(ReadFileBytes(dir / "Quillmara.log").empty());
    EXPECT_TRUE(WriteLog("second line"));
    EXPECT_NE(ReadFileBytes(dir / "Quillmara.log").find("second line\r\n"), std::string::npos);

    // A "LogPath" whose folder was deleted: the default folder again.
    SetRegString(HKEY_LOCAL_MACHINE, kSettings, "LogPath", dir.path() + "\\gone");
    ASSERT_TRUE(StartLog());
    EXPECT_EQ(LogFolder(), defaultFolder);
    EXPECT_EQ(SettingValue("LogPath").Text(), defaultFolder);
    LogFolder() = previousFolder;
}

TEST(StartLog, AFreshDataFolderBesideARefusedOneIsRecordedAndChosenAgain) {
    SettingsGuard settings;
    SettingsGuard::Remove("DataFolder");
    TempDir dir;
    const std::string first = dir / "Quillmara";
    ASSERT_TRUE(CreateDirectoryA(first.c_str(), nullptr));
    std::string folder = StartDataFolder(first), note;
    EXPECT_EQ(folder, first);
    {
        // Someone else's folder (as Windows would read it), held open.
        OverrideFolderSecurityKept(true);
        FileHandle held(CreateFileA(first.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(held);
        EXPECT_TRUE(SettleStartDataFolder(first, folder, note));
        OverrideFolderSecurityKept(std::nullopt);
    }
    EXPECT_TRUE(IsFreshDataFolderName(folder, first)) << folder;
    EXPECT_EQ(SettingValue("DataFolder").Text(), folder);
    EXPECT_EQ(DefaultDataFolder(), folder);
    // The next start takes the recorded folder; a record naming any other
    // folder is passed over.
    UseDataFolder("");
    EXPECT_EQ(StartDataFolder(first), folder);
    EXPECT_EQ(DefaultDataFolder(), folder);
    SetRegString(HKEY_LOCAL_MACHINE, kSettings, "DataFolder", dir.path());
    EXPECT_EQ(StartDataFolder(first), first);
    EXPECT_EQ(DefaultDataFolder(), FirstDataFolder());
}

} // namespace
