#include <gtest/gtest.h>

#include <windows.h>

#include <shlwapi.h>

#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "support/store_support.h"
#include "support/folder_files.h"
#include "support/testing.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/handles.h"

using namespace storetest;

namespace {

const std::string kKey = kBase + "\\Backup";

void MakeContent() {
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "Tool", "C:\\tool.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "Path", "%SystemRoot%\\x.exe", REG_EXPAND_SZ);
    SetRegMultiString(HKEY_LOCAL_MACHINE, kKey, "List", {"a", "b"});
    SetRegDword(HKEY_LOCAL_MACHINE, kKey, "Start", 2);
    SetRegString(HKEY_LOCAL_MACHINE, kKey + "\\Sub\\Deeper", "", "deep");
}

void ChangeContent() {
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "Tool", "C:\\changed.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kKey, "Added", "new");
    DeleteRegTree(HKEY_LOCAL_MACHINE, kKey + "\\Sub");
    SetRegString(HKEY_LOCAL_MACHINE, kKey + "\\NewSub", "X", "y");
}

TEST(Backup, SaveChangeRestoreGivesTheSavedKey) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    TempDir dir;
    MakeContent();
    const Tree saved = Dump(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_TRUE(SaveKeyToFile(kKey, dir / "backup.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(PrivilegesEnabled()); // dropped after each use
    EXPECT_EQ(NamesInFolder(dir.path()), (std::vector<std::string>{"backup.hiv", "backup.hiv.check"}));

    ChangeContent();
    const Tree changed = Dump(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_NE(changed, saved);
    ASSERT_TRUE(RestoreKeyFromFile(kKey, dir / "backup.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(PrivilegesEnabled());
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kKey), saved); // the content, not the result alone
    EXPECT_EQ(RestoreLeftovers(), std::vector<std::string>{});

    // The backup file is only read.
    const std::string bytes = ReadFileBytes(dir / "backup.hiv");
    ChangeContent();
    ASSERT_TRUE(RestoreKeyFromFile(kKey, dir / "backup.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(ReadFileBytes(dir / "backup.hiv"), bytes);
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kKey), saved);
}

TEST(Backup, ARestoreThatCannotWorkChangesNothing) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    TempDir dir;
    MakeContent();
    const Tree before = Dump(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_TRUE(WriteFileBytes(dir / "text.hiv", "this is not a hive file\r\n"));
    EXPECT_FALSE(RestoreKeyFromFile(kKey, dir / "text.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(RestoreKeyFromFile(kKey, dir / "missing.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kKey), before);
    ASSERT_TRUE(SaveKeyToFile(kKey, dir / "good.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(RestoreKeyFromFile(kBase + "\\Missing", dir / "good.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Missing"));
    EXPECT_FALSE(PrivilegesEnabled());
    EXPECT_EQ(RestoreLeftovers(), std::vector<std::string>{});
}

TEST(Backup, ASaveReplacesTheOldFileOnlyWhenItSucceeded) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    TempDir dir;
    const std::string file = dir / "backup.hiv";
    MakeContent();
    const Tree first = Dump(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_TRUE(SaveKeyToFile(kKey, file, HKEY_LOCAL_MACHINE));
    const std::string firstBytes = ReadFileBytes(file);

    // A key that does not open, and a file held by another program: the
    // earlier backup stays as it was, and no temporary file is left.
    EXPECT_FALSE(SaveKeyToFile(kBase + "\\Missing", file, HKEY_LOCAL_MACHINE));
    ChangeContent();
    {
        FileHandle holder(CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(SaveKeyToFile(kKey, file, HKEY_LOCAL_MACHINE));
    }
    EXPECT_EQ(ReadFileBytes(file), firstBytes);
    EXPECT_EQ(NamesInFolder(dir.path()), (std::vector<std::string>{"backup.hiv", "backup.hiv.check"}));

    // A read-only backup is replaced too.
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    const Tree second = Dump(HKEY_LOCAL_MACHINE, kKey);
    ASSERT_TRUE(SaveKeyToFile(kKey, file, HKEY_LOCAL_MACHINE));
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    MakeContent();
    DeleteRegTree(HKEY_LOCAL_MACHINE, kKey + "\\Sub");
    ASSERT_TRUE(RestoreKeyFromFile(kKey, file, HKEY_LOCAL_MACHINE));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kKey), second);
    EXPECT_NE(second, first);
}

// Windows restores a key with its own call (security kept, protected keys
// written); only Wine copies the content of a loaded hive. The platform
// branch runs here through a stand-in for the call, which stops part-way;
// the key is put back from the guard's hive file with the same call, which
// the stand-in carries out as Wine can (load the file, copy it in).
TEST(Backup, OnWindowsThePlatformRestoresTheKeyWithTheForceFlag) {
    EXPECT_EQ(KeyRestoreMethodFor(false), KeyRestoreMethod::PlatformRestore);
    EXPECT_EQ(KeyRestoreMethodFor(true), KeyRestoreMethod::LoadAndCopy);
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    TempDir dir;
    const std::string data = DefaultDataFolder();
    const bool madeData = !FolderExists(data + "\\") && CreateDirectoryA(data.c_str(), nullptr);
    MakeContent();
    const std::string file = dir / "backup.hiv";
    ASSERT_TRUE(SaveKeyToFile(kKey, file, HKEY_LOCAL_MACHINE));
    ChangeContent();
    const Tree changed = Dump(HKEY_LOCAL_MACHINE, kKey);
    std::vector<std::string> calls, opened;
    SetStoreFault([&](const char *call) -> long {
        if (std::string(call).starts_with("RegOpenKeyExA"))
            opened.push_back(call);
        return 0;
    });
    SetPlatformKeyRestore([&](HKEY key, const std::string &from, DWORD flags) -> long {
        calls.push_back(ReadString(key, "Tool") + "|" + from + "|" + std::to_string(flags));
        if (calls.size() == 1) {
            RegDeleteTreeA(key, "NewSub");
            return ERROR_PRIVILEGE_NOT_HELD;
        }
        if (RegLoadKeyA(HKEY_USERS, "QmGuardCheck", from.c_str()) != ERROR_SUCCESS)
            return ERROR_BADDB;
        RegDeleteTreeA(key, nullptr);
        HKEY loaded = nullptr;
        RegOpenKeyExA(HKEY_USERS, "QmGuardCheck", 0, KEY_READ, &loaded);
        const LONG rc = static_cast<LONG>(SHCopyKeyA(loaded, nullptr, key, 0));
        RegCloseKey(loaded);
        RegUnLoadKeyA(HKEY_USERS, "QmGuardCheck");
        return rc;
    });
    EXPECT_FALSE(RestoreKeyFromFile(kKey, file, HKEY_LOCAL_MACHINE));
    SetPlatformKeyRestore(nullptr);
    SetStoreFault(nullptr);
    ASSERT_FALSE(opened.empty());
    EXPECT_EQ(opened.front(), "RegOpenKeyExA:BackupRestore"); // the key to restore, under the restore privilege
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0], "C:\\changed.exe|" + file + "|8");    // the key itself, forced
    EXPECT_EQ(calls[1].substr(0, calls[1].find('|')), "C:\\changed.exe");
    EXPECT_NE(calls[1].find("|" + data + "\\RestoreCopy-"), std::string::npos) << calls[1];
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kKey), changed);        // put back from the guard's file
    EXPECT_EQ(RestoreLeftovers(), std::vector<std::string>{}); // no temporary hive either
    const std::string guard = calls[1].substr(calls[1].find(data));
    EXPECT_FALSE(FileExists(guard.substr(0, guard.find('|'))));

    // The next restore's name is taken by an older record and its hive file
    // (a process of the same id, dead): refused, and that file is kept.
    const std::string used = guard.substr(0, guard.find(".regf"));
    const size_t dash = used.find_last_of('-');
    const std::string next = used.substr(0, dash + 1) + std::to_string(std::stoi(used.substr(dash + 1)) + 1);
    const std::string record = "Software\\Fernhollowsys\\Quillmara\\" + next.substr(next.find_last_of('\\') + 1);
    SetRegString(HKEY_LOCAL_MACHINE, record, "File", next + ".regf");
    ASSERT_TRUE(WriteFileBytes(next + ".regf", "older"));
    SetPlatformKeyRestore([](HKEY, const std::string &, DWORD) -> long { return ERROR_SUCCESS; });
    EXPECT_FALSE(RestoreKeyFromFile(kKey, file, HKEY_LOCAL_MACHINE));
    SetPlatformKeyRestore(nullptr);
    EXPECT_EQ(ReadFileBytes(next + ".regf"), "older");
    DeleteFileA((next + ".regf").c_str());
    DeleteRegTree(HKEY_LOCAL_MACHINE, record);
    if (madeData)
        RemoveDirectoryA(data.c_str());
}

TEST(Backup, LoadsEnablePrivilegesOnceAndASaveDropsThem) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    TempDir dir;
    MakeContent();
    ASSERT_TRUE(SaveKeyToFile(kKey, dir / "h.hiv", HKEY_LOCAL_MACHINE));
    LoadedHives().assign(1, LoadedHive{});
    ASSERT_TRUE(LoadHive(dir / "h.hiv", HKEY_USERS, "QmStoreTestA"));
    EXPECT_TRUE(PrivilegesEnabled());
    ASSERT_TRUE(SaveKeyToFile(kKey, dir / "i.hiv", HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(PrivilegesEnabled());
    ASSERT_TRUE(LoadHive(dir / "i.hiv", HKEY_USERS, "QmStoreTestB"));
    EXPECT_TRUE(PrivilegesEnabled());
    UnloadHive(HKEY_USERS, "QmStoreTestA");
    UnloadHive(HKEY_USERS, "QmStoreTestB");
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "QmStoreTestA"));
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "QmStoreTestB"));
    DisablePrivileges();
    LoadedHives().assign(1, LoadedHive{});
}

} // namespace
