#include <gtest/gtest.h>

#include <windows.h>

#include <memory>

#include "changes/change_detect.h"
#include "changes/settings.h"
#include "changes/snapshot.h"
#include "changes/startup_run.h"
#include "changes/watch.h"
#include "fake_host.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "system/folder_trust.h"
#include "system/handles.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "system/platform.h"
#include "system/codepage.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunOnce = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
const std::string kUserRun = "S-1-5-21-0-0-0-1000\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Text(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    const RegValue v = k ? ReadValue(k.get(), name) : RegValue{};
    return v.present ? v.Text() : "<none>";
}

void DeleteValue(HKEY root, const std::string &key, const std::string &name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_ALL_ACCESS, &k) == ERROR_SUCCESS) {
        RegDeleteValueA(k, name.c_str());
        RegCloseKey(k);
    }
}

std::string ServicesKey() { return "SYSTEM\\" + CurrentControlSet() + "\\Services"; }

// A service as the scanner lists it.
void AddService(const std::string &name, const std::string &image) {
    const std::string key = ServicesKey() + "\\" + name;
    SetRegDword(HKEY_LOCAL_MACHINE, key, "Start", 2);
    SetRegDword(HKEY_LOCAL_MACHINE, key, "Type", 16);
    SetRegString(HKEY_LOCAL_MACHINE, key, "ObjectName", "LocalSystem");
    SetRegString(HKEY_LOCAL_MACHINE, key, "ImagePath", image, REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, key + "\\Parameters", "Extra", "kept");
}

// Watching on a snapshot of the running system, in a folder of the test's own.
class WatchTest : public testing::Test {
  protected:
    void SetUp() override {
        UnloadRemoteHives();
        previousPath_ = ReadSetting("SnapshotPath");
        previousTaken_ = ReadSetting("SnapshotTaken");
        WriteSetting("SnapshotPath", folder_.path());
        WriteSetting("SnapshotTaken", "No");
        Watch() = WatchState{};
    }
    void TearDown() override {
        for (const std::wstring &name : startupNames_)
            DeleteFileW((L"\\\\?\\" + WideText(startup_) + name).c_str());
        if (madeStartup_)
            RemoveDirectoryA(startup_.c_str());
        for (const char *name : {"QmEvil", "QmKeep1", "QmKeep2", "QmA"})
            DeleteValue(HKEY_LOCAL_MACHINE, kRun, name);
        DeleteValue(HKEY_LOCAL_MACHINE, kRunOnce, "QmC");
        DeleteValue(HKEY_USERS, kUserRun, "QmEvil");
        DeleteValue(HKEY_USERS, kUserRun, "QmB");
        for (const char *name : {"QmSvcA", "QmSvcB"})
            DeleteRegTree(HKEY_LOCAL_MACHINE, ServicesKey() + "\\" + name);
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
    // Scans the running system, rebuilds the snapshot and switches watching on.
    void StartWatching() {
        UseInstallations(0);
        LoadPaths();
        ASSERT_TRUE(SetScope(true));
        ASSERT_TRUE(RebuildSnapshot(host_));
        WatchToggle(host_);
        ASSERT_TRUE(Watch().running);
        host_.asked.clear();
    }
    // The scanned All Users Startup folder, made when missing; it and the
    // names given in it are taken away when the test ends.
    std::string StartupFolder(std::vector<std::wstring> names) {
        UseInstallations(0);
        LoadPaths();
        EXPECT_TRUE(SetScope(true));
        startup_ = ScanLocations()[18].Passes[1].KeyText;
        madeStartup_ = GetFileAttributesA(startup_.c_str()) == INVALID_FILE_ATTRIBUTES;
        EXPECT_TRUE(MakeFolders(startup_));
        startupNames_ = std::move(names);
        return startup_;
    }
    // One tick; the prompts it showed.
    size_t Tick() {
        const size_t before = host_.asked.size();
        WatchTick(host_);
        return host_.asked.size() - before;
    }

    TempDir folder_;
    FakeHost host_;
    std::string previousPath_, previousTaken_;
    std::string startup_;
    bool madeStartup_ = false;
    std::vector<std::wstring> startupNames_;
};

// While a command works on the shown records, a tick does nothing; the timer
// runs on and the next tick finds the change.
TEST_F(WatchTest, NoTickWhileACommandRuns) {
    StartWatching();
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmEvil", "C:\\evil.exe");
    host_.answers = {kAnswerYes};
    {
        CommandRunning running;
        EXPECT_EQ(Tick(), 0u);
        EXPECT_TRUE(host_.timer);
    }
    EXPECT_EQ(Tick(), 1u);
}

TEST_F(WatchTest, RebuildThenSwitchOnUsesTheReadySnapshot) {
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    ASSERT_TRUE(RebuildSnapshot(host_));
    EXPECT_TRUE(Watch().watching);
    EXPECT_FALSE(Watch().running);
    EXPECT_FALSE(host_.watchChecked);
    EXPECT_EQ(ReadSetting("SnapshotTaken"), "No");
    EXPECT_EQ(host_.progressLabels.size(), 1u);

    // Switching on builds nothing, and the snapshot hives stay loaded.
    WatchToggle(host_);
    EXPECT_EQ(host_.progressLabels.size(), 1u);
    EXPECT_TRUE(Watch().running && host_.timer && host_.watchChecked && host_.trayChecked);
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun));
    EXPECT_EQ(Tick(), 0u);

    // An allowed change afterwards lasts in the snapshot hive.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmEvil", "C:\\evil.exe");
    host_.answers = {kAnswerYes};
    EXPECT_EQ(Tick(), 1u);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, "QmEvil"), "C:\\evil.exe");

    // Switching off stops and unloads; on again builds anew.
    WatchToggle(host_);
    EXPECT_FALSE(Watch().watching || Watch().running || host_.timer || host_.trayChecked);
    WatchToggle(host_);
    EXPECT_EQ(host_.progressLabels.size(), 2u);
    EXPECT_EQ(ReadSetting("SnapshotTaken"), "Yes");
    EXPECT_TRUE(Watch().running);
}

TEST_F(WatchTest, AddedValueDeniedThenAllowed) {
    StartWatching();
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmEvil", "C:\\evil.exe");
    host_.answers = {kAnswerNo};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_EQ(host_.asked[0].title, "STARTUP CHANGE");
    EXPECT_EQ(host_.asked[0].style, 4163);
    EXPECT_EQ(host_.asked[0].prompt, ChangePromptText(true, "QmEvil", "Logon", "C:\\evil.exe", true));
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, "QmEvil"), "<none>");
    EXPECT_TRUE(host_.timer);
    EXPECT_EQ(Tick(), 0u);

    // Added again and allowed: in the snapshot, its file and the grids.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmEvil", "C:\\evil.exe");
    host_.answers = {kAnswerYes};
    const int refreshes = host_.refreshes;
    // Window events run while the allowed entry's file is read: until the
    // grids are filled again, the records they were filled from stay.
    int pumped = 0;
    bool changedUnderGrids = false;
    SetEventPump([&] {
        ++pumped;
        for (const auto &e : ScanLocations()[15].Entries)
            changedUnderGrids |= host_.refreshes == refreshes && e.EntryName == "QmEvil";
    });
    ASSERT_EQ(Tick(), 1u);
    SetEventPump(nullptr);
    EXPECT_GT(pumped, 0);
    EXPECT_FALSE(changedUnderGrids);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, "QmEvil"), "C:\\evil.exe");
    EXPECT_NE(ReadFileBytes(folder_ / "15(1).regf").find("QmEvil"), std::string::npos);
    EXPECT_GT(host_.refreshes, refreshes);
    bool shown = false;
    for (const auto &e : ScanLocations()[15].Entries)
        shown |= e.EntryName == "QmEvil";
    EXPECT_TRUE(shown);
    EXPECT_EQ(Tick(), 0u);

    // A No whose delete fails says so; the next tick asks again.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmKeep1", "C:\\k.exe");
    SetStoreFault([](const char *call) { return std::string(call) == "RegDeleteValueA" ? 5L : 0L; });
    host_.answers = {kAnswerNo};
    const size_t asked = Tick();
    SetStoreFault(nullptr);
    ASSERT_GE(asked, 2u);
    EXPECT_EQ(host_.asked.back().prompt, "Unable to delete the autorun of QmKeep1");
    EXPECT_EQ(host_.asked.back().style, 4160);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, "QmKeep1"), "C:\\k.exe");
    host_.answers = {kAnswerNo};
    EXPECT_GE(Tick(), 1u);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, "QmKeep1"), "<none>");
}

// Two values added to one key in one tick, the first asked allowed and the
// other denied: the snapshot keeps only the allowed one, so the denied value
// is neither asked about again nor kept where a later No could bring it back.
TEST_F(WatchTest, AllowAndDenyInOneKeyLeaveOnlyTheAllowedInTheSnapshot) {
    StartWatching();
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmKeep1", "C:\\one.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmKeep2", "C:\\two.exe");
    host_.answers = {kAnswerYes, kAnswerNo};
    ASSERT_EQ(Tick(), 2u);
    const bool firstIsOne = host_.asked[0].prompt.find("'QmKeep1'") != std::string::npos;
    const std::string allowed = firstIsOne ? "QmKeep1" : "QmKeep2";
    const std::string denied = firstIsOne ? "QmKeep2" : "QmKeep1";
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, denied), "<none>");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, denied), "<none>");
    EXPECT_NE(Text(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, allowed), "<none>");
    EXPECT_EQ(ReadFileBytes(folder_ / "15(1).regf").find(denied), std::string::npos);
    EXPECT_EQ(Tick(), 0u);
}

TEST_F(WatchTest, RemovedEntriesComeBackAloneOnNo) {
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmKeep1", "C:\\one.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmKeep2", "C:\\two.exe");
    UseInstallations(0);
    LoadPaths();
    AddService("QmSvcA", "C:\\Program Files\\Qm\\a.exe");
    AddService("QmSvcB", "C:\\Program Files\\Qm\\b.exe");
    StartWatching();

    // A removed Run value: only it comes back; another value's new data stays.
    DeleteValue(HKEY_LOCAL_MACHINE, kRun, "QmKeep1");
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmKeep2", "C:\\changed.exe");
    host_.answers = {kAnswerNo};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_EQ(host_.asked[0].prompt.substr(0, 33), "REMOVED: Startup Entry 'QmKeep1' ");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, "QmKeep1"), "C:\\one.exe");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, "QmKeep2"), "C:\\changed.exe");
    EXPECT_EQ(Tick(), 0u);

    // A removed service: only that service, with its subkeys.
    DeleteRegTree(HKEY_LOCAL_MACHINE, ServicesKey() + "\\QmSvcA");
    SetRegString(HKEY_LOCAL_MACHINE, ServicesKey() + "\\QmSvcB", "ImagePath", "C:\\new.exe", REG_EXPAND_SZ);
    host_.answers = {kAnswerNo};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, ServicesKey() + "\\QmSvcA", "ImagePath"), "C:\\Program Files\\Qm\\a.exe");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, ServicesKey() + "\\QmSvcA\\Parameters", "Extra"), "kept");
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, ServicesKey() + "\\QmSvcB", "ImagePath"), "C:\\new.exe");
    EXPECT_EQ(Tick(), 0u);

    // Removed and allowed: the snapshot forgets it.
    DeleteValue(HKEY_LOCAL_MACHINE, kRun, "QmKeep2");
    host_.answers = {kAnswerYes};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, "QmKeep2"), "<none>");
    EXPECT_EQ(Tick(), 0u);
}

TEST_F(WatchTest, OnePromptPerKeyAndCancelStopsAsking) {
    StartWatching();
    // The same name in the machine's and the user's Run key.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmEvil", "C:\\evil.exe");
    SetRegString(HKEY_USERS, kUserRun, "QmEvil", "C:\\evil.exe");
    // A tick that arrives while a prompt is open shows no second one.
    host_.tickInsidePrompt = true;
    host_.answers = {kAnswerNo, kAnswerNo};
    ASSERT_EQ(Tick(), 2u);
    host_.tickInsidePrompt = false;
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, "QmEvil"), "<none>");
    EXPECT_EQ(Text(HKEY_USERS, kUserRun, "QmEvil"), "<none>");

    // Cancel on the second of three: the first stays applied, the third is
    // not asked, watching is off.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmA", "C:\\a.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRunOnce, "QmC", "C:\\c.exe");
    SetRegString(HKEY_USERS, kUserRun, "QmB", "C:\\b.exe");
    host_.answers = {kAnswerYes, kAnswerCancel};
    ASSERT_EQ(Tick(), 2u);
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, "_REMOTE_" + kRun, "QmA"), "C:\\a.exe");
    EXPECT_FALSE(Watch().running || Watch().wanted || host_.timer || host_.watchChecked || host_.trayChecked);
    EXPECT_TRUE(Watch().watching);
    EXPECT_EQ(Text(HKEY_USERS, kUserRun, "QmB"), "C:\\b.exe");
}

TEST_F(WatchTest, FailedBuildAndStartWithWindows) {
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    // Every hive save fails: no snapshot, and the user is told.
    SetStoreFault([](const char *call) { return std::string(call) == "RegSaveKeyA" ? 5L : 0L; });
    EXPECT_FALSE(RebuildSnapshot(host_));
    WatchToggle(host_);
    SetStoreFault(nullptr);
    ASSERT_EQ(host_.asked.size(), 2u);
    EXPECT_EQ(host_.asked[0].prompt, kSnapshotError);
    EXPECT_EQ(host_.asked[0].title, "SNAPSHOT ERROR");
    EXPECT_EQ(host_.asked[1].prompt,
              std::string(kSnapshotError) + " Please rebuild the snapshot from the Options/Watching menu.");
    EXPECT_FALSE(Watch().watching || Watch().wanted || host_.watchChecked);
    host_.asked.clear();

    // Refused while others may change the program's file or folder (under
    // Wine they read as owned by the process's user): nothing is written.
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    OverrideFolderSecurityKept(true);
    StartWithWindowsClick(host_);
    OverrideFolderSecurityKept(std::nullopt);
    ASSERT_EQ(host_.asked.size(), 1u);
    EXPECT_EQ(host_.asked[0].prompt.rfind("Quillmara cannot start with Windows from where it is", 0), 0u);
    EXPECT_NE(host_.asked[0].prompt.find(std::string(exe) + ": its owner is not"), std::string::npos);
    EXPECT_FALSE(Watch().startWithWindows || host_.startChecked || RunValueRegistered());
    EXPECT_EQ(Text(HKEY_LOCAL_MACHINE, kRun, RunValueName()), "<none>");
    host_.asked.clear();

    // Registering writes the exact command, the path in quotes, and rebuilds
    // the snapshot.
    StartWithWindowsClick(host_);
    EXPECT_TRUE(Watch().startWithWindows && host_.startChecked && Watch().watching);
    {
        ScopedKey run(OpenKey(HKEY_LOCAL_MACHINE, kRun));
        const RegValue v = ReadValue(run.get(), RunValueName());
        EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
        // Written without a NUL; the registry itself adds one when the byte
        // after the text is a NUL, as Windows does.
        EXPECT_EQ(v.Text(), std::string(1, '"') + exe + "\" /Watch");
        EXPECT_LE(v.data.size(), std::string(exe).size() + 10);
    }
    EXPECT_TRUE(RunValueRegistered());
    // The unquoted form earlier versions wrote still reads as this program's.
    SetRegString(HKEY_LOCAL_MACHINE, kRun, RunValueName(), std::string(exe) + " /Watch");
    EXPECT_TRUE(RunValueRegistered());
    StartWithWindowsClick(host_);
    EXPECT_FALSE(Watch().startWithWindows || host_.startChecked || RunValueRegistered());

    // Removed meanwhile by another program: the item stays checked.
    StartWithWindowsClick(host_);
    DeleteValue(HKEY_LOCAL_MACHINE, kRun, RunValueName());
    host_.asked.clear();
    StartWithWindowsClick(host_);
    ASSERT_EQ(host_.asked.size(), 1u);
    EXPECT_EQ(host_.asked[0].prompt, "Failed to delete program from startup.");
    EXPECT_TRUE(Watch().startWithWindows && host_.startChecked);
}

TEST_F(WatchTest, StartupFilesComeBackAndReachTheSnapshot) {
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    const std::string folder = ScanLocations()[18].Passes[1].KeyText;
    const std::string disabled = folder + "AutorunsDisabled";
    const bool made = GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
    ASSERT_TRUE(MakeFolders(folder));
    ASSERT_TRUE(WriteFileBytes(folder + "qmtool.exe", "MZ"));
    StartWatching();

    // A removed file, No: it is copied back from the snapshot.
    ASSERT_TRUE(DeleteFileA((folder + "qmtool.exe").c_str()));
    host_.answers = {kAnswerNo};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_NE(host_.asked[0].prompt.find("LOCATION: File"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(folder + "qmtool.exe"), "MZ");
    EXPECT_EQ(Tick(), 0u);

    // An added disabled file, Yes: copied to the disabled branch of the snapshot.
    ASSERT_TRUE(MakeFolders(disabled));
    ASSERT_TRUE(WriteFileBytes(disabled + "\\qmoff.exe", "MZ"));
    host_.answers = {kAnswerYes};
    ASSERT_EQ(Tick(), 1u);
    const std::string copy = folder_ / "AutorunsDisabled\\18(1)\\qmoff.exe";
    EXPECT_EQ(ReadFileBytes(copy), "MZ");
    EXPECT_EQ(Tick(), 0u);

    // Removed and allowed: its copy goes.
    ASSERT_TRUE(DeleteFileA((disabled + "\\qmoff.exe").c_str()));
    host_.answers = {kAnswerYes};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Tick(), 0u);

    DeleteFileA((folder + "qmtool.exe").c_str());
    RemoveDirectoryA(disabled.c_str());
    if (made)
        RemoveDirectoryA(folder.c_str());
}

// A user turns the All Users Startup folder into a link to another's folder
// after the snapshot: "Yes" to the file the link shows copies nothing out
// into the snapshot, nor does building the snapshot again.
TEST_F(WatchTest, NothingIsCopiedOutThroughALinkedStartupFolder) {
    CapturedLog log;
    TempDir elsewhere;
    ASSERT_TRUE(WriteFileBytes(elsewhere / "secret.bat", "secret"));
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    const std::string folder = ScanLocations()[18].Passes[1].KeyText;
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES)
        GTEST_SKIP() << folder << " is there already";
    ASSERT_TRUE(MakeFolders(FolderPart(folder.substr(0, folder.size() - 1))));
    StartWatching();
    const std::string link = folder.substr(0, folder.size() - 1);
    ASSERT_TRUE(MakeFolderLink(elsewhere.path(), link));
    const std::unique_ptr<const std::string, void (*)(const std::string *)> unlink(
        &link, [](const std::string *l) { RemoveFolderLink(*l); });
    host_.answers = {kAnswerYes};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_NE(host_.asked[0].prompt.find("secret.bat"), std::string::npos);
    const std::string copy = folder_ / "18(1)\\secret.bat";
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(log.text().find("Error saving Startmenu shortcut to snapshot."), std::string::npos);
    StopWatch(host_);
    ASSERT_TRUE(SetScope(true));
    RebuildSnapshot(host_);
    EXPECT_EQ(GetFileAttributesA(copy.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(log.text().find("18 = " + folder + "secret.bat"), std::string::npos);
    EXPECT_EQ(ReadFileBytes(elsewhere / "secret.bat"), "secret");
}

// Startup files the snapshot cannot copy: one held open without read
// sharing, a second name of a file elsewhere (the user's link to a program
// they may not read), names ending in a dot and naming a device. Watching
// starts, from a new snapshot and from the one kept on disk, none of them is
// asked about, nothing of the linked file is copied, and the removal of one
// is asked once.
TEST_F(WatchTest, FilesTheSnapshotCannotCopyNeitherStopNorNag) {
    CapturedLog log;
    TempDir elsewhere;
    ASSERT_TRUE(WriteFileBytes(elsewhere / "service.exe", "service"));
    const std::vector<std::wstring> odd = {L"qmdot.", L"com1.lnk"};
    const std::string folder = StartupFolder({L"qmdot.", L"com1.lnk", L"qmheld.bat", L"qmlink.exe"});
    ASSERT_TRUE(WriteFileBytes(folder + "qmheld.bat", "held"));
    FileHandle held(
        CreateFileA((folder + "qmheld.bat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    ASSERT_TRUE(CreateHardLinkA((folder + "qmlink.exe").c_str(), (elsewhere / "service.exe").c_str(), nullptr));
    for (const std::wstring &name : odd) {
        HANDLE file =
            CreateFileW((L"\\\\?\\" + WideText(folder) + name).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    StartWatching();
    EXPECT_EQ(Tick(), 0u);
    EXPECT_EQ(GetFileAttributesA((folder_ / "18(1)\\qmlink.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(log.text().find("18 = " + folder + "qmlink.exe is left out of the snapshot"), std::string::npos);

    StopWatch(host_);
    ASSERT_TRUE(SetScope(true));
    WriteSetting("SnapshotTaken", "Yes");
    WatchToggle(host_);
    ASSERT_TRUE(Watch().running);
    host_.asked.clear();
    EXPECT_EQ(Tick(), 0u);

    held.reset();
    ASSERT_TRUE(DeleteFileA((folder + "qmheld.bat").c_str()));
    host_.answers = {kAnswerNo};
    ASSERT_EQ(Tick(), 2u);
    EXPECT_EQ(host_.asked[0].prompt.rfind("REMOVED: Startup Entry '" + folder + "qmheld.bat' ", 0), 0u);
    EXPECT_EQ(host_.asked[1].prompt,
              "Unable to restore startup entry from snapshot: no copy of " + folder + "qmheld.bat was kept.");
    EXPECT_EQ(Tick(), 0u);
    EXPECT_EQ(ReadFileBytes(elsewhere / "service.exe"), "service");
}

// The user's startup file, removed and a second name of a service's program
// put in its place while the question is open: No writes nothing into it, and
// Yes to another such name copies nothing out of it.
TEST_F(WatchTest, NoAndYesNeverGoThroughASecondName) {
    TempDir elsewhere;
    ASSERT_TRUE(WriteFileBytes(elsewhere / "service.exe", "service"));
    const std::string folder = StartupFolder({L"qmtool.exe", L"qmother.exe"});
    ASSERT_TRUE(WriteFileBytes(folder + "qmtool.exe", "payload"));
    StartWatching();

    ASSERT_TRUE(DeleteFileA((folder + "qmtool.exe").c_str()));
    host_.answers = {kAnswerNo};
    bool linked = false;
    host_.whileAsked = [&] {
        if (!linked)
            linked = CreateHardLinkA((folder + "qmtool.exe").c_str(), (elsewhere / "service.exe").c_str(), nullptr);
    };
    ASSERT_EQ(Tick(), 2u);
    host_.whileAsked = nullptr;
    ASSERT_TRUE(linked);
    EXPECT_EQ(host_.asked[1].prompt, "Unable to restore startup entry from snapshot.");
    EXPECT_EQ(ReadFileBytes(elsewhere / "service.exe"), "service");

    ASSERT_TRUE(CreateHardLinkA((folder + "qmother.exe").c_str(), (elsewhere / "service.exe").c_str(), nullptr));
    host_.answers = {kAnswerYes};
    ASSERT_EQ(Tick(), 1u);
    EXPECT_EQ(GetFileAttributesA((folder_ / "18(1)\\qmother.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(Tick(), 0u);
}

// A user's file whose name the code page turns into "../qmvictim.bat": the
// snapshot, Yes and No copy and delete nothing its dots lead to. Taken in
// by Yes, it is not asked about again; its removal is asked once.
TEST_F(WatchTest, BestFitFileNameStaysWhereItIs) {
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    const std::string folder = ScanLocations()[18].Passes[1].KeyText;
    const bool made = GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
    ASSERT_TRUE(MakeFolders(folder));
    const std::string victim = folder + "..\\qmvictim.bat";
    ASSERT_TRUE(WriteFileBytes(victim, "admin"));
    const std::wstring named = WideText(folder) + L"..\xFF0Fqmvictim.bat";
    StartWatching();
    HANDLE file = CreateFileW(named.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    // A copy would land where the dots lead from the copy folder.
    const auto copied = [&] {
        return GetFileAttributesA((folder_ / "18(1)\\qmvictim.bat").c_str()) != INVALID_FILE_ATTRIBUTES ||
               GetFileAttributesA((folder_ / "qmvictim.bat").c_str()) != INVALID_FILE_ATTRIBUTES;
    };

    host_.answers = {kAnswerNo};
    EXPECT_GE(Tick(), 1u);
    EXPECT_EQ(ReadFileBytes(victim), "admin");
    EXPECT_NE(GetFileAttributesW(named.c_str()), INVALID_FILE_ATTRIBUTES);
    host_.answers = {kAnswerYes};
    EXPECT_EQ(Tick(), 1u);
    EXPECT_FALSE(copied());
    EXPECT_EQ(ReadFileBytes(victim), "admin");
    EXPECT_EQ(Tick(), 0u);

    ASSERT_TRUE(DeleteFileW(named.c_str()));
    host_.answers = {kAnswerNo};
    ASSERT_EQ(Tick(), 2u);
    EXPECT_EQ(host_.asked.back().prompt,
              "Unable to restore startup entry from snapshot: no copy of " + AnsiText(named) + " was kept.");
    EXPECT_EQ(Tick(), 0u);
    EXPECT_FALSE(copied());
    EXPECT_EQ(ReadFileBytes(victim), "admin");

    DeleteFileA(victim.c_str());
    if (made)
        RemoveDirectoryA(folder.c_str());
}

} // namespace
