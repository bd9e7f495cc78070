// Backup and restore of locations as the Entry and Options commands run them:
// on real scans of the running system's keys, two loaded user hives, a
// Startup folder and an offline installation on a drive of its own, with the
// folder and file dialogs answered by script.
#include <gtest/gtest.h>

#include <windows.h>

#include <deque>
#include <functional>
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
#include "scan/pathops.h"
#include "scan/state.h"
#include "support/folder_files.h"
#include "support/offline_drive.h"
#include "support/scan_pass.h"
#include "support/store_support.h"
#include "support/testing.h"
#include "system/codepage.h"
#include "system/files.h"
#include "system/handles.h"
#include "system/text.h"
#include "ui/backup_commands.h"

using storetest::Dump;

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kScratch = "SOFTWARE\\QuillmaraTests\\Backup";

// Answers the dialogs from queues and records what the user was told.
struct ScriptedUi : ChangeUi {
    std::deque<std::string> folders, files;
    std::vector<std::string> told, patterns;
    std::vector<int> styles;
    std::vector<bool> busy;
    std::function<void()> whileChoosing; // runs while the folder dialog is open
    int Ask(const std::string &prompt, int style, const std::string &title) override {
        EXPECT_EQ(title, "Quillmara");
        told.push_back(prompt);
        styles.push_back(style);
        return kAnswerOk;
    }
    static std::string Next(std::deque<std::string> &queue) {
        const std::string s = queue.empty() ? "" : queue.front();
        return queue.empty() ? s : (queue.pop_front(), s);
    }
    std::string ChooseFolder(const std::string &) override {
        if (whileChoosing)
            whileChoosing();
        return Next(folders);
    }
    std::string ChooseDataFile(const std::string &pattern) override { return patterns.push_back(pattern), Next(files); }
    void ShowProgress(const std::string &) override {}
    void SetProgress(double) override {}
    void HideProgress() override {}
    void SetBusy(bool on) override { busy.push_back(on); }
};

// The grids as Backup All reads them: these rows and a list text.
struct Shown : ShownList {
    std::vector<RowRef> rows;
    explicit Shown(std::vector<RowRef> shown) : rows(std::move(shown)) {}
    std::vector<RowRef> ShownRows() const override { return rows; }
    std::string GetGridsText() const override { return "list\r\n"; }
};

// Section n of an index file: MainKey|LocalPath|RemotePath|Scope|Path.
std::string Section(const std::string &file, int n) {
    std::string all;
    for (const char *key : {"MainKey", "LocalPath", "RemotePath", "Scope", "Path"}) {
        char buffer[512] = {};
        GetPrivateProfileStringA(std::to_string(n).c_str(), key, "", buffer, sizeof buffer, file.c_str());
        all.append("|").append(buffer);
    }
    return all.substr(1);
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
                   loc.ValueName, loc.Scope, loc.Passes, ScannedInstallation());
    }
    // Runs a command with these dialog answers; what the user was told, one
    // message after the other separated by "|".
    std::string Told(const std::function<void()> &command, std::deque<std::string> folders,
                     std::deque<std::string> files = {}) {
        ui_.told.clear();
        ui_.folders = std::move(folders);
        ui_.files = std::move(files);
        command();
        std::string all;
        for (const auto &text : ui_.told)
            all.append(all.empty() ? "" : "|").append(text);
        return all;
    }
    // The All Users Startup folder below a profiles folder of its own, ending in "\".
    std::string MakeStartupFolder() {
        ProfilesDir() = profiles_.path() + "\\";
        std::string made = profiles_.path();
        for (const std::string level : {"All Users", "Start Menu", "Programs", "Startup", "AutorunsDisabled"})
            EXPECT_TRUE(CreateDirectoryA((made += "\\" + level).c_str(), nullptr));
        return FolderPart(made);
    }

    TempDir dir_, profiles_;
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

// Hive files loaded for a test, unloaded when it ends.
struct MountedHives {
    std::vector<std::pair<HKEY, std::string>> names;
    bool Mount(const std::string &file, HKEY root, const std::string &name) {
        names.emplace_back(root, name);
        return LoadHive(file, root, name);
    }
    ~MountedHives() {
        for (const auto &[root, name] : names)
            UnloadHive(root, name);
        DisablePrivileges();
        LoadedHives().assign(1, LoadedHive{});
    }
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
    const std::string index = dir_ / "15.dat";
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 15, 1); }, {dir_.path()}), "Backup successful.");
    EXPECT_EQ(Section(index, 1), "HKEY_LOCAL_MACHINE\\|SOFTWARE\\|_REMOTE_SOFTWARE\\|1|" + kRun);
    EXPECT_TRUE(FileExists(dir_ / "15(1).regf"));

    // Restore while watching: the tick is paused and runs again afterwards.
    bool running = true;
    std::vector<bool> switched;
    SnapTimer() = {[&] { return running; }, [&](bool on) { switched.push_back(running = on); }};
    ChangeRun();
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 15, 1); }, {}, {index}), "Key restore successful.");
    EXPECT_EQ(ui_.patterns, std::vector<std::string>{"15.dat"});
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), saved);
    EXPECT_EQ(switched, (std::vector<bool>{false, true}));

    // A restore that fails half-way (the copy into the emptied key) leaves
    // the key as it was, claims no success and logs the key and the reason.
    ChangeRun();
    const auto changed = Dump(HKEY_LOCAL_MACHINE, kRun);
    int copies = 0;
    SetStoreFault([&](const char *call) -> long {
        return std::string(call) == "SHCopyKeyA" && ++copies == 2 ? ERROR_ACCESS_DENIED : 0;
    });
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 15, 1); }, {}, {index}), "");
    SetStoreFault(nullptr);
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), changed);
    EXPECT_NE(log.text().find("PutBackKey unable to restore HKEY_LOCAL_MACHINE\\" + kRun +
                              ": its content could not be replaced from " + dir_.path() + "\\15(1).regf"),
              std::string::npos)
        << log.text();

    // Cancelled dialogs: only Backup says so.
    EXPECT_EQ(Told(
                  [&] {
                      BackupSelectedLocation(ui_, 15, 1);
                      RestoreSelectedLocation(ui_, 15, 1);
                      RestoreAllLocations(ui_);
                      BackupAllLocations(ui_, Shown({{15, 1}}));
                  },
                  {}),
              "Some keys were unable to be backed up.");
    EXPECT_TRUE(running);
}

TEST_F(BackupTest, BackupFilesAreWrittenProtectedAndABackupOthersMayChangeIsNotRestored) {
    KeyGuard guard;
    FillRun();
    ScanIt(15);
    // The security of every file and folder as the stand-in keeps it: what
    // the backup gave, the folder the administrator chose, nothing else.
    const std::string adminsOnly = "O:BAD:P(A;;FA;;;BA)(A;;FA;;;SY)";
    std::map<std::string, std::string> security{{LowerText(dir_.path()), adminsOnly}};
    SetBackupSecurityStandIn({[&](const std::string &path) { return security[LowerText(path)]; },
                              [&](const std::string &path, const std::string &given) {
                                  security[LowerText(path)] = given;
                                  return true;
                              }});
    const std::string index = dir_ / "15.dat";
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 15, 1); }, {dir_.path()}), "Backup successful.");
    for (const std::string &file : {index, dir_ / "15(1).regf", dir_ / "15(1).regf.check"})
        EXPECT_EQ(security[LowerText(file)], kBackupSecurity) << file;
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 15, 1); }, {}, {index}), "Key restore successful.");

    const std::string refused = "The backup in " + dir_.path() +
                                " was not restored: users other than Administrators and SYSTEM may change that "
                                "folder or its files.";
    ChangeRun();
    const auto changed = Dump(HKEY_LOCAL_MACHINE, kRun);
    security[LowerText(dir_ / "15(1).regf")] = adminsOnly + "(A;;FW;;;BU)";
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 15, 1); }, {}, {index}), refused);
    security[LowerText(dir_ / "15(1).regf")] = kBackupSecurity;
    security[LowerText(dir_.path())] = "O:BAD:(A;OICI;FA;;;BA)(A;OICIIO;SDGXGWGR;;;AU)(A;;0x1301bf;;;AU)";
    EXPECT_EQ(Told([&] { RestoreAllLocations(ui_); }, {dir_.path()}), refused);
    SetBackupSecurityStandIn({});
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), changed);
}

TEST_F(BackupTest, RestoreChecksTheFileAndItsData) {
    TestKey policies(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System");
    SetRegString(HKEY_CURRENT_USER, policies.path(), "Shell", "qmshell.exe");
    ScanIt(7);
    int pass = 0;
    for (int p = 1; p <= UpperBound(Loc(7).Passes); ++p)
        pass = Loc(7).Passes[static_cast<size_t>(p)].EntryIndexes.size() > 1 ? p : pass;
    ASSERT_GT(pass, 0);
    const std::string file = dir_ / "7.DAT";
    ASSERT_EQ(Told([&] { BackupSelectedLocation(ui_, 7, pass); }, {dir_.path()}), "Backup successful.");
    const auto saved = Dump(HKEY_CURRENT_USER, policies.path());
    ASSERT_TRUE(CopyFileA((dir_ / "7.dat").c_str(), (dir_ / "17.dat").c_str(), FALSE));
    ASSERT_TRUE(MoveFileA((dir_ / "7.dat").c_str(), file.c_str()));
    auto restore = [&](const std::string &chosen) {
        SetRegString(HKEY_CURRENT_USER, policies.path(), "Shell", "changed.exe");
        return Told([&] { RestoreSelectedLocation(ui_, 7, pass); }, {}, {chosen});
    };
    EXPECT_EQ(restore(dir_ / "17.dat"),
              "The file you selected was not the correct file: 7.dat was needed to restore that key.");
    EXPECT_EQ(restore(file), "Key restore successful.");
    EXPECT_EQ(Dump(HKEY_CURRENT_USER, policies.path()), saved);

    const auto section = std::to_string(pass);
    WritePrivateProfileStringA(section.c_str(), "Path", "SOFTWARE\\Elsewhere", file.c_str());
    EXPECT_EQ(restore(file), "Unable to restore key due to data mismatch.");
    EXPECT_EQ(ReadString(ScopedKey(OpenKey(HKEY_CURRENT_USER, policies.path())).get(), "Shell"), "changed.exe");
    WritePrivateProfileStringA(section.c_str(), nullptr, nullptr, file.c_str());
    EXPECT_EQ(restore(file), "Invalid data in file.");
}

// Section numbers are 16-bit in an index file: a larger one would be
// written wrapped (40000 as -25536) and read back as another section.
TEST_F(BackupTest, SectionsBeyondSixteenBitsAreRefused) {
    const std::string index = dir_ / "15.dat";
    WritePrivateProfileStringA("40000", "Path", kRun.c_str(), index.c_str());
    WritePrivateProfileStringA("40000", "Scope", "1", index.c_str());
    BackupRec record;
    EXPECT_FALSE(GetBackupRecord(index, record, 40000));
    ScanIt(15);
    Loc(15).Passes.resize(40001, Loc(15).Passes[1]);
    ChangeFlags flags;
    BackupPass(15, 40000, dir_.path(), flags);
    EXPECT_FALSE(flags.success || flags.failure);
    EXPECT_EQ(NamesInFolder(dir_.path()), std::vector<std::string>{"15.dat"});
}

// Two user hives loaded as an offline installation's users.
TEST_F(BackupTest, TwoUsersBackUpIntoTwoSectionsAndRestoreAll) {
    TestKey scratch(HKEY_LOCAL_MACHINE, kScratch);
    MountedHives hives;
    for (const std::string name : {"Ann", "Bob"}) {
        SetRegString(HKEY_LOCAL_MACHINE, kScratch + "\\" + name + "\\" + kRun, name + "Tool", name + ".exe");
        ASSERT_TRUE(SaveKeyToFile(kScratch + "\\" + name, dir_ / name, HKEY_LOCAL_MACHINE));
        ASSERT_TRUE(hives.Mount(dir_ / name, HKEY_USERS, "_REMOTE_Qm" + name));
    }
    ScanIt(24, true);
    ASSERT_EQ(UpperBound(Loc(24).Passes), 2);
    const std::string ann = "_REMOTE_QmAnn\\" + kRun, bob = "_REMOTE_QmBob\\" + kRun;
    const auto annSaved = Dump(HKEY_USERS, ann), bobSaved = Dump(HKEY_USERS, bob);

    // The header rows and the list text come from the grids.
    struct : GridPictures {
        PictureId RegPic() override { return 1; }
        PictureId FilePic() override { return 2; }
        PictureId DisPic() override { return 3; }
        PictureId FileIcon(const std::string &) override { return 4; }
    } pictures;
    CategoryGrids grids;
    grids.LoadGrids(pictures);
    TempDir backup;
    // The grids filled again while the folder dialog is open (a change let
    // in by the watch): what they show then is written.
    const std::string before = grids.GetGridsText();
    ui_.whileChoosing = [&] {
        for (const RowRef &row : grids.ShownRows())
            if (row.IsEntry()) {
                Loc(row.location).Entries[static_cast<size_t>(row.entry)].EntryName += " (changed)";
                break;
            }
        SelectionState none;
        grids.ClearGrids(none);
        grids.LoadGrids(pictures);
    };
    EXPECT_EQ(Told([&] { RunBackupAll(ui_, grids); }, {backup.path()}), "All keys were successfully backed up.");
    ui_.whileChoosing = nullptr;
    EXPECT_EQ(ui_.busy, (std::vector<bool>{true, false}));
    EXPECT_NE(grids.GetGridsText(), before);
    EXPECT_EQ(ReadFileBytes(backup / "Quillmara.txt"), grids.GetGridsText());
    EXPECT_EQ(Section(backup / "24.dat", 1), "HKEY_USERS\\|SOFTWARE\\|_REMOTE_SOFTWARE\\|4|" + ann);
    EXPECT_EQ(Section(backup / "24.dat", 2), "HKEY_USERS\\|SOFTWARE\\|_REMOTE_SOFTWARE\\|4|" + bob);
    EXPECT_TRUE(FileExists(backup / "24(1).regf") && FileExists(backup / "24(2).regf"));

    SetRegString(HKEY_USERS, ann, "AnnTool", "changed.exe");
    SetRegString(HKEY_USERS, bob, "Added", "added.exe");
    const auto restoreAll = [&] { RunRestoreAll(ui_), RunRestoreAll(ui_); };
    EXPECT_EQ(Told(restoreAll, {dir_.path(), backup.path()}), // the first holds no backup
              "Some keys were unable to be restored.|All keys were successfully restored.");
    EXPECT_EQ(Dump(HKEY_USERS, ann), annSaved);
    EXPECT_EQ(Dump(HKEY_USERS, bob), bobSaved);
}

TEST_F(BackupTest, StartupFolderFilesComeBackAfterDeletion) {
    const std::string folder = MakeStartupFolder();
    const std::vector<std::string> names = {"a.lnk", "b.exe", "c.bat", "AutorunsDisabled\\d.lnk"};
    for (const std::string &name : names)
        ASSERT_TRUE(WriteFileBytes(folder + name, "bytes of " + name));
    ScanIt(18);
    ASSERT_EQ(UpperBound(Loc(18).Entries), 4);
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {dir_.path()}), "Backup successful.");
    EXPECT_EQ(Section(dir_ / "18.dat", 1), "||_REMOTE_|5|" + folder);
    EXPECT_EQ(NamesInFolder(dir_ / "18(1)").size(), 4u); // three files and the disabled folder

    for (const std::string &name : names)
        ASSERT_TRUE(DeleteFileA((folder + name).c_str()));
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 18, 1); }, {}, {dir_ / "18.dat"}),
              "Key restore successful.");
    for (const std::string &name : names)
        EXPECT_EQ(ReadFileBytes(folder + name), "bytes of " + name);
}

// "All Users" a user linked to a folder of another's: its file is listed, but
// Backup copies nothing out through the link.
TEST_F(BackupTest, NothingIsCopiedOutThroughALinkedFolder) {
    TempDir elsewhere;
    std::string made = elsewhere.path();
    for (const std::string level : {"Start Menu", "Programs", "Startup"})
        ASSERT_TRUE(CreateDirectoryA((made += "\\" + level).c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(made + "\\secret.bat", "secret"));
    ProfilesDir() = profiles_.path() + "\\";
    ASSERT_TRUE(MakeFolderLink(elsewhere.path(), profiles_ / "All Users"));
    ScanIt(18);
    ASSERT_EQ(UpperBound(Loc(18).Entries), 1);
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {dir_.path()}), "Unable to back up any registry keys.");
    EXPECT_EQ(GetFileAttributesA((dir_ / "18(1)\\secret.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveFolderLink(profiles_ / "All Users");
}

// An offline installation on a drive of its own, its SOFTWARE hive loaded as
// "_REMOTE_SOFTWARE": backups cross between its view and the running system's.
TEST_F(BackupTest, AFileNameTheCodePageCannotSpellIsNotCopied) {
    const std::string folder = MakeStartupFolder();
    const std::string victim = folder + "..\\victim.bat";
    ASSERT_TRUE(WriteFileBytes(victim, "admin"));
    ASSERT_TRUE(WriteFileBytes(folder + "plain.bat", "plain"));
    const std::wstring named = WideText(folder) + L"..\xFF0Fvictim.bat";
    HANDLE file = CreateFileW(named.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    ScanIt(18);
    Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {dir_.path()});
    EXPECT_EQ(ReadFileBytes(dir_ / "18(1)\\plain.bat"), "plain");
    for (const char *copy : {"18(1)\\victim.bat", "victim.bat"})
        EXPECT_EQ(GetFileAttributesA((dir_ / copy).c_str()), INVALID_FILE_ATTRIBUTES) << copy;
    EXPECT_EQ(ReadFileBytes(victim), "admin");
    DeleteFileW(named.c_str());
}

TEST_F(BackupTest, BackupsCrossBetweenTheOfflineAndTheRunningView) {
    KeyGuard guard;
    TestKey scratch(HKEY_LOCAL_MACHINE, kScratch);
    OfflineDrive drive;
    ASSERT_TRUE(drive.ok() && drive.MakeWindowsFolder("WINDOWS"));
    SetRegString(HKEY_LOCAL_MACHINE, kScratch + "\\Microsoft\\Windows\\CurrentVersion\\Run", "Offline", "D:\\off.exe");
    const std::string hive = drive / "WINDOWS\\system32\\config\\software", remoteRun = "_REMOTE_" + kRun;
    ASSERT_TRUE(SaveKeyToFile(kScratch, hive, HKEY_LOCAL_MACHINE));
    MountedHives hives;
    ASSERT_TRUE(hives.Mount(hive, HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    UseInstallations(1, drive.root(), drive / "WINDOWS");
    LoadPaths();

    TempDir fromOffline, fromLocal;
    ScanIt(15, true);
    const auto offline = Dump(HKEY_LOCAL_MACHINE, remoteRun);
    const auto backup = [&] { BackupSelectedLocation(ui_, 15, 1); };
    const auto restore = [&] { RestoreSelectedLocation(ui_, 15, 1); };
    EXPECT_EQ(Told(backup, {fromOffline.path()}), "Backup successful.");
    EXPECT_EQ(Section(fromOffline / "15.dat", 1), "HKEY_LOCAL_MACHINE\\|SOFTWARE\\|_REMOTE_SOFTWARE\\|2|" + remoteRun);
    FillRun();
    ScanIt(15, false);
    EXPECT_EQ(Told(backup, {fromLocal.path()}), "Backup successful.");
    const auto local = Dump(HKEY_LOCAL_MACHINE, kRun);
    EXPECT_EQ(Told(restore, {}, {fromOffline / "15.dat"}), "Key restore successful.");
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kRun), offline);

    ScanIt(15, true);
    EXPECT_EQ(Told(restore, {}, {fromLocal / "15.dat"}), "Key restore successful.");
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, remoteRun), local);
}

TEST_F(BackupTest, BackupAllCountsKeysThatCouldNotBeSavedAndFilesNotCopied) {
    const std::string runOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
    KeyGuard guard(runOnce);
    SetRegString(HKEY_LOCAL_MACHINE, runOnce, "QmOnce", "x.exe");
    ScanIt(17);
    ScanIt(3); // a key that does not exist: neither saved nor failed
    ASSERT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + Loc(3).Path));
    const std::vector<RowRef> rows = {{17, 1}, {3, 1}};
    auto backupAll = [&](const std::vector<RowRef> &which) {
        TempDir into;
        return Told([&] { BackupAllLocations(ui_, Shown(which)); }, {into.path()});
    };
    EXPECT_EQ(backupAll(rows), "All keys were successfully backed up.");
    SetStoreFault(
        [](const char *call) -> long { return std::string(call) == "RegSaveKeyA" ? ERROR_ACCESS_DENIED : 0; });
    EXPECT_EQ(backupAll(rows), "Unable to back up any registry keys.");
    SetStoreFault(nullptr);

    // A Startup file gone since the scan cannot be copied.
    const std::string folder = MakeStartupFolder();
    ASSERT_TRUE(WriteFileBytes(folder + "gone.lnk", "x") && WriteFileBytes(folder + "kept.lnk", "y"));
    ScanIt(18);
    ASSERT_TRUE(DeleteFileA((folder + "gone.lnk").c_str()));
    EXPECT_EQ(backupAll({{17, 1}, {18, 1}}), "Some keys were unable to be backed up.");
    // Deleted by the user, it is no failure: only the kept file is copied.
    for (auto &entry : Loc(18).Entries)
        entry.Deleted = entry.ItemName == folder + "gone.lnk";
    TempDir into;
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {into.path()}), "Backup successful.");
    EXPECT_EQ(NamesInFolder(into / "18(1)"), std::vector<std::string>{"kept.lnk"});

    // A folder where the list cannot be written: nothing else is written.
    TempDir locked;
    ASSERT_TRUE(WriteFileBytes(locked / "Quillmara.txt", "old"));
    FileHandle holder(
        CreateFileA((locked / "Quillmara.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ui_.styles.clear();
    EXPECT_EQ(Told([&] { BackupAllLocations(ui_, Shown(rows)); }, {locked.path()}),
              "Unable to save files to that location. May be read-only.");
    EXPECT_EQ(ui_.styles, std::vector<int>{0});
    EXPECT_EQ(NamesInFolder(locked.path()), std::vector<std::string>{"Quillmara.txt"});
}

// A user's Startup file that is a second name of a program they may not
// read: Backup copies nothing out of it, and a second name planted where
// Restore puts a file back gets nothing written into it.
TEST_F(BackupTest, NothingIsCopiedOutOfNorRestoredIntoASecondName) {
    TempDir elsewhere;
    ASSERT_TRUE(WriteFileBytes(elsewhere / "service.exe", "service"));
    const std::string folder = MakeStartupFolder();
    ASSERT_TRUE(WriteFileBytes(folder + "plain.bat", "plain"));
    ASSERT_TRUE(CreateHardLinkA((folder + "qmlink.exe").c_str(), (elsewhere / "service.exe").c_str(), nullptr));
    ScanIt(18);
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {dir_.path()}),
              "Some keys were unable to be backed up.");
    EXPECT_EQ(NamesInFolder(dir_ / "18(1)"), std::vector<std::string>{"plain.bat"});

    ASSERT_TRUE(DeleteFileA((folder + "plain.bat").c_str()));
    ASSERT_TRUE(CreateHardLinkA((folder + "plain.bat").c_str(), (elsewhere / "service.exe").c_str(), nullptr));
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 18, 1); }, {}, {dir_ / "18.dat"}), "");
    EXPECT_EQ(ReadFileBytes(elsewhere / "service.exe"), "service");
}

// Links a user planted in the folder chosen for a backup, to a folder or a
// file, or second names of another file: Backup refuses the folder and writes
// nothing through any of them. Links above the chosen folder are the administrator's: a backup below one
// is written and restored.
TEST_F(BackupTest, BackupWritesNothingThroughLinksPlantedInItsFolder) {
    KeyGuard guard;
    FillRun();
    ScanIt(15);
    TempDir elsewhere;
    const std::string nightly = elsewhere / "nightly.cmd";
    ASSERT_TRUE(WriteFileBytes(nightly, "rem nightly"));
    // A linked folder, a link to a file, second names of a file: the folder
    // is refused, and nothing is written through any of them.
    TempDir linked, named;
    ASSERT_TRUE(MakeFolderLink(elsewhere.path(), linked / "15(1)"));
    ASSERT_TRUE(MakeFolderLink(nightly, named / "15.dat"));
    for (const char *name : {"15(1).regf.check", "Quillmara.txt"})
        ASSERT_TRUE(CreateHardLinkA((named / name).c_str(), nightly.c_str(), nullptr));
    for (const TempDir *planted : {&linked, &named}) {
        const std::string refused = "The backup was not written to " + planted->path() +
                                    ": users other than Administrators and SYSTEM may change that folder or its files.";
        EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 15, 1); }, {planted->path()}), refused);
        EXPECT_EQ(Told([&] { BackupAllLocations(ui_, Shown({{15, 1}})); }, {planted->path()}), refused);
    }
    EXPECT_EQ(NamesInFolder(linked.path()), std::vector<std::string>{"15(1)"});
    EXPECT_EQ(ReadFileBytes(nightly), "rem nightly");
    RemoveFolderLink(linked / "15(1)");
    RemoveFolderLink(named / "15.dat");

    // Below a link: backed up, restored, and the link itself refused.
    const std::string folder = MakeStartupFolder();
    ASSERT_TRUE(WriteFileBytes(folder + "tool.bat", "tool"));
    ScanIt(18);
    TempDir documents;
    ASSERT_TRUE(MakeFolderLink(documents.path(), dir_ / "Documents"));
    const std::string below = dir_ / "Documents\\backup";
    ASSERT_TRUE(CreateDirectoryA(below.c_str(), nullptr));
    EXPECT_EQ(Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {below}), "Backup successful.");
    ASSERT_TRUE(DeleteFileA((folder + "tool.bat").c_str()));
    EXPECT_EQ(Told([&] { RestoreSelectedLocation(ui_, 18, 1); }, {}, {below + "\\18.dat"}), "Key restore successful.");
    EXPECT_EQ(ReadFileBytes(folder + "tool.bat"), "tool");
    EXPECT_NE(Told([&] { BackupSelectedLocation(ui_, 18, 1); }, {dir_ / "Documents"}).find("was not written"),
              std::string::npos);
    RemoveFolderLink(dir_ / "Documents");
}

// The index file's text as the profile calls leave it: other sections and
// lines stay, a key of the section in any case is replaced in place, a new
// one follows the section's last line.
TEST(IndexText, KeysAreWrittenIntoTheirSectionOnly) {
    const std::string before = "; kept\r\n[1]\r\nPath=old\r\nother=x\r\n\r\n[ 2 ]\r\nscope=1\r\n";
    EXPECT_EQ(WithProfileKeys(before, "2", {{"Scope", "5"}, {"Path", "p"}}),
              "; kept\r\n[1]\r\nPath=old\r\nother=x\r\n\r\n[ 2 ]\r\nScope=5\r\nPath=p\r\n");
    EXPECT_EQ(WithProfileKeys(before, "3", {{"Path", "q"}}), before + "[3]\r\nPath=q\r\n");
    EXPECT_EQ(WithProfileKeys("", "1", {{"MainKey", ""}, {"Path", "r"}}), "[1]\r\nMainKey=\r\nPath=r\r\n");
    EXPECT_EQ(WithProfileKeys("[1]\r\nPath=a", "1", {{"Scope", "3"}}), "[1]\r\nPath=a\r\nScope=3\r\n");
}

} // namespace
