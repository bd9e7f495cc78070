#include <gtest/gtest.h>

#include <shlwapi.h>

#include <chrono>
#include <cstdio>

#include "registry/controlset.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kUserSid = "S-1-5-21-0-0-0-1000";

int Count(const std::vector<ScanLocation> &locations, int n) {
    return UpperBound(locations[static_cast<size_t>(n)].Entries);
}

bool HasEntry(const std::vector<ScanLocation> &locations, int n, const std::string &name) {
    const auto &entries = locations[static_cast<size_t>(n)].Entries;
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].EntryName == name)
            return true;
    return false;
}

void CopyTree(HKEY fromRoot, const std::string &from, HKEY toRoot, const std::string &to) {
    CreateRegKey(toRoot, to);
    HKEY source = nullptr, target = nullptr;
    if (RegOpenKeyExA(fromRoot, from.c_str(), 0, KEY_READ, &source) == ERROR_SUCCESS &&
        RegOpenKeyExA(toRoot, to.c_str(), 0, KEY_ALL_ACCESS, &target) == ERROR_SUCCESS)
        SHCopyKeyA(source, nullptr, target, 0);
    if (source != nullptr)
        RegCloseKey(source);
    if (target != nullptr)
        RegCloseKey(target);
}

// A snapshot of the running system's startup keys as plain keys under the
// "_REMOTE_" names (the scanned locations of ScanLocations() copied).
class SnapshotKeys {
  public:
    SnapshotKeys() {
        const auto &locations = ScanLocations();
        for (int n = 1; n <= UpperBound(locations); ++n) {
            const ScanLocation &loc = locations[static_cast<size_t>(n)];
            const std::string local = loc.LocalPath + loc.Path;
            if (loc.MainKey == HKEY_LOCAL_MACHINE) {
                CopyTree(HKEY_LOCAL_MACHINE, local, HKEY_LOCAL_MACHINE, loc.RemotePath + loc.Path);
            } else if (loc.MainKey == HKEY_USERS) {
                // The live per-user passes are the system account and the user.
                for (const std::string &sid : {std::string("S-1-5-18"), kUserSid})
                    if (RegKeyExists(HKEY_USERS, sid + "\\" + local))
                        CopyTree(HKEY_USERS, sid + "\\" + local, HKEY_USERS, "_REMOTE_" + sid + "\\" + local);
            }
        }
        CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
        CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
        CreateRegKey(HKEY_USERS, "_REMOTE_S-1-5-18");
        CreateRegKey(HKEY_USERS, "_REMOTE_" + kUserSid);
    }
    ~SnapshotKeys() {
        for (const char *name : {"_REMOTE_SOFTWARE", "_REMOTE_SYSTEM"})
            DeleteRegTree(HKEY_LOCAL_MACHINE, name);
        DeleteRegTree(HKEY_USERS, "_REMOTE_S-1-5-18");
        DeleteRegTree(HKEY_USERS, "_REMOTE_" + kUserSid);
    }
};

class WatchScanTest : public testing::Test {
  protected:
    void TearDown() override {
        ResetLocations(ScanLocations());
        ResetLocations(WatchLocations());
        ResetLocations(SnapshotLocations());
        SelectedOS() = 0;
    }
};

TEST_F(WatchScanTest, ChangesAfterTheSnapshotShowOnlyInTheLiveScan) {
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmWatchRemoved", "C:\\removed.exe");
    UseInstallations(0, "D:\\", "D:\\WINDOWS");
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    const std::vector<ScanLocation> shown = ScanLocations();
    SnapshotKeys snapshot;
    ASSERT_TRUE(TakeSnapshot());

    DeleteRegTree(HKEY_LOCAL_MACHINE, kRun + "\\QmWatchNothing");
    HKEY run = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, KEY_ALL_ACCESS, &run), ERROR_SUCCESS);
    RegDeleteValueA(run, "QmWatchRemoved");
    RegCloseKey(run);
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmWatchAdded", "C:\\added.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kRun, "QmWatchAdded2", "C:\\added2.exe");

    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(WatchRescan());
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("[ benchmark ] WatchRescan of the live registry: %.1f ms\n", ms);

    const auto &watch = WatchLocations();
    const auto &snap = SnapshotLocations();
    ASSERT_EQ(UpperBound(watch), 68);
    ASSERT_EQ(UpperBound(snap), 68);
    EXPECT_TRUE(HasEntry(watch, 15, "QmWatchAdded"));
    EXPECT_FALSE(HasEntry(snap, 15, "QmWatchAdded"));
    EXPECT_FALSE(HasEntry(watch, 15, "QmWatchRemoved"));
    EXPECT_TRUE(HasEntry(snap, 15, "QmWatchRemoved"));
    for (int n = 1; n <= 68; ++n) {
        if (n == 15)
            EXPECT_EQ(Count(watch, n), Count(snap, n) + 1);
        else
            EXPECT_EQ(Count(watch, n), Count(snap, n)) << "location " << n;
        // The definitions are copied unchanged; no file test was made.
        EXPECT_EQ(watch[static_cast<size_t>(n)].Scope, shown[static_cast<size_t>(n)].Scope);
        EXPECT_EQ(snap[static_cast<size_t>(n)].Scope, shown[static_cast<size_t>(n)].Scope);
        EXPECT_EQ(snap[static_cast<size_t>(n)].Path, shown[static_cast<size_t>(n)].Path);
        for (const auto &e : watch[static_cast<size_t>(n)].Entries)
            EXPECT_FALSE(e.HasFile);
    }
    // Per-user locations of the snapshot: one pass per "_REMOTE_" user hive.
    const auto &userRun = snap[24];
    ASSERT_EQ(UpperBound(userRun.Passes), 2);
    EXPECT_EQ(userRun.Passes[1].KeyText, "HKEY_USERS\\_REMOTE_S-1-5-18\\" + kRun);
    EXPECT_EQ(userRun.Passes[2].KeyText, "HKEY_USERS\\_REMOTE_" + kUserSid + "\\" + kRun);
    EXPECT_EQ(snap[15].Passes[1].KeyText,
              "HKEY_LOCAL_MACHINE\\_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run");
    // The grids' array is untouched.
    EXPECT_EQ(Count(ScanLocations(), 15), Count(shown, 15));

    for (const char *name : {"QmWatchAdded", "QmWatchAdded2"}) {
        HKEY key = nullptr;
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRun.c_str(), 0, KEY_ALL_ACCESS, &key);
        RegDeleteValueA(key, name);
        RegCloseKey(key);
    }
}

TEST_F(WatchScanTest, SnapshotFolderLocationsReadTheCopyFolders) {
    TempDir snapshot;
    ASSERT_TRUE(CreateDirectoryA((snapshot / "18(1)").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((snapshot / "AutorunsDisabled").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((snapshot / "AutorunsDisabled\\18(1)").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(snapshot / "18(1)\\tool.exe", "MZ"));
    ASSERT_TRUE(WriteFileBytes(snapshot / "AutorunsDisabled\\18(1)\\old.exe", "MZ"));
    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));
    SnapshotPath() = snapshot.path();
    ASSERT_TRUE(TakeSnapshot());
    SnapshotPath().clear();
    const auto &loc = SnapshotLocations()[18];
    ASSERT_EQ(UpperBound(loc.Entries), 2);
    // The copies stand for the live folder's files: they are named by it.
    const std::string folder = loc.Passes[1].KeyText;
    EXPECT_EQ(loc.Entries[1].ItemName, folder + "tool.exe");
    EXPECT_FALSE(loc.Entries[1].Disabled);
    EXPECT_EQ(loc.Entries[2].ItemName, folder + "\\AutorunsDisabled\\old.exe");
    EXPECT_TRUE(loc.Entries[2].Disabled);
    // Without the "_REMOTE_" keys the registry locations of the snapshot are empty.
    EXPECT_EQ(Count(SnapshotLocations(), 15), 0);
}

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (auto end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

TEST_F(WatchScanTest, EnvironmentTextOfAnOfflineInstallation) {
    const std::string env = "_REMOTE_SYSTEM\\ControlSet001\\Control\\Session Manager\\Environment";
    TestKey remote(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    SetRegDword(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\Select", "Current", 1);
    CreateRegKey(HKEY_LOCAL_MACHINE, env);
    UseInstallations(1, "D:\\", "D:\\WINDOWS");
    LoadPaths();
    SetControlSet(5);
    ProfilesDir() = "D:\\Documents and Settings\\";

    // No values: exactly the three lines, without a final line break.
    EXPECT_EQ(GetRemoteEnvironment(),
              "ProfilesDir=D:\\Documents and Settings\\\r\nSystemDrive=D:\r\nSystemRoot=D:\\WINDOWS");

    const std::string longValue = "C:\\" + std::string(400, 'p');
    SetRegString(HKEY_LOCAL_MACHINE, env, "Path", "%SystemRoot%\\system32;%SystemRoot%", REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, env, "Zlong", longValue);
    ProfilesDir().clear();
    const auto lines = Lines(GetRemoteEnvironment());
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "Path=D:\\WINDOWS\\system32;D:\\WINDOWS");
    EXPECT_EQ(lines[1], "Zlong=" + longValue);
    EXPECT_EQ(lines[2], "ProfilesDir=");
    EXPECT_EQ(lines[4], "SystemRoot=D:\\WINDOWS");
}

TEST_F(WatchScanTest, EnvironmentTextOfTheRunningSystem) {
    UseInstallations(0, "D:\\", "D:\\WINDOWS");
    LoadPaths();
    SetControlSet(2);
    const auto lines = Lines(GetRemoteEnvironment());
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines.back(), "SystemRoot=C:\\windows");
    EXPECT_EQ(lines[lines.size() - 2], "SystemDrive=C:");
    bool hasPath = false;
    for (const auto &line : lines)
        hasPath |= line.rfind("PATH=", 0) == 0 || line.rfind("Path=", 0) == 0;
    EXPECT_TRUE(hasPath);

    // An installation without a Windows folder: an empty drive, no error.
    ScanLocations()[0].Entries[0].ImagePath.clear();
    const auto empty = Lines(GetRemoteEnvironment());
    EXPECT_EQ(empty[empty.size() - 2], "SystemDrive=");
    EXPECT_EQ(empty.back(), "SystemRoot=");
}

} // namespace
