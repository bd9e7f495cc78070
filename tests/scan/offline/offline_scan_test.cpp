// A whole scan of an offline installation as the main window runs it: the
// drive found through boot.ini, its SOFTWARE, SYSTEM and user hives loaded
// under the "_REMOTE_" names, every location scanned, and everything unloaded
// again afterwards.
#include <gtest/gtest.h>

#include "registry/access.h"
#include "registry/hives.h"
#include "scan/driver.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/offline_install.h"
#include "ui/scan_sequence.h"
#include "support/testing.h"
#include "system/files.h"

namespace {

const std::string kRunPath = "Microsoft\\Windows\\CurrentVersion\\Run";

// The main window's scan sequence for installation `selected`.
void FullScan(short selected) {
    ResetLocations(ScanLocations());
    OpenKeys().assign(1, KeyTrack{});
    UnloadRemoteHives(); // while listed: under Wine only listed hives are unloaded
    LoadedHives().assign(1, LoadedHive{});
    ProfilesDir().clear();
    GetDriveList();
    LoadEnvironment();
    SelectedOS() = selected;
    if (selected > 0) {
        const std::string windows = ScanLocations()[0].Entries[static_cast<size_t>(selected)].ImagePath;
        LoadHive(windows + "\\system32\\config\\software", HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
        LoadHive(windows + "\\system32\\config\\system", HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
        LoadUserHives();
    }
    LoadPaths();
    SetScope(false);
}

// The main window's hive unloading.
void UnloadAll() { UnloadHives(); }

const StartupEntry *Find(int location, const std::string &name) {
    const auto &entries = ScanLocations()[static_cast<size_t>(location)].Entries;
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].EntryName == name)
            return &entries[i];
    return nullptr;
}

TEST(OfflineScan, ScansTheLoadedHivesOnTheInstallationsDrive) {
    OfflineInstallation install;
    ASSERT_TRUE(install.Build());
    const std::string root = install.drive.root();
    const char d = install.drive.letter();

    GetDriveList();
    LoadEnvironment();
    short selected = 0;
    for (size_t i = 1; i < ScanLocations()[0].Entries.size(); ++i)
        if (ScanLocations()[0].Entries[i].EntryName == root)
            selected = static_cast<short>(i);
    ASSERT_GT(selected, 0);
    ASSERT_EQ(ScanLocations()[0].Entries[static_cast<size_t>(selected)].ImagePath, root + "WINDOWS");

    FullScan(selected);
    EXPECT_EQ(UpperBound(LoadedHives()), 3);
    EXPECT_EQ(ProfilesDir(), root + "Documents and Settings\\");
    const auto &locations = ScanLocations();
    ASSERT_EQ(UpperBound(locations), 68);
    for (int n = 1; n <= 68; ++n)
        EXPECT_EQ(locations[static_cast<size_t>(n)].Scope % 2, 0) << n;
    EXPECT_EQ(locations[15].Scope, 2);

    const StartupEntry *tool = Find(15, "Tool");
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->ImagePath, root + "WINDOWS\\tool.exe");
    EXPECT_TRUE(tool->HasFile);
    const StartupEntry *off = Find(15, "Off");
    ASSERT_NE(off, nullptr);
    EXPECT_TRUE(off->Disabled);
    EXPECT_EQ(off->ImagePath, std::string(1, d) + ":\\Tools\\off.exe");
    EXPECT_FALSE(off->HasFile);

    const auto &userRun = locations[24];
    ASSERT_EQ(UpperBound(userRun.Passes), 1);
    EXPECT_EQ(userRun.Passes[1].KeyText, "HKEY_USERS\\_REMOTE_Ann\\SOFTWARE\\" + kRunPath);
    const StartupEntry *userTool = Find(24, "UserTool");
    ASSERT_NE(userTool, nullptr);
    EXPECT_EQ(userTool->ImagePath, root + "Tools\\u.exe");
    EXPECT_TRUE(userTool->HasFile);

    const StartupEntry *service = nullptr;
    for (const auto &e : locations[48].Entries)
        if (e.ImagePath == root + "WINDOWS\\system32\\offsvc.exe")
            service = &e;
    EXPECT_NE(service, nullptr);
    EXPECT_EQ(locations[48].Passes[1].KeyText, "HKEY_LOCAL_MACHINE\\_REMOTE_SYSTEM\\ControlSet001\\Services");

    // Nothing of the running system was listed.
    EXPECT_EQ(Find(15, "QmNeverThere"), nullptr);
    for (size_t i = 1; i < locations[15].Passes.size(); ++i)
        EXPECT_EQ(locations[15].Passes[i].KeyText.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\"), std::string::npos);

    CapturedLog log;
    UnloadAll();
    EXPECT_TRUE(log.lines().empty()) << log.text();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "_REMOTE_Ann"));
    EXPECT_FALSE(RemoteHivesLoaded());
    for (size_t i = 1; i < OpenKeys().size(); ++i)
        EXPECT_EQ(OpenKeys()[i].hKey, nullptr) << OpenKeys()[i].KeyName;

    // The running system afterwards: no offline entry, Scope as built.
    FullScan(0);
    EXPECT_EQ(ScanLocations()[15].Scope, 1);
    EXPECT_EQ(Find(15, "Tool"), nullptr);
    UnloadAll();
    ResetLocations(ScanLocations());
    SelectedOS() = 0;
}

// Profile folders that an offline installation names on a share (its
// profiles folder, a profile of its list) are never read: no pass is made
// for them and no user hive is loaded from there.
TEST(OfflineScan, ProfilesOnASharedFolderAreNotRead) {
    OfflineInstallation install;
    ASSERT_TRUE(install.Build());
    const std::string software = "SOFTWARE\\QuillmaraTests\\OfflineHives\\software";
    const std::string list = software + "\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
    SetRegString(HKEY_LOCAL_MACHINE, list, "ProfilesDirectory", "\\\\qmserver\\share\\Profiles");
    SetRegString(HKEY_LOCAL_MACHINE, list + "\\S-1-5-18", "ProfileImagePath", "C:\\Documents and Settings\\Ann");
    SetRegString(HKEY_LOCAL_MACHINE, list + "\\S-1-5-19", "ProfileImagePath", "\\??\\UNC\\qmserver\\share\\Bob");
    SetRegString(HKEY_LOCAL_MACHINE, list + "\\S-1-5-20", "ProfileImagePath", "\\\\qmserver\\share\\Cy");
    ASSERT_TRUE(SaveHiveFile(software, install.drive / "WINDOWS\\system32\\config\\software"));
    GetDriveList();
    LoadEnvironment();
    short selected = 0;
    for (size_t i = 1; i < ScanLocations()[0].Entries.size(); ++i)
        if (ScanLocations()[0].Entries[i].EntryName == install.drive.root())
            selected = static_cast<short>(i);
    ASSERT_GT(selected, 0);

    // Unloaded however the test ends, so that nothing is left for the next one.
    struct Unload {
        ~Unload() {
            UnloadAll();
            ResetLocations(ScanLocations());
            SelectedOS() = 0;
        }
    } unload;
    FullScan(selected);
    EXPECT_EQ(ProfilesDir().find("qmserver"), std::string::npos) << ProfilesDir();
    EXPECT_EQ(UpperBound(LoadedHives()), 2);
    const auto &passes = ScanLocations()[19].Passes;
    ASSERT_EQ(UpperBound(passes), 1);
    EXPECT_EQ(passes[1].KeyText.find(install.drive / "Documents and Settings\\Ann\\"), 0u) << passes[1].KeyText;
}

} // namespace
