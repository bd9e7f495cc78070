#include <gtest/gtest.h>

#include "registry/access.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::vector<std::string> KeyTexts(const ScanLocation &loc) {
    std::vector<std::string> texts;
    for (int p = 1; p <= UpperBound(loc.Passes); ++p)
        texts.push_back(loc.Passes[static_cast<size_t>(p)].KeyText);
    return texts;
}

void Relay(int n, bool offline) {
    ScanLocation &loc = ScanLocations()[static_cast<size_t>(n)];
    loc.Passes.assign(1, ScanPass{});
    if (offline)
        loc.Scope += 1;
    RelayUsers(loc.MainKey, (offline ? loc.RemotePath : loc.LocalPath) + loc.Path, loc.Entries, loc.Category, n,
               loc.ValueName, loc.Scope, loc.Passes, ScannedInstallation());
}

class DriverTest : public testing::Test {
  protected:
    void TearDown() override {
        ResetLocations(ScanLocations());
        SelectedOS() = 0;
        ProfilesDir().clear();
    }
};

TEST_F(DriverTest, PerUserPassesFollowTheProfileList) {
    UseInstallations(0);
    LoadPaths();
    const std::string extra = kProfileList + "\\S-1-5-21-9-9-9-1001";
    TestKey profile(HKEY_LOCAL_MACHINE, extra);
    SetRegString(HKEY_LOCAL_MACHINE, extra, "ProfileImagePath", "C:\\users\\nobody");

    Relay(24, false);
    const auto texts = KeyTexts(ScanLocations()[24]);
    // The list does not begin with the system account: it gets the first pass.
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], "HKEY_USERS\\S-1-5-18\\" + kRun);
    EXPECT_EQ(texts[1], "HKEY_USERS\\S-1-5-21-0-0-0-1000\\" + kRun);
    EXPECT_EQ(texts[2], "HKEY_USERS\\S-1-5-21-9-9-9-1001\\" + kRun);
}

TEST_F(DriverTest, OfflinePerUserPassesOnePerRemoteHive) {
    UseInstallations(1);
    LoadPaths();
    TestKey alice(HKEY_USERS, "_REMOTE_Alice");
    TestKey bob(HKEY_USERS, "_REMOTE_Bob");
    SetRegString(HKEY_USERS, "_REMOTE_Alice\\" + kRun, "Tool", "C:\\Tools\\tool.exe");
    Relay(24, true);
    const auto &loc = ScanLocations()[24];
    EXPECT_EQ(KeyTexts(loc),
              (std::vector<std::string>{"HKEY_USERS\\_REMOTE_Alice\\" + kRun, "HKEY_USERS\\_REMOTE_Bob\\" + kRun}));
    ASSERT_EQ(UpperBound(loc.Entries), 1);
    EXPECT_EQ(loc.Entries[1].ImagePath, "Q:\\Tools\\tool.exe");
    EXPECT_EQ(loc.Entries[1].PassIndex, 1);

    // Location 62 has no prefix: the key sits directly in each user's hive.
    Relay(62, true);
    EXPECT_EQ(KeyTexts(ScanLocations()[62])[0], "HKEY_USERS\\_REMOTE_Alice\\Control Panel\\Desktop");
}

TEST_F(DriverTest, FolderPassesPerProfileOnTheScannedDrive) {
    UseInstallations(1);
    LoadPaths();
    TestKey list(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
    const std::string remoteList = "_REMOTE_SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    SetRegString(HKEY_LOCAL_MACHINE, remoteList + "\\S-1-5-21-1", "ProfileImagePath", "C:\\Users\\Ann");
    SetRegString(HKEY_LOCAL_MACHINE, remoteList + "\\S-1-5-21-2", "ProfileImagePath", "%SystemDrive%\\Users\\Ben",
                 REG_EXPAND_SZ);
    CreateRegKey(HKEY_LOCAL_MACHINE, remoteList + "\\S-1-5-21-3"); // no folder: no pass
    Relay(19, true);
    EXPECT_EQ(KeyTexts(ScanLocations()[19]),
              (std::vector<std::string>{"Q:\\Users\\Ann\\Start Menu\\Programs\\Startup\\",
                                        "Q:\\Users\\Ben\\Start Menu\\Programs\\Startup\\"}));
}

TEST_F(DriverTest, ProfilesAndWindowsFolderPasses) {
    UseInstallations(0);
    LoadPaths();
    Relay(18, false);
    EXPECT_EQ(KeyTexts(ScanLocations()[18]),
              (std::vector<std::string>{"C:\\users\\All Users\\Start Menu\\Programs\\Startup\\"}));
    EXPECT_EQ(ProfilesDir(), "C:\\users\\");
    Relay(47, false);
    EXPECT_EQ(KeyTexts(ScanLocations()[47]), (std::vector<std::string>{"C:\\windows\\Tasks\\"}));
}

TEST_F(DriverTest, ProfilesDirIsCachedAndAMissLogged) {
    UseInstallations(0);
    LoadPaths();
    ProfilesDir() = "X:\\cached\\";
    EXPECT_EQ(GetProfilesDir(), "X:\\cached\\");

    // An offline installation without any profile information.
    UseInstallations(1);
    LoadPaths();
    CapturedLog log;
    const char *saved = getenv("ProfilesDir");
    SetEnvironmentVariableA("ProfilesDir", nullptr);
    EXPECT_EQ(GetProfilesDir(), "");
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Cannot find profile directory!"}));
    if (saved != nullptr)
        SetEnvironmentVariableA("ProfilesDir", saved);
}

TEST_F(DriverTest, ScopeRaisedOnlyWhenBothRemoteHivesOpen) {
    TestKey remoteSoftware(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run", "Offline",
                 "C:\\offline\\o.exe");
    UseInstallations(1);
    LoadPaths();
    // Only the software hive: the running system is scanned.
    ASSERT_TRUE(SetScope(false));
    EXPECT_EQ(ScanLocations()[15].Scope, 1);
    for (int i = 1; i <= UpperBound(ScanLocations()[15].Entries); ++i)
        EXPECT_NE(ScanLocations()[15].Entries[static_cast<size_t>(i)].EntryName, "Offline");

    TestKey system(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    UseInstallations(1);
    LoadPaths();
    ASSERT_TRUE(SetScope(false));
    const auto &loc = ScanLocations()[15];
    EXPECT_EQ(loc.Scope, 2);
    ASSERT_EQ(UpperBound(loc.Entries), 1);
    EXPECT_EQ(loc.Entries[1].EntryName, "Offline");
    EXPECT_EQ(loc.Entries[1].ImagePath, "Q:\\offline\\o.exe");
    EXPECT_EQ(KeyTexts(loc)[0], "HKEY_LOCAL_MACHINE\\_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");

    // Forced: the running system, Scope unchanged.
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    EXPECT_EQ(ScanLocations()[15].Scope, 1);
    EXPECT_EQ(KeyTexts(ScanLocations()[15])[0],
              "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    // Every key opened by the scan was closed again.
    for (size_t i = 1; i < OpenKeys().size(); ++i)
        EXPECT_EQ(OpenKeys()[i].hKey, nullptr) << OpenKeys()[i].KeyName;
}

} // namespace
