#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "scan/state.h"
#include "support/folder_files.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "system/handles.h"
#include "system/platform.h"

namespace {

const std::string kScratch = "SOFTWARE\\QuillmaraTests\\Hives";

// Writes a hive file holding the values given (name, text) and one subkey.
void MakeHiveFile(const std::string &file, const std::vector<std::pair<std::string, std::string>> &values) {
    TestKey source(HKEY_LOCAL_MACHINE, kScratch + "\\Source");
    for (const auto &[name, text] : values)
        SetRegString(HKEY_LOCAL_MACHINE, source.path(), name, text);
    CreateRegKey(HKEY_LOCAL_MACHINE, source.path() + "\\Sub");
    EnablePrivileges();
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, source.path().c_str(), 0, KEY_READ, &key), ERROR_SUCCESS);
    DeleteFileA(file.c_str());
    const LONG rc = RegSaveKeyA(key, file.c_str(), nullptr);
    RegCloseKey(key);
    ASSERT_EQ(rc, ERROR_SUCCESS);
}

bool PrivilegeOn(const char *privilege) {
    LUID luid{};
    if (!LookupPrivilegeValueA(nullptr, privilege, &luid))
        return false;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return false;
    KernelHandle token(raw);
    DWORD size = 0;
    GetTokenInformation(token.get(), TokenPrivileges, nullptr, 0, &size);
    std::string buffer(size, '\0');
    if (!GetTokenInformation(token.get(), TokenPrivileges, buffer.data(), size, &size))
        return false;
    const auto *privileges = reinterpret_cast<const TOKEN_PRIVILEGES *>(buffer.data());
    for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
        const auto &entry = privileges->Privileges[i];
        if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
    return false;
}

// Removes whatever a failed test left loaded.
struct HiveCleanup {
    std::vector<std::pair<HKEY, std::string>> keys;
    ~HiveCleanup() {
        for (const auto &[root, name] : keys)
            RegUnLoadKeyA(root, name.c_str());
        LoadedHives().assign(1, LoadedHive{});
    }
};

TEST(Hives, ChangeInLoadedHiveSurvivesUnloadAndReload) {
    TempDir dir;
    const std::string file = dir / "software";
    MakeHiveFile(file, {{"Run", "old.exe"}});
    HiveCleanup cleanup{{{HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"}}};
    LoadedHives().assign(1, LoadedHive{});

    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"));
    ASSERT_EQ(LoadedHives().size(), 2u);
    EXPECT_EQ(LoadedHives()[1].Root, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(LoadedHives()[1].SubKey, "_REMOTE_QmTestA");
    EXPECT_EQ(LoadedHives()[1].File, file);
    EXPECT_TRUE(PrivilegesEnabled());
    {
        ScopedKey key(OpenKeyWrite(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"));
        ASSERT_TRUE(key);
        EXPECT_EQ(ReadString(key.get(), "Run"), "old.exe");
        ASSERT_TRUE(WriteString(key.get(), "Run", "new.exe"));
        ASSERT_EQ(RegDeleteKeyA(key.get(), "Sub"), ERROR_SUCCESS);
    }
    CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA\\AutorunsDisabled");
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA\\AutorunsDisabled", "Tool", "%SystemRoot%\\tool.exe",
                 REG_EXPAND_SZ);

    CapturedLog log;
    UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA");
    EXPECT_TRUE(log.lines().empty()) << log.text();
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"));
    EXPECT_EQ(LoadedHives().size(), 2u);                                        // unloading does not shorten the list
    EXPECT_EQ(NamesInFolder(dir.path()), std::vector<std::string>{"software"}); // no temporary file left

    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"));
    EXPECT_EQ(LoadedHives().size(), 3u);
    {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"));
        ASSERT_TRUE(key);
        EXPECT_EQ(ReadString(key.get(), "Run"), "new.exe");
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA\\Sub"));
        ScopedKey disabled(OpenKey(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA\\AutorunsDisabled"));
        const RegValue tool = ReadValue(disabled.get(), "Tool");
        EXPECT_EQ(tool.type, static_cast<DWORD>(REG_EXPAND_SZ));
        EXPECT_EQ(tool.Text(), "%SystemRoot%\\tool.exe");
    }
    UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA");
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestA"));
    EXPECT_EQ(OpenKeyCount(), 0);
}

TEST(Hives, FailuresAreLoggedAndChangeNothing) {
    TempDir dir;
    LoadedHives().assign(1, LoadedHive{});
    {
        CapturedLog log;
        EXPECT_FALSE(LoadHive(dir / "missing", HKEY_LOCAL_MACHINE, "_REMOTE_QmTestM"));
        EXPECT_FALSE(LoadHive(dir / "missing", HKEY_USERS, "_REMOTE_QmTestM"));
        EXPECT_EQ(LoadedHives().size(), 1u);
        EXPECT_EQ(log.lines(),
                  (std::vector<std::string>{"Failed to load hive: " + dir / "missing" + " as HKEY_LOCAL_MACHINE\\",
                                            "Failed to load hive: " + dir / "missing" + " as HKEY_USERS\\"}));
    }
    // A file that is no hive leaves no key that would pass for a loaded one.
    TempDir other;
    ASSERT_TRUE(WriteFileBytes(other / "text", "not a hive\r\n"));
    EXPECT_FALSE(LoadHive(other / "text", HKEY_LOCAL_MACHINE, "_REMOTE_QmTestM"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestM"));
    EXPECT_EQ(LoadedHives().size(), 1u);
    {
        CapturedLog log;
        UnloadHive(HKEY_USERS, "_REMOTE_QmTestNone");
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0], "Non-zero return unloading hive _REMOTE_QmTestNone : 2");
    }
    // A hive that is still in use stays loaded and listed, and keeps its
    // changes until it can be unloaded.
    const std::string file = dir / "NTUSER.DAT";
    MakeHiveFile(file, {{"A", "1"}});
    HiveCleanup cleanup{{{HKEY_USERS, "_REMOTE_QmTestBusy"}}};
    ASSERT_TRUE(LoadHive(file, HKEY_USERS, "_REMOTE_QmTestBusy"));
    {
        ScopedKey busy(OpenKeyWrite(HKEY_USERS, "_REMOTE_QmTestBusy"));
        ASSERT_TRUE(busy);
        ASSERT_TRUE(WriteString(busy.get(), "A", "2"));
        CapturedLog log;
        UnloadHive(HKEY_USERS, "_REMOTE_QmTestBusy");
        ASSERT_EQ(log.lines().size(), 1u);
        EXPECT_EQ(log.lines()[0].rfind("Non-zero return unloading hive _REMOTE_QmTestBusy : ", 0), 0u);
        EXPECT_TRUE(RegKeyExists(HKEY_USERS, "_REMOTE_QmTestBusy"));
        EXPECT_EQ(LoadedHives().size(), 2u);
    }
    UnloadHive(HKEY_USERS, "_REMOTE_QmTestBusy");
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "_REMOTE_QmTestBusy"));
    ASSERT_TRUE(LoadHive(file, HKEY_USERS, "_REMOTE_QmTestBusy"));
    {
        ScopedKey key(OpenKey(HKEY_USERS, "_REMOTE_QmTestBusy"));
        EXPECT_EQ(ReadString(key.get(), "A"), "2");
    }
    UnloadHive(HKEY_USERS, "_REMOTE_QmTestBusy");
    EXPECT_EQ(NamesInFolder(dir.path()), std::vector<std::string>{"NTUSER.DAT"});
}

TEST(Hives, WineSaveBackFailureKeepsTheHiveLoaded) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Windows writes a hive back itself";
    TempDir dir;
    const std::string file = dir / "system";
    MakeHiveFile(file, {{"Start", "2"}});
    const std::string before = ReadFileBytes(file);
    HiveCleanup cleanup{{{HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO"}}};
    LoadedHives().assign(1, LoadedHive{});
    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO"));
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO", "Start", "4");
    // Another program holds the file open, so it cannot be replaced.
    FileHandle holder(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    {
        CapturedLog log;
        UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO");
        // The change cannot be written back, so the hive is not dropped with it.
        EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO"));
        const auto lines = log.lines();
        ASSERT_EQ(lines.size(), 2u) << log.text();
        EXPECT_EQ(lines[0].rfind("UnloadHive replacing " + file + ": ", 0), 0u);
        EXPECT_EQ(lines[1], "Non-zero return unloading hive _REMOTE_QmTestRO : 1013");
    }
    holder.reset();
    EXPECT_EQ(ReadFileBytes(file), before);
    EXPECT_EQ(NamesInFolder(dir.path()), std::vector<std::string>{"system"});
    UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO");
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO"));
    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO"));
    {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO"));
        EXPECT_EQ(ReadString(key.get(), "Start"), "4");
    }
    UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmTestRO");
}

TEST(Hives, WineUnloadLeavesAPlainKeyThatIsNoHiveAlone) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Windows refuses to unload a key that is no hive";
    TestKey plain(HKEY_LOCAL_MACHINE, "QuillmaraTestsPlainKey");
    SetRegString(HKEY_LOCAL_MACHINE, plain.path(), "Keep", "me");
    LoadedHives().assign(1, LoadedHive{});
    CapturedLog log;
    UnloadHive(HKEY_LOCAL_MACHINE, plain.path());
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, plain.path()));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"Non-zero return unloading hive QuillmaraTestsPlainKey : 87"});
}

// A run that dies leaves its hives loaded under Wine: the next run, whose list
// is empty, still knows them as its own and unloads them, written back.
TEST(Hives, WineUnloadsAHiveAnEarlierRunLeftLoaded) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Windows keeps no record: it refuses to unload a key that is no hive";
    TempDir dir;
    const std::string file = dir / "left";
    MakeHiveFile(file, {{"Run", "old.exe"}});
    HiveCleanup cleanup{{{HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft"}}};
    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft"));
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft", "Run", "new.exe");
    LoadedHives().assign(1, LoadedHive{});

    EXPECT_TRUE(UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft"));
    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft"));
    EXPECT_EQ(ReadString(ScopedKey(OpenKey(HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft")).get(), "Run"), "new.exe");
    EXPECT_TRUE(UnloadHive(HKEY_LOCAL_MACHINE, "_REMOTE_QmLeft"));
}

TEST(Hives, UnloadRemoteHivesUnloadsEveryRemoteKeyAndPassesOverABusyOne) {
    TempDir dir;
    const std::string file = dir / "hive";
    MakeHiveFile(file, {{"A", "1"}});
    const std::vector<std::string> users = {"_REMOTE_QmT1", "_REMOTE_QmT2", "_REMOTE_QmT3", "_REMOTE_QmTBusy"};
    HiveCleanup cleanup;
    LoadedHives().assign(1, LoadedHive{});
    UnloadRemoteHives(); // whatever an earlier run left in the prefix
    for (const auto &name : users) {
        ASSERT_TRUE(LoadHive(file, HKEY_USERS, name));
        cleanup.keys.emplace_back(HKEY_USERS, name);
    }
    ASSERT_TRUE(LoadHive(file, HKEY_USERS, "_remote_QmTLower"));
    cleanup.keys.emplace_back(HKEY_USERS, "_remote_QmTLower");
    for (const char *name : {"_REMOTE_SYSTEM", "_REMOTE_SOFTWARE"}) {
        ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, name));
        cleanup.keys.emplace_back(HKEY_LOCAL_MACHINE, name);
    }
    const size_t listed = LoadedHives().size();

    HKEY busy = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_USERS, "_REMOTE_QmTBusy", 0, KEY_READ, &busy), ERROR_SUCCESS);
    {
        CapturedLog log;
        UnloadRemoteHives(); // must end although one key cannot be unloaded
        const auto lines = log.lines();
        ASSERT_EQ(lines.size(), 1u) << log.text();
        EXPECT_EQ(lines[0].rfind("Non-zero return unloading hive _REMOTE_QmTBusy : ", 0), 0u);
    }
    RegCloseKey(busy);
    for (const char *name : {"_REMOTE_QmT1", "_REMOTE_QmT2", "_REMOTE_QmT3"})
        EXPECT_FALSE(RegKeyExists(HKEY_USERS, name)) << name;
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_TRUE(RegKeyExists(HKEY_USERS, "_REMOTE_QmTBusy"));
    EXPECT_TRUE(RegKeyExists(HKEY_USERS, "_remote_QmTLower"));
    EXPECT_TRUE(RegKeyExists(HKEY_USERS, ".DEFAULT"));
    EXPECT_EQ(LoadedHives().size(), listed);
    EXPECT_EQ(OpenKeyCount(), 0);

    UnloadRemoteHives();
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "_REMOTE_QmTBusy"));
    UnloadHive(HKEY_USERS, "_remote_QmTLower");
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "_remote_QmTLower"));
}

TEST(Hives, RemoteHivesLoadedNeedsBoth) {
    TempDir dir;
    const std::string file = dir / "hive";
    MakeHiveFile(file, {});
    HiveCleanup cleanup{{{HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"}, {HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"}}};
    UnloadRemoteHives();
    EXPECT_FALSE(RemoteHivesLoaded());
    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM"));
    EXPECT_FALSE(RemoteHivesLoaded());
    ASSERT_TRUE(LoadHive(file, HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"));
    EXPECT_TRUE(RemoteHivesLoaded());
    EXPECT_EQ(OpenKeyCount(), 0);
    UnloadRemoteHives();
    EXPECT_FALSE(RemoteHivesLoaded());
}

TEST(Hives, ListUserHivesSkipsDefaultAndClasses) {
    TempDir dir;
    const std::string file = dir / "hive";
    MakeHiveFile(file, {});
    const std::vector<std::string> loaded = {"QmTestUser", "QmTest_Classes", "QmTestCLASSES", "_REMOTE_QmTestU"};
    HiveCleanup cleanup;
    for (const auto &name : loaded) {
        ASSERT_TRUE(LoadHive(file, HKEY_USERS, name));
        cleanup.keys.emplace_back(HKEY_USERS, name);
    }
    UserHives().assign(3, "stale");
    UserHives() = ListUserHives();
    const auto &list = UserHives();
    ASSERT_GE(list.size(), 3u);
    EXPECT_EQ(list[0], "");
    auto has = [&](const std::string &name) { return std::find(list.begin() + 1, list.end(), name) != list.end(); };
    EXPECT_TRUE(has("_REMOTE_QmTestUser"));
    EXPECT_TRUE(has("_REMOTE__REMOTE_QmTestU"));
    EXPECT_FALSE(has("_REMOTE_QmTest_Classes"));
    EXPECT_FALSE(has("_REMOTE_QmTestCLASSES"));
    EXPECT_FALSE(has("stale"));
    for (size_t i = 1; i < list.size(); ++i) {
        std::string upper = list[i];
        for (auto &c : upper)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        EXPECT_NE(upper, "_REMOTE_.DEFAULT");
        EXPECT_EQ(list[i].rfind("_REMOTE_", 0), 0u);
    }
    for (const auto &name : loaded)
        UnloadHive(HKEY_USERS, name);
    EXPECT_EQ(OpenKeyCount(), 0);
}

// Enables or disables one privilege of this process directly.
bool SetPrivilege(const char *privilege, bool on) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
        return false;
    KernelHandle token(raw);
    TOKEN_PRIVILEGES record{};
    record.PrivilegeCount = 1;
    record.Privileges[0].Attributes = on ? SE_PRIVILEGE_ENABLED : 0;
    return LookupPrivilegeValueA(nullptr, privilege, &record.Privileges[0].Luid) &&
           AdjustTokenPrivileges(token.get(), FALSE, &record, sizeof record, nullptr, nullptr) &&
           GetLastError() == ERROR_SUCCESS;
}

TEST(Privileges, EnableOnceDisableOnlyTheTwo) {
    DisablePrivileges();
    ASSERT_FALSE(PrivilegesEnabled());
    EXPECT_FALSE(PrivilegeOn("SeRestorePrivilege"));
    EXPECT_FALSE(PrivilegeOn("SeBackupPrivilege"));
    // A privilege the program did not enable must stay as it is.
    ASSERT_TRUE(SetPrivilege("SeShutdownPrivilege", true));
    ASSERT_TRUE(PrivilegeOn("SeShutdownPrivilege"));

    for (int i = 0; i < 3; ++i) {
        EnablePrivileges();
        EXPECT_TRUE(PrivilegesEnabled());
        EXPECT_TRUE(PrivilegeOn("SeRestorePrivilege"));
        EXPECT_TRUE(PrivilegeOn("SeBackupPrivilege"));
        DisablePrivileges();
        EXPECT_FALSE(PrivilegesEnabled());
        EXPECT_FALSE(PrivilegeOn("SeRestorePrivilege"));
        EXPECT_FALSE(PrivilegeOn("SeBackupPrivilege"));
        EXPECT_TRUE(PrivilegeOn("SeShutdownPrivilege"));
    }
    // While the flag is set, enabling does nothing (privileges dropped behind
    // its back stay dropped until it is cleared).
    EnablePrivileges();
    ASSERT_TRUE(SetPrivilege("SeBackupPrivilege", false));
    EnablePrivileges();
    EXPECT_FALSE(PrivilegeOn("SeBackupPrivilege"));
    DisablePrivileges();
    SetPrivilege("SeShutdownPrivilege", false);
}

} // namespace
