// Backup and restore of locations as the Entry and Options commands run them:
// on real scans of the running system's keys, two loaded user hives, a
// Startup folder and an offline installation on a drive of its own, with the
// folder and file dialogs answered by script.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <map>

#include "changes/backup.h"
#include "changes/restore.h"
#include "changes/snap_timer.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/folder_files.h"
#include "support/offline_drive.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "system/handles.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kScratch = "SOFTWARE\\QuillmaraTests\\Backup";

// Answers the dialogs from queues and records what the user was told.
struct ScriptedUi : ChangeUi {
    std::deque<std::string> folders, files;
    std::vector<std::string> told, patterns;
    std::vector<int> styles;
    std::vector<bool> busy;
    int Ask(const std::string &prompt, int style, const std::string &title) override {
        EXPECT_EQ(title, "Quillmara");
        told.push_back(prompt);
        styles.push_back(style);
        return kAnswerOk;
    }
    static std::string Next(std::deque<std::string> &queue) {
        std::string s = queue.empty() ? "" : queue.front();
        if (!queue.empty())
            queue.pop_front();
        return s;
    }
    std::string ChooseFolder(const std::string &) override { return Next(folders); }
    std::string ChooseDataFile(const std::string &pattern) override {
        patterns.push_back(pattern);
        return Next(files);
    }
    void ShowProgress(const std::string &) override {}
    void SetProgress(double) override {}
    void HideProgress() override {}
    void SetBusy(bool on) override { busy.push_back(on); }
};

// Every value (with type and bytes) and subkey below root\path.
std::map<std::string, std::string> Dump(HKEY root, const std::string &path) {
    std::map<std::string, std::string> out;
    ScopedKey key(OpenKey(root, path));
    if (!key)
        return out;
    for (const auto &v : EnumValues(key.get()))
        out["|" + v.name] = std::to_string(v.value.type) + ":" + v.value.data;
    for (const auto &sub : EnumSubKeys(key.get()))
        for (const auto &[name, data] : Dump(root, path + "\\" + sub))
            out[sub + "\\" + name] = data;
    return out;
}

std::string Ini(const std::string &file, int section, const char *key) {
    char buffer[512] = {};
    GetPrivateProfileStringA(std::to_string(section).c_str(), key, "", buffer, sizeof buffer, file.c_str());
    return buffer;
}

// The scan state of one test: the installations list, the 68 locations, and
// the locations a test scans; the earlier state comes back afterwards.
class BackupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = ScanLocations();
        savedProfiles_ = ProfilesDir();
        savedOS_ = SelectedOS();
        UseInstallations(0);
        LoadPaths();
        SnapTimer() = {};
    }
    void TearDown() override {
        SetStoreFault(nullptr);
        SnapTimer() = {};
        ScanLocations() = saved_;
        ProfilesDir() = savedProfiles_;
        SelectedOS() = savedOS_;
    }
    static ScanLocation &Loc(int n) { return ScanLocations()[static_cast<size_t>(n)]; }
    // Scans location n as the running system (or an offline installation) shows it.
    static void ScanIt(int n, bool offline = false) {
        ScanLocation &loc = Loc(n);
        loc.Scope = (loc.Scope % 2 != 0 ? loc.Scope : loc.Scope - 1) + (offline ? 1 : 0);
        loc.Passes.assign(1, ScanPass{});
        RelayUsers(loc.MainKey, (offline ? loc.RemotePath : loc.LocalPath) + loc.Path, loc.Entries, loc.Category, n,
                   loc.ValueName, loc.Scope, loc.Passes);
    }
    static std::string Text(int n, int pass = 1) { return Loc(n).Passes.at(static_cast<size_t>(pass)).KeyText; }

    TempDir dir_;
    ScriptedUi ui_;

  private:
    std::vector<ScanLocation> saved_;
    std::string savedProfiles_;
    short savedOS_ = 0;
};

// A key of the machine, put back as it was when the test ends.
class KeyGuard {
  public:
    explicit KeyGuard(std::string key = kRun) : key_(std::move(key)) {
        EXPECT_TRUE(SaveKeyToFile(key_, dir_ / "key.regf", HKEY_LOCAL_MACHINE));
    }
    ~KeyGuard() { RestoreKeyFromFile(key_, dir_ / "key.regf", HKEY_LOCAL_MACHINE); }

  private:
    std::string key_;
    TempDir dir_;
};

void FillRun() {
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmTool", "C:\\Tools\\tool.exe /q");
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmExpand", "%SystemRoot%\\x.exe", REG_EXPAND_SZ);
    SetRegDword(HKEY_LOCAL_MACHINE, kRun, "QmNumber", 7);
    SetRegString(HKEY_LOCAL_MACHINE, kRun + "\\AutorunsDisabled", "QmOff", "C:\\off.exe");
}

void ChangeRun() {
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmTool", "C:\\evil.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmAdded", "C:\\added.exe");
    DeleteRegTree(HKEY_LOCAL_MACHINE, kRun + "\\AutorunsDisabled");
}

TEST_F(BackupTest, RunKeyRoundTripByContent) {
    KeyGuard guard;
    CapturedLog log;
    FillRun();
    ScanIt(15);
    const auto saved = Dump(HKEY_LOCAL_MACHINE, kRun);
    ui_.folders = {dir_.path()};
    BackupSelectedLocation(ui_, 15, Text(15));
    EXPECT_EQ(ui_.told, std::vector<std::string>{"Backup successful."});
    const std::string index = dir_ / "15.dat";
    EXPECT_EQ(Ini(index, 1, "MainKey"), "HKEY_LOCAL_MACHINE\\");
    EXPECT_EQ(Ini(index, 1, "LocalPath"), "SOFTWARE\\");
    EXPECT_EQ(Ini(index, 1, "RemotePath"), "_REMOTE_SOFTWARE\\");
    EXPECT_EQ(Ini(index, 1, "Scope"), "1");
    EXPECT_EQ(Ini(index, 1, "Path"), kRun);
    EXPECT_TRUE(FileExists(dir_ / "15(1).regf"));

    // Restore while watching: the tick is paused and runs again afterwards.
    bool running = true;
    std::vector<bool> switched;
    SnapTimer() = {[&] { return running; }, [&](bool on) { switched.push_back(running = on); }};
    ChangeRun();
    ui_.told.clear();
    ui_.files = {index};
    RestoreSelectedLocation(ui_, 15, Text(15));
    EXPECT_EQ(ui_.patterns, std::vector<std::string>{"15.dat"});
    EXPECT_EQ(ui_.told, std::vector<std::string>{"Key restore successful."});
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), saved);
    EXPECT_EQ(switched, (std::vector<bool>{false, true}));

    // A restore that fails half-way (the copy into the emptied key) leaves
    // the key as it was, says nothing of success and logs key and reason.
    ChangeRun();
    const auto changed = Dump(HKEY_LOCAL_MACHINE, kRun);
    int copies = 0;
    SetStoreFault([&](const char *call) -> long {
        return std::string(call) == "SHCopyKeyA" && ++copies == 2 ? ERROR_ACCESS_DENIED : 0;
    });
    ui_.told.clear();
    ui_.files = {index};
    RestoreSelectedLocation(ui_, 15, Text(15));
    SetStoreFault(nullptr);
    EXPECT_EQ(ui_.told, std::vector<std::string>{});
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), changed);
    EXPECT_NE(log.text().find("PutBackKey unable to restore HKEY_LOCAL_MACHINE\\" + kRun +
                              ": its content could not "
                              "be replaced from " +
                              dir_.path() + "\\15(1).regf"),
              std::string::npos)
        << log.text();

    // Cancelling the dialogs.
    ui_.told.clear();
    BackupSelectedLocation(ui_, 15, Text(15));
    RestoreSelectedLocation(ui_, 15, Text(15));
    RestoreAllLocations(ui_);
    BackupAllLocations(ui_, {{"15", Text(15)}}, [] { return std::string("list"); });
    EXPECT_EQ(ui_.told, std::vector<std::string>{"Some keys were unable to be backed up."});
    EXPECT_TRUE(running);
}

TEST_F(BackupTest, RestoreChecksTheFileAndItsData) {
    TestKey policies(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");
    SetRegString(HKEY_CURRENT_USER, policies.path(), "Shell", "qmshell.exe");
    ScanIt(7);
    int pass = 0;
    for (int p = 1; p <= UpperBound(Loc(7).Passes); ++p)
        if (Loc(7).Passes[static_cast<size_t>(p)].EntryIndexes.size() > 1)
            pass = p;
    ASSERT_GT(pass, 0);
    const std::string row = Text(7, pass);
    ui_.folders = {dir_.path()};
    BackupSelectedLocation(ui_, 7, row);
    ASSERT_EQ(ui_.told, std::vector<std::string>{"Backup successful."});
    const auto saved = Dump(HKEY_CURRENT_USER, policies.path());
    ASSERT_TRUE(CopyFileA((dir_ / "7.dat").c_str(), (dir_ / "17.dat").c_str(), FALSE));
    ASSERT_TRUE(MoveFileA((dir_ / "7.dat").c_str(), (dir_ / "7.DAT").c_str()));

    auto restore = [&](const std::string &file) {
        SetRegString(HKEY_CURRENT_USER, policies.path(), "Shell", "changed.exe");
        ui_.told.clear();
        ui_.files = {file};
        RestoreSelectedLocation(ui_, 7, row);
        return ui_.told;
    };
    EXPECT_EQ(restore(dir_ / "17.dat"), std::vector<std::string>{"The file you selected was not the correct file: "
                                                                 "7.dat was needed to restore that key."});
    EXPECT_EQ(restore(dir_ / "7.DAT"), std::vector<std::string>{"Key restore successful."});
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, policies.path()), saved);

    const auto section = std::to_string(pass);
    WritePrivateProfileStringA(section.c_str(), "Path", "SOFTWARE\\Elsewhere", (dir_ / "7.DAT").c_str());
    EXPECT_EQ(restore(dir_ / "7.DAT"), std::vector<std::string>{"Unable to restore key due to data mismatch."});
    EXPECT_EQ(ReadString(ScopedKey(OpenKey(HKEY_CURRENT_USER, policies.path())).get(), "Shell"), "changed.exe");
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, (dir_ / "7.DAT").c_str());
    EXPECT_EQ(restore(dir_ / "7.DAT"), std::vector<std::string>{"Invalid data in file."});
}

// Two user hives loaded as an offline installation's users.
TEST_F(BackupTest, TwoUsersBackUpIntoTwoSectionsAndRestoreAll) {
    TestKey scratch(HKEY_LOCAL_MACHINE, kScratch);
    const std::string userRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
    LoadedHives().assign(1, LoadedHive{});
    for (const std::string name : {"Ann", "Bob"}) {
        SetRegString(HKEY_LOCAL_MACHINE, kScratch + "\\" + name + "\\" + userRun, name + "Tool", name + ".exe");
        ASSERT_TRUE(SaveKeyToFile(kScratch + "\\" + name, dir_ / (name + ".hiv"), HKEY_LOCAL_MACHINE));
        ASSERT_TRUE(LoadHive(dir_ / (name + ".hiv"), HKEY_USERS, "_REMOTE_Qm" + name));
    }
    struct Unload {
        ~Unload() {
            UnloadHive(HKEY_USERS, "_REMOTE_QmAnn");
            UnloadHive(HKEY_USERS, "_REMOTE_QmBob");
            DisablePrivileges();
            LoadedHives().assign(1, LoadedHive{});
        }
    } unload;
    ScanIt(24, true);
    ASSERT_EQ(UpperBound(Loc(24).Passes), 2);
    const std::string ann = "_REMOTE_QmAnn\\" + userRun, bob = "_REMOTE_QmBob\\" + userRun;
    const auto annSaved = Dump(HKEY_USERS, ann), bobSaved = Dump(HKEY_USERS, bob);

    TempDir backup;
    ui_.folders = {backup.path()};
    BackupAllLocations(ui_, {{"24", Text(24, 1)}, {"24", Text(24, 2)}}, [] { return std::string("list\r\n"); });
    EXPECT_EQ(ui_.told, std::vector<std::string>{"All keys were successfully backed up."});
    EXPECT_EQ(ui_.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(ReadFileBytes(backup / "Quillmara.txt"), "list\r\n");
    EXPECT_EQ(Ini(backup / "24.dat", 1, "Path"), "_REMOTE_QmAnn\\" + userRun);
    EXPECT_EQ(Ini(backup / "24.dat", 2, "Path"), "_REMOTE_QmBob\\" + userRun);
    EXPECT_EQ(Ini(backup / "24.dat", 2, "Scope"), "4");
    EXPECT_TRUE(FileExists(backup / "24(1).regf") && FileExists(backup / "24(2).regf"));

    SetRegString(HKEY_USERS, ann, "AnnTool", "changed.exe");
    SetRegString(HKEY_USERS, bob, "Added", "added.exe");
    ui_.told.clear();
    ui_.folders = {dir_.path(), backup.path()}; // the first holds no backup
    RestoreAllLocations(ui_);
    RestoreAllLocations(ui_);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{"Some keys were unable to be restored.",
                                                  "All keys were successfully restored."}));
    EXPECT_EQ(Dump(HKEY_USERS, ann), annSaved);
    EXPECT_EQ(Dump(HKEY_USERS, bob), bobSaved);
}

TEST_F(BackupTest, StartupFolderFilesComeBackAfterDeletion) {
    TempDir profiles;
    ProfilesDir() = profiles.path() + "\\";
    const std::string folder = profiles / "All Users\\Start Menu\\Programs\\Startup\\";
    std::string made = profiles.path();
    for (const std::string level : {"All Users", "Start Menu", "Programs", "Startup", "AutorunsDisabled"})
        ASSERT_TRUE(CreateDirectoryA((made += "\\" + level).c_str(), nullptr));
    for (const std::string name : {"a.lnk", "b.exe", "c.bat", "AutorunsDisabled\\d.lnk"})
        ASSERT_TRUE(WriteFileBytes(folder + name, "bytes of " + name));
    ScanIt(18);
    ASSERT_EQ(UpperBound(Loc(18).Entries), 4);
    ui_.folders = {dir_.path()};
    BackupSelectedLocation(ui_, 18, Text(18));
    EXPECT_EQ(ui_.told, std::vector<std::string>{"Backup successful."});
    EXPECT_EQ(Ini(dir_ / "18.dat", 1, "Path"), folder);
    EXPECT_EQ(Ini(dir_ / "18.dat", 1, "MainKey"), "");
    EXPECT_EQ(NamesInFolder(dir_ / "18(1)").size(), 4u); // three files and the disabled folder
    EXPECT_EQ(ReadFileBytes(dir_ / "18(1)\\AutorunsDisabled\\d.lnk"), "bytes of AutorunsDisabled\\d.lnk");

    for (const std::string name : {"a.lnk", "b.exe", "c.bat", "AutorunsDisabled\\d.lnk"})
        ASSERT_TRUE(DeleteFileA((folder + name).c_str()));
    ui_.told.clear();
    ui_.files = {dir_ / "18.dat"};
    RestoreSelectedLocation(ui_, 18, Text(18));
    EXPECT_EQ(ui_.told, std::vector<std::string>{"Key restore successful."});
    for (const std::string name : {"a.lnk", "b.exe", "c.bat", "AutorunsDisabled\\d.lnk"})
        EXPECT_EQ(ReadFileBytes(folder + name), "bytes of " + name);
}

// An offline installation on a drive of its own, its SOFTWARE hive loaded as
// "_REMOTE_SOFTWARE": backups cross between its view and the running system's.
TEST_F(BackupTest, BackupsCrossBetweenTheOfflineAndTheRunningView) {
    KeyGuard guard;
    TestKey scratch(HKEY_LOCAL_MACHINE, kScratch);
    OfflineDrive drive;
    ASSERT_TRUE(drive.ok() && drive.MakeWindowsFolder("WINDOWS"));
    SetRegString(HKEY_LOCAL_MACHINE, kScratch + "\\Microsoft\\Windows\\CurrentVersion\\Run", "Offline", "D:\\off.exe");
    const std::string hive = drive / "WINDOWS\\system32\\config\\software";
    ASSERT_TRUE(SaveKeyToFile(kScratch, hive, HKEY_LOCAL_MACHINE));
    LoadedHives().assign(1, LoadedHive{});
    ASSERT_TRUE(LoadHive(hive, HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    struct Unload {
        ~Unload() {
            UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
            DisablePrivileges();
            LoadedHives().assign(1, LoadedHive{});
        }
    } unload;
    const std::string remoteRun = "_REMOTE_" + kRun;
    UseInstallations(1, drive.root(), drive / "WINDOWS");
    LoadPaths();

    // Offline backup into the running system's key.
    ScanIt(15, true);
    const auto offline = Dump(HKEY_LOCAL_MACHINE, remoteRun);
    TempDir fromOffline, fromLocal;
    ui_.folders = {fromOffline.path()};
    BackupSelectedLocation(ui_, 15, Text(15));
    EXPECT_EQ(Ini(fromOffline / "15.dat", 1, "Scope"), "2");
    EXPECT_EQ(Ini(fromOffline / "15.dat", 1, "Path"), remoteRun);
    FillRun();
    ScanIt(15, false);
    ui_.folders = {fromLocal.path()};
    BackupSelectedLocation(ui_, 15, Text(15));
    const auto local = Dump(HKEY_LOCAL_MACHINE, kRun);
    ui_.files = {fromOffline / "15.dat"};
    RestoreSelectedLocation(ui_, 15, Text(15));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), offline);

    // A local backup into the offline hive.
    ScanIt(15, true);
    ui_.files = {fromLocal / "15.dat"};
    RestoreSelectedLocation(ui_, 15, Text(15));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, remoteRun), local);
    EXPECT_EQ(ui_.told, (std::vector<std::string>{"Backup successful.", "Backup successful.", "Key restore successful.",
                                                  "Key restore successful."}));
}

TEST_F(BackupTest, BackupAllCountsKeysThatCouldNotBeSavedAndFilesNotCopied) {
    TestKey scratch(HKEY_LOCAL_MACHINE, kScratch);
    TempDir profiles;
    ProfilesDir() = profiles.path() + "\\";
    const std::string runOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    KeyGuard guard(runOnce);
    SetRegString(HKEY_LOCAL_MACHINE, runOnce, "QmOnce", "x.exe");
    ScanIt(17);
    ScanIt(3); // a key that does not exist: neither saved nor failed
    ASSERT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + Loc(3).Path));
    const std::vector<HeaderRow> rows = {{"17", Text(17)}, {"3", Text(3)}};
    auto backupAll = [&](const std::vector<HeaderRow> &which) {
        TempDir into;
        ui_.told.clear();
        ui_.folders = {into.path()};
        BackupAllLocations(ui_, which, [] { return std::string("list"); });
        return ui_.told.empty() ? std::string() : ui_.told.back();
    };
    EXPECT_EQ(backupAll(rows), "All keys were successfully backed up.");
    SetStoreFault(
        [](const char *call) -> long { return std::string(call) == "RegSaveKeyA" ? ERROR_ACCESS_DENIED : 0; });
    EXPECT_EQ(backupAll(rows), "Unable to back up any registry keys.");
    SetStoreFault(nullptr);

    // A Startup file gone since the scan cannot be copied.
    std::string made = profiles.path();
    for (const std::string level : {"All Users", "Start Menu", "Programs", "Startup"})
        ASSERT_TRUE(CreateDirectoryA((made += "\\" + level).c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(made + "\\gone.lnk", "x") && WriteFileBytes(made + "\\kept.lnk", "y"));
    ScanIt(18);
    ASSERT_TRUE(DeleteFileA((made + "\\gone.lnk").c_str()));
    EXPECT_EQ(backupAll({{"17", Text(17)}, {"18", Text(18)}}), "Some keys were unable to be backed up.");

    // A folder where the list cannot be written: nothing else is written.
    TempDir locked;
    const std::string list = locked / "Quillmara.txt";
    ASSERT_TRUE(WriteFileBytes(list, "old"));
    FileHandle holder(CreateFileA(list.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ui_.told.clear();
    ui_.styles.clear();
    ui_.folders = {locked.path()};
    BackupAllLocations(ui_, rows, [] { return std::string("list"); });
    EXPECT_EQ(ui_.told, std::vector<std::string>{"Unable to save files to that location. May be read-only."});
    EXPECT_EQ(ui_.styles, std::vector<int>{0});
    EXPECT_EQ(NamesInFolder(locked.path()), std::vector<std::string>{"Quillmara.txt"});
}

} // namespace
