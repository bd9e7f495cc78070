#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/folder_locations.h"
#include "scan/imagepath.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "support/scan_pass.h"
#include "support/shellfiles.h"
#include "support/testing.h"

namespace {

const std::string kProfileList = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

std::string Browser(const std::string &prefix) {
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, prefix + "Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe"));
    return key ? ReadString(key.get(), "") : "";
}

// One folder location's entries and passes, as a scan leaves them.
struct Location {
    std::vector<StartupEntry> entries = std::vector<StartupEntry>(1);
    std::vector<ScanPass> passes = std::vector<ScanPass>(1);

    // Live pass of the location over keyPath, as the scan driver makes it.
    void Live(const std::string &keyPath, int category, int index, int scope) {
        passes.push_back(ScanPass{keyPath});
        LoadData(nullptr, keyPath, entries, category, index, "", scope, passes, false, ScannedInstallation());
    }
    // Entry by EntryName (the folder listing's order is the file system's).
    const StartupEntry *Find(const std::string &name) const {
        for (size_t i = 1; i < entries.size(); ++i)
            if (entries[i].EntryName == name)
                return &entries[i];
        return nullptr;
    }
    std::vector<int> Indexes(size_t pass) const { return passes.at(pass).EntryIndexes; }
};

std::vector<int> Range(int from, int to) {
    std::vector<int> v{0};
    for (int i = from; i <= to; ++i)
        v.push_back(i);
    return v;
}

// The scanned installation is the running system whose Windows folder is a
// temporary folder; the scan state is put back afterwards.
class FoldersTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedLocations_ = ScanLocations();
        savedOS_ = SelectedOS();
        savedSnapshot_ = SnapshotPath();
        savedProfiles_ = ProfilesDir();
        ScanLocations().assign(1, ScanLocation{});
        ScanLocations()[0].Entries[0].EntryName = "C:\\";
        ScanLocations()[0].Entries[0].ImagePath = windows_.path();
        SelectedOS() = 0;
        SnapshotPath().clear();
        app_ = root_ / "app.exe";
        ASSERT_TRUE(WriteFileBytes(app_, "MZ"));
    }
    void TearDown() override {
        ScanLocations() = savedLocations_;
        SelectedOS() = savedOS_;
        SnapshotPath() = savedSnapshot_;
        ProfilesDir() = savedProfiles_;
    }
    static std::string MakeFolder(const std::string &path) {
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }
    // A Startup folder holding a program, a shortcut, a read-only shortcut,
    // an internet shortcut, a shortcut whose path only its text holds, a
    // hidden file, desktop.ini, a subfolder, and one disabled file.
    std::string FillStartupFolder(const std::string &folder) {
        MakeFolder(folder);
        EXPECT_TRUE(WriteFileBytes(folder + "\\notes.txt", "hello"));
        EXPECT_TRUE(WriteFileBytes(folder + "\\Desktop.ini", "[.ShellClassInfo]\r\n"));
        EXPECT_TRUE(MakeShortcut(folder + "\\App.lnk", app_));
        EXPECT_TRUE(MakeShortcut(folder + "\\Locked.lnk", app_));
        SetFileAttributesA((folder + "\\Locked.lnk").c_str(), FILE_ATTRIBUTE_READONLY);
        EXPECT_TRUE(WriteFileBytes(folder + "\\News.url", "[InternetShortcut]\r\nURL=http://example.test/news\r\n"));
        EXPECT_TRUE(WriteFileBytes(folder + "\\Text.lnk",
                                   std::string(80, '\x01') + Utf16("%SystemRoot%\\system32\\tool.exe /x")));
        EXPECT_TRUE(WriteFileBytes(folder + "\\run.cmd", "@echo off"));
        SetFileAttributesA((folder + "\\run.cmd").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        MakeFolder(folder + "\\Sub");
        MakeFolder(folder + "\\AutorunsDisabled");
        EXPECT_TRUE(MakeShortcut(folder + "\\AutorunsDisabled\\Old.lnk", app_));
        return folder + "\\";
    }

    TempDir root_;
    TempDir windows_;
    std::string app_;

  private:
    std::vector<ScanLocation> savedLocations_;
    short savedOS_ = 0;
    std::string savedSnapshot_;
    std::string savedProfiles_;
};

TEST_F(FoldersTest, StartupFolderPassListsItsFilesAndThenTheDisabledOnes) {
    const std::string folder = FillStartupFolder(root_ / "Startup");
    Location loc;
    loc.Live(folder, kCatLogon, 19, 1);

    ASSERT_EQ(loc.entries.size(), 8u); // 6 live, 1 disabled, element 0
    EXPECT_EQ(loc.Find("Desktop.ini"), nullptr);
    EXPECT_EQ(loc.Find("Sub"), nullptr);
    auto check = [&](const std::string &name, const std::string &image) {
        const StartupEntry *e = loc.Find(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->ItemName, folder + name.substr(0, name.find(" ("))) << name;
        EXPECT_EQ(e->ImagePath, image) << name;
        EXPECT_FALSE(e->Disabled) << name;
        EXPECT_EQ(e->PassIndex, 1) << name;
        EXPECT_EQ(e->ItemType, 0) << name;
    };
    check("notes.txt", folder + "notes.txt");
    check("run.cmd", folder + "run.cmd");
    check("App.lnk", app_);
    check("Locked.lnk", app_);
    check("Text.lnk", windows_.path() + "\\system32\\tool.exe");
    check("News.url (http://example.test/news)", Browser("Software\\"));
    EXPECT_FALSE(Browser("Software\\").empty());

    // The disabled file comes last, below the doubled separator.
    const StartupEntry &old = loc.entries[7];
    EXPECT_EQ(old.EntryName, "Old.lnk");
    EXPECT_EQ(old.ItemName, folder + "\\AutorunsDisabled\\Old.lnk");
    EXPECT_EQ(old.ImagePath, app_);
    EXPECT_TRUE(old.Disabled);
    EXPECT_EQ(loc.Indexes(1), Range(1, 7));
    SetFileAttributesA((folder + "Locked.lnk").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FoldersTest, MissingOrEmptyFoldersGiveNoEntries) {
    Location loc;
    loc.Live(root_ / "NoSuchFolder\\", kCatLogon, 18, 5);
    loc.Live(root_.path() + "\\", kCatLogon, 19, 1); // files only: app.exe, not the subfolders
    MakeFolder(root_ / "Empty");
    MakeFolder(root_ / "Empty\\AutorunsDisabled");
    loc.Live(root_ / "Empty\\", kCatLogon, 19, 1);
    loc.Live("\\Tasks\\", kCatTaskScheduler, 47, 7); // no task folder
    EXPECT_EQ(loc.entries.size(), 2u);               // app.exe of the root folder
    EXPECT_EQ(loc.entries[1].EntryName, "app.exe");
    EXPECT_EQ(loc.passes.size(), 5u);
    EXPECT_EQ(loc.Indexes(2), Range(1, 1));
    for (const size_t p : {1, 3, 4})
        EXPECT_EQ(loc.Indexes(p), std::vector<int>{0}) << p;
}

TEST_F(FoldersTest, TaskFolderPassResolvesJobFiles) {
    const std::string tasks = MakeFolder(windows_ / "Tasks");
    ASSERT_TRUE(MakeTaskFile(tasks + "\\a.job", "C:\\Tools\\job.exe"));
    ASSERT_TRUE(MakeTaskFile(tasks + "\\b.JOB", "C:\\Tools\\other.exe", "/quiet"));
    ASSERT_TRUE(WriteFileBytes(tasks + "\\c.txt", "C:\\Tools\\not.exe"));
    ASSERT_TRUE(WriteFileBytes(tasks + "\\empty.job", ""));
    MakeFolder(tasks + "\\AutorunsDisabled");
    ASSERT_TRUE(MakeTaskFile(tasks + "\\AutorunsDisabled\\d.job", "C:\\Tools\\off.exe"));

    CapturedLog log;
    Location loc;
    loc.Live("\\Tasks\\", kCatTaskScheduler, 47, 7);
    ASSERT_EQ(loc.entries.size(), 5u);
    EXPECT_EQ(loc.Find("c.txt"), nullptr);
    const std::map<std::string, std::string> images = {
        {"a.job", "C:\\Tools\\job.exe"}, {"b.JOB", "C:\\Tools\\other.exe"}, {"empty.job", ""}};
    for (const auto &[name, image] : images) {
        const StartupEntry *e = loc.Find(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->ItemName, windows_.path() + "\\Tasks\\" + name);
        EXPECT_EQ(e->ImagePath, image);
        EXPECT_FALSE(e->Disabled);
    }
    EXPECT_EQ(loc.entries[4].EntryName, "d.job");
    EXPECT_EQ(loc.entries[4].ItemName, windows_.path() + "\\Tasks\\\\AutorunsDisabled\\d.job");
    EXPECT_EQ(loc.entries[4].ImagePath, "C:\\Tools\\off.exe");
    EXPECT_TRUE(loc.entries[4].Disabled);
    // The empty task file is the one log line.
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("TaskTarget " + windows_.path() + "\\Tasks\\empty.job", 0), 0u);
}

// An offline installation on a drive of its own: every path lands on that
// drive, the browser comes from the installation's own App Paths, and the
// text of a shortcut is completed with the installation's drive.
TEST_F(FoldersTest, OfflineStartupAndTaskFoldersLandOnTheInstallationsDrive) {
    OfflineDrive drive;
    ASSERT_TRUE(drive.ok());
    ASSERT_TRUE(drive.MakeWindowsFolder("WINDOWS"));
    ScannedInstall install(drive / "WINDOWS", true);
    TestKey remote(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
    const std::string offlineBrowser = "C:\\Program Files\\Web\\browser.exe";
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\iexplore.exe",
                 "", offlineBrowser);
    const char d = drive.letter();
    auto onDrive = [d](const std::string &path) { return std::string(1, d) + path.substr(1); };

    const std::string startup = "Documents and Settings\\Ann\\Start Menu\\Programs\\Startup";
    ASSERT_TRUE(drive.MakeFolder(startup));
    const std::string folder = FillStartupFolder(drive / startup);
    ASSERT_TRUE(WriteFileBytes(folder + "Rel.lnk",
                               std::string(80, '\x02') + Utf16("..\\..\\..\\..\\Program Files\\App\\rel.exe")));
    Location loc;
    loc.Live(folder, kCatLogon, 19, 2);
    ASSERT_EQ(loc.entries.size(), 9u);
    for (size_t i = 1; i < loc.entries.size(); ++i) {
        const StartupEntry &e = loc.entries[i];
        EXPECT_EQ(e.ItemName[0], d) << e.ItemName;
        EXPECT_FALSE(e.ImagePath.empty()) << e.EntryName;
        EXPECT_EQ(e.ImagePath[0], d) << e.EntryName << " " << e.ImagePath;
    }
    EXPECT_EQ(loc.Find("App.lnk")->ImagePath, onDrive(app_));
    EXPECT_EQ(loc.Find("Locked.lnk")->ImagePath, onDrive(app_));
    EXPECT_EQ(loc.Find("Text.lnk")->ImagePath, drive / "WINDOWS\\system32\\tool.exe");
    EXPECT_EQ(loc.Find("Rel.lnk")->ImagePath, drive / "Program Files\\App\\rel.exe");
    ASSERT_NE(loc.Find("News.url (http://example.test/news)"), nullptr);
    EXPECT_EQ(loc.Find("News.url (http://example.test/news)")->ImagePath, onDrive(offlineBrowser));
    EXPECT_EQ(loc.entries[8].ItemName, folder + "\\AutorunsDisabled\\Old.lnk");
    EXPECT_TRUE(loc.entries[8].Disabled);
    SetFileAttributesA((folder + "Locked.lnk").c_str(), FILE_ATTRIBUTE_NORMAL);

    // The task folder of the offline Windows folder; programs move to its drive.
    ASSERT_TRUE(drive.MakeFolder("WINDOWS\\Tasks"));
    ASSERT_TRUE(MakeTaskFile(drive / "WINDOWS\\Tasks\\a.job", "C:\\Tools\\job.exe"));
    Location tasks;
    tasks.Live("\\Tasks\\", kCatTaskScheduler, 47, 8);
    ASSERT_EQ(tasks.entries.size(), 2u);
    EXPECT_EQ(tasks.entries[1].ItemName, drive / "WINDOWS\\Tasks\\a.job");
    EXPECT_EQ(tasks.entries[1].ImagePath, drive / "Tools\\job.exe");
}

TEST(CopyFolders, OnlyPassNumbersOfTheLocationInRangeCount) {
    EXPECT_EQ(CopyFolderPass("19(2)", 19), 2);
    EXPECT_EQ(CopyFolderPass("19(32767)", 19), 32767);
    EXPECT_EQ(CopyFolderPass("47(1)", 47), 1);
    EXPECT_EQ(CopyFolderPass("19(2", 19), 2); // every ")" is dropped
    for (const char *name : {"19(0)", "19(99999)", "19(32768)", "19(x)", "19()", "19(-1)", "19(+2)", "19( 2)", "18(2)",
                             "x(2)", "(2)", "19", "19(4294967298)", "19(2)(3)"})
        EXPECT_EQ(CopyFolderPass(name, 19), 0) << name;
}

TEST_F(FoldersTest, SnapshotCopiesGiveThePassesOfTheLiveFolders) {
    TempDir snapshot;
    // Copy folders of location 18: pass 2 only (its live folder is pass 1's).
    const std::string profiles = MakeFolder(root_ / "Profiles") + "\\";
    ProfilesDir() = profiles;
    const std::string path18 = "All Users\\Start Menu\\Programs\\Startup\\";
    MakeFolder(snapshot / "18(2)");
    MakeFolder(snapshot / "AutorunsDisabled");
    MakeFolder(snapshot / "AutorunsDisabled\\18(2)");
    ASSERT_TRUE(WriteFileBytes(snapshot / "18(2)\\notes.txt", "copy"));
    ASSERT_TRUE(WriteFileBytes(snapshot / "18(2)\\desktop.ini", "copy"));
    ASSERT_TRUE(WriteFileBytes(snapshot / "18(2)\\News.url", "copy"));
    ASSERT_TRUE(WriteFileBytes(snapshot / "AutorunsDisabled\\18(2)\\old.cmd", "copy"));
    // Names that are ignored, and a file named like a copy folder.
    for (const char *name : {"18(0)", "18(99999)", "18(x)", "plain", "19(1)"})
        MakeFolder(snapshot / name);
    ASSERT_TRUE(WriteFileBytes(snapshot / "18(3)", "not a folder"));
    ASSERT_TRUE(WriteFileBytes(snapshot / "18(99999)\\x.txt", "x"));

    // No snapshot folder: nothing, passes as the caller made them.
    Location none;
    ScanStartupFolders(nullptr, path18, none.entries, kCatLogon, 18, "", 5, none.passes, ScannedInstallation());
    EXPECT_EQ(none.entries.size(), 1u);
    EXPECT_EQ(none.passes.size(), 1u);

    SnapshotPath() = snapshot.path();
    Location loc;
    loc.entries.resize(4); // left over from an earlier scan: replaced
    ScanStartupFolders(nullptr, path18, loc.entries, kCatLogon, 18, "", 5, loc.passes, ScannedInstallation());
    ASSERT_EQ(loc.passes.size(), 3u);
    EXPECT_EQ(loc.passes[1].KeyText, profiles + path18);
    EXPECT_EQ(loc.passes[2].KeyText, "");
    EXPECT_EQ(loc.Indexes(1), std::vector<int>{0});
    ASSERT_EQ(loc.entries.size(), 4u);
    const std::string live = profiles + path18;
    const StartupEntry *notes = loc.Find("notes.txt");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(notes->ItemName, live + "notes.txt");
    EXPECT_EQ(notes->ImagePath, live + "notes.txt");
    EXPECT_EQ(notes->PassIndex, 2);
    EXPECT_FALSE(notes->Disabled);
    // The internet shortcut's URL is read from the live file (missing here).
    const StartupEntry *news = loc.Find("News.url ()");
    ASSERT_NE(news, nullptr);
    EXPECT_EQ(news->ImagePath, Browser("Software\\"));
    EXPECT_EQ(loc.entries[3].EntryName, "old.cmd");
    EXPECT_EQ(loc.entries[3].ItemName, live + "\\AutorunsDisabled\\old.cmd");
    EXPECT_TRUE(loc.entries[3].Disabled);
    EXPECT_EQ(loc.entries[3].PassIndex, 2);
    EXPECT_EQ(loc.Indexes(2), Range(1, 3));

    // A pass number below those already there never shrinks the list.
    Location grown;
    grown.passes.resize(6);
    ScanStartupFolders(nullptr, path18, grown.entries, kCatLogon, 18, "", 5, grown.passes, ScannedInstallation());
    EXPECT_EQ(grown.passes.size(), 7u);
    EXPECT_EQ(grown.passes[6].KeyText, live);
    EXPECT_EQ(grown.Indexes(2), Range(1, 3));

    // Task copies: ".job" files only, targets read from the live task folder.
    const std::string tasks = MakeFolder(windows_ / "Tasks");
    ASSERT_TRUE(MakeTaskFile(tasks + "\\a.job", "C:\\Tools\\job.exe"));
    MakeFolder(snapshot / "47(1)");
    ASSERT_TRUE(WriteFileBytes(snapshot / "47(1)\\a.job", "copy"));
    ASSERT_TRUE(WriteFileBytes(snapshot / "47(1)\\c.txt", "copy"));
    Location task;
    ScanStartupFolders(nullptr, "\\Tasks\\", task.entries, kCatTaskScheduler, 47, "", 7, task.passes,
                       ScannedInstallation());
    ASSERT_EQ(task.entries.size(), 2u);
    EXPECT_EQ(task.entries[1].ItemName, windows_.path() + "\\Tasks\\a.job");
    EXPECT_EQ(task.entries[1].ImagePath, "C:\\Tools\\job.exe");
    EXPECT_EQ(task.Indexes(1), Range(1, 1));
}

// Location 19: one pass per profile of the running system's ProfileList; a
// second profile is added for the test.
TEST_F(FoldersTest, SnapshotOfProfileStartupFoldersReadsCopyFolderOfTheSecondProfile) {
    const std::string sid = "S-1-5-21-0-0-0-99999";
    const std::string profile = MakeFolder(root_ / "Second");
    TestKey key(HKEY_LOCAL_MACHINE, kProfileList + "\\" + sid);
    SetRegString(HKEY_LOCAL_MACHINE, key.path(), "ProfileImagePath", profile);
    const std::string path19 = "\\Start Menu\\Programs\\Startup\\";

    // The pass numbers the live scan gives: profiles with ProfileImagePath, in order.
    std::vector<std::string> folders{""};
    {
        ScopedKey list(OpenKey(HKEY_LOCAL_MACHINE, kProfileList));
        ASSERT_TRUE(list);
        for (const std::string &name : EnumSubKeys(list.get())) {
            ScopedKey p(OpenKey(HKEY_LOCAL_MACHINE, kProfileList + "\\" + name));
            const RegValue image = ReadValue(p.get(), "ProfileImagePath");
            if (image.present)
                folders.push_back(ExpandEnvVars(image.Text(), ScannedInstallation()) + path19);
        }
    }
    size_t n = 0;
    for (size_t i = 1; i < folders.size(); ++i)
        if (folders[i] == profile + path19)
            n = i;
    ASSERT_GE(n, 1u);
    ASSERT_GE(folders.size(), 3u);

    TempDir snapshot;
    SnapshotPath() = snapshot.path();
    const std::string copy = "19(" + std::to_string(n) + ")";
    MakeFolder(snapshot / copy);
    MakeFolder(snapshot / "AutorunsDisabled");
    MakeFolder(snapshot / ("AutorunsDisabled\\" + copy));
    ASSERT_TRUE(WriteFileBytes(snapshot / (copy + "\\tool.exe"), "copy"));
    ASSERT_TRUE(WriteFileBytes(snapshot / ("AutorunsDisabled\\" + copy + "\\old.exe"), "copy"));
    for (const char *name : {"19(0)", "19(99999)", "19(x)"})
        MakeFolder(snapshot / name);

    Location loc;
    ScanStartupFolders(nullptr, path19, loc.entries, kCatLogon, 19, "", 1, loc.passes, ScannedInstallation());
    ASSERT_EQ(loc.passes.size(), folders.size());
    for (size_t p = 1; p < folders.size(); ++p)
        EXPECT_EQ(loc.passes[p].KeyText, folders[p]);
    ASSERT_EQ(loc.entries.size(), 3u);
    EXPECT_EQ(loc.entries[1].ItemName, profile + path19 + "tool.exe");
    EXPECT_FALSE(loc.entries[1].Disabled);
    EXPECT_EQ(loc.entries[2].ItemName, profile + path19 + "\\AutorunsDisabled\\old.exe");
    EXPECT_TRUE(loc.entries[2].Disabled);
    for (size_t i = 1; i <= 2; ++i)
        EXPECT_EQ(loc.entries[i].PassIndex, static_cast<short>(n));
    EXPECT_EQ(loc.Indexes(n), Range(1, 2));
}

} // namespace
