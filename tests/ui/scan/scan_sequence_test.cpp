// The scan sequence on the prefix: the running system alone, an offline
// installation on a drive of its own (found, mounted, scanned, and given up
// again for the running system through the Drive choice and Refresh), missing
// and broken offline hives, and the guard that keeps a Refresh or a watch
// tick from running inside a scan.
#include <gtest/gtest.h>

#include "changes/change_ui.h"
#include "changes/watch.h"
#include "registry/hives.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "support/offline_install.h"
#include "support/testing.h"
#include "system/platform.h"
#include "ui/scan_sequence.h"

namespace {

// Records what the sequence shows; answers its question with `answer`.
struct RecordingHost : ScanHost, ChangeUi {
    int answer = IDYES;
    std::vector<std::string> asked;
    std::vector<InstalledOS> driveMenu;
    int checkedDrive = -1;
    std::string status[4];
    bool watchingEnabled = true;
    bool watchChecked = false;
    bool progressOpen = false;
    bool progressShown = false;
    double progress = 0;
    bool busy = false;
    bool mainShown = false;
    int gridLoads = 0;
    int closes = 0;

    void ShowProgress(bool visible) override {
        progressOpen = true;
        progressShown = visible;
    }
    void SetProgress(double value) override { progress = value; }
    double Progress() override { return progress; }
    void CloseProgress() override { progressOpen = false; }
    void SetBusy(bool b) override { busy = b; }
    void SetDriveMenu(const std::vector<InstalledOS> &list) override { driveMenu = list; }
    void CheckDriveItem(int position) override { checkedDrive = position; }
    void SetStatus(int panel, const std::string &text) override { status[panel] = text; }
    void EnableWatching(bool enabled) override { watchingEnabled = enabled; }
    bool WatchingEnabled() override { return watchingEnabled; }
    bool WatchChecked() override { return watchChecked; }
    void SetWatchChecked(bool checked) override { watchChecked = checked; }
    int Ask(const std::string &prompt, int style, const std::string &title) override {
        asked.push_back(title + "|" + std::to_string(style) + "|" + prompt);
        return answer;
    }
    // The questions and the pointer come through the ChangeUi side.
    ChangeUi &Ui() override { return *this; }
    std::string ChooseFolder(const std::string &) override { return ""; }
    std::string ChooseDataFile(const std::string &) override { return ""; }
    void ShowProgress(const std::string &) override {}
    void HideProgress() override {}
    void ClearGrids() override {}
    void ClearFileInfo() override {}
    void LoadGrids() override { ++gridLoads; }
    void ShowMain(bool visible) override { mainShown = visible; }
    bool CloseMain() override {
        ++closes;
        return true;
    }
    int watchStarts = 0;
    bool guardFreeAtWatchStart = false;
    void StartWatching() override {
        ++watchStarts;
        guardFreeAtWatchStart = !ScanBusy();
    }
};

std::string RunningWindows() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return dir;
}

bool RemoteKeyExists(HKEY root, const std::string &name) { return RegKeyExists(root, name); }

void ExpectEndedSound(const RecordingHost &host) {
    EXPECT_FALSE(host.progressOpen);
    EXPECT_FALSE(host.busy);
    EXPECT_TRUE(host.mainShown);
    EXPECT_FALSE(ScanBusy());
}

class ScanSequence : public testing::Test {
  protected:
    void SetUp() override {
        Choice() = ScanChoice{};
        Watch().skipWatchToggle = false;
        Watch().watchAtStart = false;
    }
    void TearDown() override {
        UnloadHives();
        ResetLocations(ScanLocations());
        SelectedOS() = 0;
        Choice() = ScanChoice{};
        SetEventPump(nullptr);
    }
};

TEST_F(ScanSequence, TheRunningSystemAloneIsOneCheckedDriveItem) {
    RecordingHost host;
    ASSERT_TRUE(LoadScan(host));
    ASSERT_EQ(host.driveMenu.size(), 1u);
    EXPECT_EQ(host.driveMenu[0].Index, 0);
    EXPECT_EQ(_stricmp(host.driveMenu[0].SystemFolder.c_str(), RunningWindows().c_str()), 0);
    EXPECT_EQ(host.checkedDrive, 0);
    EXPECT_EQ(host.status[2], "System Path: " + host.driveMenu[0].SystemFolder);
    EXPECT_EQ(host.status[3].rfind("Operating System: ", 0), 0u);
    EXPECT_TRUE(host.watchingEnabled);
    EXPECT_TRUE(host.progressShown);
    EXPECT_EQ(host.progress, 100);
    EXPECT_EQ(host.gridLoads, 1);
    EXPECT_EQ(SelectedOS(), 0);
    EXPECT_EQ(ScanLocations().size(), 69u);
    EXPECT_TRUE(host.asked.empty());
    ExpectEndedSound(host);
}

// Watching builds and reads the snapshot with scans of its own: a start in
// watch mode switches it on only after the scan has given its guard back.
TEST_F(ScanSequence, AWatchStartSwitchesWatchingOnOutsideTheScan) {
    RecordingHost host;
    Watch().watchAtStart = true;
    Watch().skipWatchToggle = true;
    ASSERT_TRUE(LoadScan(host));
    EXPECT_EQ(host.watchStarts, 1);
    EXPECT_TRUE(host.guardFreeAtWatchStart);
    EXPECT_FALSE(Watch().skipWatchToggle);
    EXPECT_FALSE(host.mainShown);
    EXPECT_FALSE(ScanBusy());
}

TEST_F(ScanSequence, AnOfflineInstallationIsMountedScannedAndGivenUpAgain) {
    OfflineInstallation install;
    ASSERT_TRUE(install.Build());
    RecordingHost host;
    ASSERT_TRUE(LoadScan(host));
    ASSERT_EQ(host.driveMenu.size(), 2u);
    EXPECT_EQ(host.driveMenu[1].SystemFolder, install.WindowsFolder());
    EXPECT_EQ(host.checkedDrive, 1);
    EXPECT_GT(SelectedOS(), 0);
    EXPECT_EQ(Choice().chosenOS, SelectedOS());
    EXPECT_EQ(host.status[2], "System Path: " + install.WindowsFolder());
    EXPECT_EQ(host.status[3], "Operating System: 2000 / XP");
    EXPECT_FALSE(host.watchingEnabled);
    EXPECT_TRUE(RemoteKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_TRUE(RemoteKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
    EXPECT_TRUE(RemoteKeyExists(HKEY_USERS, "_REMOTE_Ann"));
    EXPECT_FALSE(RemoteKeyExists(HKEY_USERS, "_REMOTE_Default User")); // skipped, any case
    EXPECT_FALSE(RemoteKeyExists(HKEY_USERS, "_REMOTE_NoHive"));
    EXPECT_EQ(LoadedHives().size(), 4u);
    EXPECT_EQ(ScanLocations()[15].Scope % 2, 0);
    ExpectEndedSound(host);

    // A Refresh of the same installation keeps the hives and the Drive menu.
    host.driveMenu.clear();
    ASSERT_TRUE(RefreshScan(host));
    EXPECT_TRUE(host.driveMenu.empty());
    EXPECT_TRUE(RemoteKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_EQ(ScanLocations()[15].Scope % 2, 0);
    ExpectEndedSound(host);

    // The running system chosen: only the check marks change...
    ASSERT_TRUE(ChooseDrive(host, 0));
    EXPECT_EQ(host.checkedDrive, 0);
    EXPECT_TRUE(RemoteKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    // ...until Refresh unloads every hive and scans the running system.
    ASSERT_TRUE(RefreshScan(host));
    EXPECT_EQ(SelectedOS(), 0);
    EXPECT_FALSE(RemoteKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_FALSE(RemoteKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
    EXPECT_FALSE(RemoteKeyExists(HKEY_USERS, "_REMOTE_Ann"));
    EXPECT_EQ(LoadedHives().size(), 1u);
    EXPECT_TRUE(host.watchingEnabled);
    EXPECT_EQ(host.checkedDrive, 0);
    EXPECT_EQ(host.driveMenu.size(), 2u);
    EXPECT_EQ(ScanLocations()[15].Scope % 2, 1);
    ExpectEndedSound(host);
}

// Under Wine an unload deletes a key that is no hive with all it holds: keys
// of the "_REMOTE_" names that this program did not load survive the start-up
// scan's clean-up and the unloading at exit, each with one log line.
TEST_F(ScanSequence, RemoteNamedKeysItDidNotLoadSurviveStartAndExit) {
    TestKey system(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    TestKey user(HKEY_USERS, "_REMOTE_QmPlain");
    SetRegString(HKEY_LOCAL_MACHINE, system.path() + "\\Select", "Current", "1");
    SetRegString(HKEY_USERS, user.path(), "Keep", "me");
    CapturedLog log;
    RecordingHost host;
    ASSERT_TRUE(LoadScan(host));
    EXPECT_EQ(SelectedOS(), 0);
    UnloadHives();
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, system.path() + "\\Select"));
    EXPECT_TRUE(RegKeyExists(HKEY_USERS, user.path()));
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"Non-zero return unloading hive _REMOTE_SYSTEM : 87",
                                                     "Non-zero return unloading hive _REMOTE_QmPlain : 87"}));
}

TEST_F(ScanSequence, MissingOfflineHivesFallBackToTheRunningSystemWithALogLine) {
    OfflineDrive drive;
    ASSERT_TRUE(drive.WriteBootIni("multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"));
    ASSERT_TRUE(drive.MakeWindowsFolder("WINDOWS"));
    ASSERT_TRUE(drive.WriteConfigFile("WINDOWS", "system", "x"));
    CapturedLog log;
    RecordingHost host;
    ASSERT_TRUE(LoadScan(host));
    EXPECT_EQ(SelectedOS(), 0);
    EXPECT_EQ(host.checkedDrive, 0);
    EXPECT_TRUE(host.watchingEnabled);
    EXPECT_TRUE(host.asked.empty());
    EXPECT_NE(log.text().find("Remote hives for " + (drive / "WINDOWS") + " not found."), std::string::npos)
        << log.text();
    ExpectEndedSound(host);
}

TEST_F(ScanSequence, AHiveThatCannotBeLoadedAsksAndYesScansTheRunningSystem) {
    OfflineDrive drive;
    ASSERT_TRUE(drive.MakeUnloadableInstallation());
    RecordingHost host;
    host.answer = IDYES;
    ASSERT_TRUE(LoadScan(host));
    ASSERT_EQ(host.asked.size(), 1u);
    EXPECT_EQ(host.asked[0], "ERROR LOADING REMOTE HIVES|20|Unable to load remote hives. Scan current system?");
    EXPECT_EQ(SelectedOS(), 0);
    EXPECT_TRUE(host.watchingEnabled);
    EXPECT_EQ(host.closes, 0);
    ExpectEndedSound(host);

    // No: the program ends through the window's close; nothing is scanned.
    RecordingHost noHost;
    noHost.answer = IDNO;
    EXPECT_FALSE(LoadScan(noHost));
    EXPECT_EQ(noHost.closes, 1);
    EXPECT_FALSE(noHost.busy);
    EXPECT_EQ(noHost.gridLoads, 0);
}

TEST_F(ScanSequence, NoScanRunsInsideAnotherFromTheEventsItLetsThrough) {
    OfflineInstallation install; // a boot file to read and entries with files
    ASSERT_TRUE(install.Build());
    RecordingHost host;
    int pumps = 0, refreshRefused = 0, tickRefused = 0, driveRefused = 0;
    SetEventPump([&] {
        ++pumps;
        RecordingHost inner;
        if (!RefreshScan(inner))
            ++refreshRefused;
        if (!WatchRescan())
            ++tickRefused;
        if (!ChooseDrive(inner, 0))
            ++driveRefused;
        EXPECT_FALSE(inner.mainShown);
    });
    ASSERT_TRUE(LoadScan(host));
    SetEventPump(nullptr);
    EXPECT_GT(pumps, 3);
    EXPECT_EQ(refreshRefused, pumps);
    EXPECT_EQ(tickRefused, pumps);
    EXPECT_EQ(driveRefused, pumps);
    // The scan itself ran whole: the offline entry with its file found.
    EXPECT_GT(SelectedOS(), 0);
    bool found = false;
    for (const auto &e : ScanLocations()[15].Entries)
        found = found || (e.EntryName == "Tool" && e.HasFile);
    EXPECT_TRUE(found);
    // And after it, a Refresh runs again.
    EXPECT_TRUE(RefreshScan(host));
    UnloadHives(); // while the installation's hive files are still there
}

TEST(DriveChoice, TheInstallationsOfferedAndTheOneChosen) {
    ScanLocation installs;
    installs.Entries.resize(4);
    installs.Entries[0].ImagePath = "C:\\WINDOWS";
    installs.Entries[0].ItemName = "2000 / XP";
    installs.Entries[1].ImagePath = "c:\\windows"; // the running system's own drive
    installs.Entries[2].ImagePath = "";            // no Windows there
    installs.Entries[3].ImagePath = "E:\\WINNT";
    installs.Entries[3].ItemName = "2000 / XP";
    const auto list = BuildOSList(installs);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[1].Index, 3);
    EXPECT_EQ(list[1].SystemFolder, "E:\\WINNT");

    // A normal start: the first offline installation.
    DriveChoice c = ChooseInstallation(list, false, 0);
    EXPECT_EQ(c.selectedOS, 3);
    EXPECT_EQ(c.position, 1);
    // A watch start or Refresh: the kept choice...
    c = ChooseInstallation(list, true, 0);
    EXPECT_EQ(c.selectedOS, 0);
    c = ChooseInstallation(list, true, 3);
    EXPECT_EQ(c.selectedOS, 3);
    EXPECT_EQ(c.position, 1);
    // ...or the running system when the chosen one is no longer offered.
    c = ChooseInstallation(list, true, 5);
    EXPECT_EQ(c.selectedOS, 0);
    EXPECT_EQ(c.position, 0);
    // Only the running system.
    c = ChooseInstallation({list[0]}, false, 0);
    EXPECT_EQ(c.selectedOS, 0);
}

} // namespace
