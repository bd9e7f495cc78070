#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <cstdio>

#include "changes/hive_skeleton.h"
#include "changes/settings.h"
#include "changes/snapshot.h"
#include "changes/watch.h"
#include "registry/controlset.h"
#include "registry/disabled_store.h"
#include "system/files.h"
#include "fake_host.h"
#include "support/offline_drive.h"
#include "registry/access.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "support/folder_files.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUserRun = "S-1-5-21-0-0-0-1000\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string ReadRegText(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    return k ? ReadValue(k.get(), name).Text() : std::string("<no key>");
}

[[maybe_unused]] bool HasValue(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    return k && ReadValue(k.get(), name).present;
}

void DeleteValue(HKEY root, const std::string &key, const std::string &name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, name.c_str());
        RegCloseKey(k);
    }
}

bool IsFile(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The running system scanned as the main window scans it.
void ScanRunningSystem() {
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
}

// The snapshot folder of a test: "SnapshotPath" points at a new folder and is
// put back afterwards, as is "SnapshotTaken"; every hive is unloaded.
class SnapshotTest : public testing::Test {
  protected:
    void SetUp() override {
        UnloadRemoteHives();
        previousPath_ = ReadSetting("SnapshotPath");
        previousTaken_ = ReadSetting("SnapshotTaken");
        ASSERT_TRUE(WriteSetting("SnapshotPath", folder_.path()));
        Watch() = WatchState{};
        ScanRunningSystem();
    }
    void TearDown() override {
        host_.UnloadHives();
        UnloadRemoteHives();
        WriteSetting("SnapshotPath", previousPath_);
        WriteSetting("SnapshotTaken", previousTaken_);
        SnapshotPath().clear();
        Watch() = WatchState{};
        ResetLocations(ScanLocations());
        ResetLocations(WatchLocations());
        ResetLocations(SnapshotLocations());
    }
    std::string File(const std::string &name) const { return folder_ / name; }

    TempDir folder_;
    FakeHost host_;
    std::string previousPath_, previousTaken_;
};

// Entries of one pass as "name|disabled" lines.
std::vector<std::string> PassEntries(const ScanLocation &loc, int pass) {
    std::vector<std::string> names;
    for (int i = 1; i <= UpperBound(loc.Entries); ++i) {
        const StartupEntry &e = loc.Entries[static_cast<size_t>(i)];
        if (e.PassIndex == pass)
            names.push_back(e.EntryName + "|" + (e.Disabled ? "disabled" : "enabled"));
    }
    return names;
}

// A Startup file the user deleted since the scan is not copied, and its
// absence is no error.
TEST_F(SnapshotTest, DeletedStartupFilesAreLeftOut) {
    const std::string folder = ScanLocations()[18].Passes[1].KeyText;
    const bool made = !IsFile(folder);
    ASSERT_TRUE(MakeFolders(folder));
    ASSERT_TRUE(WriteFileBytes(folder + "qmgone.exe", "MZ"));
    ScanRunningSystem();
    for (auto &entry : ScanLocations()[18].Entries)
        entry.Deleted = entry.ItemName == folder + "qmgone.exe";
    ASSERT_TRUE(DeleteFileA((folder + "qmgone.exe").c_str()));
    bool useExisting = false;
    EXPECT_TRUE(BuildSnapshot(useExisting, host_, false));
    if (made)
        RemoveDirectoryA(folder.c_str());
}

TEST_F(SnapshotTest, BuiltSnapshotReadsBackAsTheLiveScan) {
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmSnapMachine", "C:\\windows\\notepad.exe");
    SetRegString(HKEY_USERS, kUserRun, "QmSnapUser", "C:\\windows\\regedit.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRun + "\\AutorunsDisabled", "QmSnapOff", "C:\\windows\\off.exe");
    ScanRunningSystem();

    bool useExisting = false;
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ benchmark ] snapshot build of the test prefix: %.0f ms\n", ms);
    ASSERT_EQ(host_.progressLabels, std::vector<std::string>{"Building snapshot please wait..."});
    EXPECT_TRUE(host_.mainShown);
    ASSERT_TRUE(TakeSnapshot());

    const auto &live = ScanLocations();
    const auto &snap = SnapshotLocations();
    ASSERT_EQ(UpperBound(snap), UpperBound(live));
    for (int n = 1; n <= UpperBound(live); ++n) {
        const ScanLocation &l = live[static_cast<size_t>(n)];
        const ScanLocation &s = snap[static_cast<size_t>(n)];
        ASSERT_EQ(UpperBound(s.Passes), UpperBound(l.Passes)) << "location " << n;
        for (int p = 1; p <= UpperBound(l.Passes); ++p)
            EXPECT_EQ(PassEntries(s, p), PassEntries(l, p)) << "location " << n << " pass " << p;
    }
    // The machine's Run key of the snapshot holds what the live one holds.
    ScopedKey liveRun(OpenKey(HKEY_LOCAL_MACHINE, kRun));
    ScopedKey snapRun(OpenKey(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun));
    ASSERT_TRUE(snapRun);
    const auto liveValues = EnumValues(liveRun.get());
    const auto snapValues = EnumValues(snapRun.get());
    ASSERT_EQ(snapValues.size(), liveValues.size());
    for (size_t i = 0; i < liveValues.size(); ++i) {
        EXPECT_EQ(snapValues[i].name, liveValues[i].name);
        EXPECT_EQ(snapValues[i].value.data, liveValues[i].value.data);
    }
    EXPECT_EQ(ReadRegText(HKEY_USERS, "_REMOTE_" + kUserRun, "QmSnapUser"), "C:\\windows\\regedit.exe");

    // The folder holds the hives, the pass files and the class key, not the list.
    for (const char *name : {"_REMOTE_SOFTWARE", "_REMOTE_SYSTEM", "15(1).regf", "CLSID.regf"})
        EXPECT_TRUE(IsFile(File(name))) << name;
    EXPECT_FALSE(IsFile(File("Quillmara.txt")));
    EXPECT_EQ(SnapshotPath(), folder_.path());

    DeleteValue(HKEY_LOCAL_MACHINE, kRun, "QmSnapMachine");
    DeleteValue(HKEY_USERS, kUserRun, "QmSnapUser");
    DeleteRegTree(HKEY_LOCAL_MACHINE, kRun + "\\AutorunsDisabled");
}

// Subkeys of the settings key that the skeleton builder left behind.
int ScratchKeys() {
    ScopedKey settings(OpenKey(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    int n = 0;
    if (settings)
        for (const auto &name : EnumSubKeys(settings.get()))
            n += name.rfind("SnapshotHive-", 0) == 0 ? 1 : 0;
    return n;
}

TEST_F(SnapshotTest, EmptyHivesCarryTheRunningControlSet) {
    ASSERT_TRUE(WriteHiveResToFile(File("system"), IDR_HIVE_SYSTEM));
    ASSERT_TRUE(WriteHiveResToFile(File("user"), IDR_HIVE_USER));
    EXPECT_EQ(ScratchKeys(), 0);
    ASSERT_TRUE(LoadHive(File("system"), HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\" + CurrentControlSet() + "\\Services"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE,
                             "_REMOTE_SYSTEM\\" + CurrentControlSet() + "\\Control\\Session Manager\\KnownDLLs"));
    // The snapshot's hive names the same control set as the running system.
    EXPECT_EQ(GetCurrentControlSet(5), CurrentControlSet());
    host_.UnloadHives();

    // A save that fails leaves no scratch key and no file.
    SetStoreFault([](const char *call) { return std::string(call) == "RegSaveKeyA" ? 5L : 0L; });
    EXPECT_FALSE(WriteHiveResToFile(File("software"), IDR_HIVE_SOFTWARE));
    SetStoreFault(nullptr);
    EXPECT_EQ(ScratchKeys(), 0);
    EXPECT_FALSE(IsFile(File("software")));
}

TEST_F(SnapshotTest, FolderIsSettledReloadedAndEmptied) {
    // A disabled file of the all-users startup folder is copied too.
    const std::string startup = ScanLocations()[18].Passes[1].KeyText;
    ASSERT_FALSE(startup.empty());
    const std::string disabledDir = startup + "AutorunsDisabled";
    const bool made = GetFileAttributesA(startup.c_str()) == INVALID_FILE_ATTRIBUTES;
    ASSERT_TRUE(MakeFolders(disabledDir)) << disabledDir;
    ASSERT_TRUE(WriteFileBytes(disabledDir + "\\qmoff.exe", "MZ"));
    ScanRunningSystem();

    // First build without a stored folder: the default one is made and stored.
    DeleteValue(HKEY_LOCAL_MACHINE, kSettingsKeyPath, "SnapshotPath");
    const std::string defaultDir = GetSpecialFolder(kCsidlCommonAppData) + "\\Quillmara\\Snapshot";
    bool useExisting = false;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    EXPECT_EQ(SnapshotPath(), defaultDir);
    EXPECT_EQ(ReadSetting("SnapshotPath"), defaultDir);
    EXPECT_TRUE(IsFile(defaultDir + "\\AutorunsDisabled\\18(1)\\qmoff.exe"));
    ASSERT_TRUE(TakeSnapshot());
    EXPECT_EQ(PassEntries(SnapshotLocations()[18], 1), PassEntries(ScanLocations()[18], 1));
    host_.UnloadHives();

    // The next build empties the folder, nested folders included.
    ASSERT_TRUE(WriteFileBytes(defaultDir + "\\AutorunsDisabled\\18(1)\\stale.exe", "MZ"));
    DeleteFileA((disabledDir + "\\qmoff.exe").c_str());
    RemoveDirectoryA(disabledDir.c_str());
    if (made)
        RemoveDirectoryA(startup.c_str());
    ScanRunningSystem();
    useExisting = false;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    EXPECT_FALSE(IsFile(defaultDir + "\\AutorunsDisabled"));
    host_.UnloadHives();
    EXPECT_TRUE(EmptyFolder(defaultDir));
    RemoveDirectoryA(defaultDir.c_str());

    // A stored folder that no longer exists, or is a link, falls back to the
    // default; nothing is written where the link leads.
    const std::string elsewhere = folder_ / "elsewhere";
    ASSERT_TRUE(MakeFolders(elsewhere));
    ASSERT_TRUE(MakeFolderLink(elsewhere, folder_ / "linked"));
    for (const std::string &stored : {folder_ / "gone", folder_ / "linked"}) {
        WriteSetting("SnapshotPath", stored);
        EXPECT_TRUE(SaveSnapshotText("list"));
        EXPECT_EQ(ReadSetting("SnapshotPath"), defaultDir);
        EXPECT_EQ(ReadFileBytes(defaultDir + "\\Quillmara.txt"), "list");
        EmptyFolder(defaultDir);
        RemoveDirectoryA(defaultDir.c_str());
    }
    EXPECT_FALSE(IsFile(elsewhere + "\\Quillmara.txt"));
    RemoveFolderLink(folder_ / "linked");

    // Reloading keeps the files and writes a fresh list; a missing user hive
    // is written afresh and the whole snapshot filled again.
    WriteSetting("SnapshotPath", folder_.path());
    useExisting = false;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    host_.UnloadHives();
    ASSERT_TRUE(WriteFileBytes(File("keep.me"), "x"));
    host_.gridsText += host_.gridsText;
    useExisting = true;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    EXPECT_TRUE(useExisting);
    EXPECT_TRUE(IsFile(File("keep.me")));
    EXPECT_EQ(ReadFileBytes(File("Quillmara.txt")), "HKEY_LOCAL_MACHINE\\" + kRun + "\r\n" + "HKEY_LOCAL_MACHINE\\" + kRun + "\r\n");
    host_.UnloadHives();

    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmSnapLater", "C:\\later.exe");
    ScanRunningSystem();
    const std::string userHive = File("_REMOTE_" + kUserRun.substr(0, kUserRun.find('\\')));
    ASSERT_TRUE(DeleteFileA(userHive.c_str()));
    useExisting = true;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    EXPECT_FALSE(useExisting);
    EXPECT_TRUE(IsFile(userHive));
    EXPECT_TRUE(IsFile(File("keep.me")));
    EXPECT_EQ(ReadRegText(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, "QmSnapLater"), "C:\\later.exe");
    DeleteValue(HKEY_LOCAL_MACHINE, kRun, "QmSnapLater");
}

TEST_F(SnapshotTest, ABuildRemovesOnlyWhatTheSnapshotOwns) {
    // Left by an earlier build, and put there by someone else.
    for (const char *name : {"15(1).regf", "15(1).regf.check", "CLSID.regf", "_REMOTE_S-1-5-21-9.LOG1",
                             "18(1)\\a.exe", "18(1)\\AutorunsDisabled\\b.exe", "AutorunsDisabled\\18(1)\\c.exe",
                             "thesis.doc", "sub\\photo.jpg", "18(1)x\\keep.txt", "AutorunsDisabled\\notes.txt",
                             "15(1).regf.bak"}) {
        const std::string path = File(name);
        ASSERT_TRUE(MakeFolders(path.substr(0, path.find_last_of('\\'))));
        ASSERT_TRUE(WriteFileBytes(path, "x")) << name;
    }
    CapturedLog log;
    bool useExisting = false;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    EXPECT_TRUE(host_.asked.empty());
    EXPECT_EQ(ReadFileBytes(File("thesis.doc")), "x");
    EXPECT_EQ(ReadFileBytes(File("sub\\photo.jpg")), "x");
    EXPECT_EQ(ReadFileBytes(File("18(1)x\\keep.txt")), "x");
    EXPECT_EQ(ReadFileBytes(File("AutorunsDisabled\\notes.txt")), "x");
    EXPECT_EQ(ReadFileBytes(File("15(1).regf.bak")), "x");
    for (const char *gone : {"15(1).regf.check", "_REMOTE_S-1-5-21-9.LOG1", "18(1)", "AutorunsDisabled\\18(1)"})
        EXPECT_FALSE(IsFile(File(gone))) << gone;
    EXPECT_TRUE(IsFile(File("CLSID.regf"))); // written afresh
    bool named = false;
    for (const std::string &line : log.lines())
        named = named || (line.find("thesis.doc") != std::string::npos &&
                          line.find("sub") != std::string::npos &&
                          line.find("AutorunsDisabled\\notes.txt") != std::string::npos);
    EXPECT_TRUE(named) << log.text();
}

TEST_F(SnapshotTest, UserHivesAreListedAfreshWhenNoUserLocationHasAPass) {
    ResetLocations(ScanLocations());
    UserHives() = {"", "_REMOTE_QmStaleUser"};
    const std::vector<std::string> users = ListUserHives();
    bool useExisting = false;
    ASSERT_TRUE(BuildSnapshot(useExisting, host_, false));
    EXPECT_EQ(UserHives(), users);
    EXPECT_FALSE(IsFile(File("_REMOTE_QmStaleUser")));
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "_REMOTE_QmStaleUser"));
}

} // namespace

namespace {

// Emptying the snapshot folder never reaches through a linked folder into
// what the link leads to.
TEST(EmptyFolder, LeavesWhatALinkedFolderLeadsTo) {
    TempDir dir;
    const std::string snapshot = dir / "snapshot";
    const std::string elsewhere = dir / "elsewhere";
    ASSERT_TRUE(CreateDirectoryA(snapshot.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(elsewhere + "\\keep.txt", "data"));
    ASSERT_TRUE(WriteFileBytes(snapshot + "\\old.txt", "x"));
    ASSERT_TRUE(MakeFolderLink(elsewhere, snapshot + "\\linked"));
    EmptyFolder(snapshot);
    EXPECT_EQ(ReadFileBytes(elsewhere + "\\keep.txt"), "data");
    EXPECT_FALSE(IsFile(snapshot + "\\old.txt"));
    RemoveFolderLink(snapshot + "\\linked");
}

} // namespace
