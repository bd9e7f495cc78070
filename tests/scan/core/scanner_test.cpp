#include <gtest/gtest.h>

#include <cstdio>

#include "registry/access.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Scanner";

class ScannerTest : public testing::Test {
  protected:
    void SetUp() override { UseInstallations(0); }
    void TearDown() override { ResetLocations(ScanLocations()); }
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
};

TEST_F(ScannerTest, RunKeyListsLiveValuesThenDisabledOnes) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "ATool", "\"C:\\Program Files\\Tool\\tool.exe\" /min");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Bare2", "notepad");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\AutorunsDisabled", "Old", "C:\\old\\old.exe -x");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\AutorunsDisabled\\AutorunsDisabled", "Nested", "C:\\n.exe");
    const PassResult scan = ScanLocationPass(15, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(scan.count(), 3);
    EXPECT_EQ(scan[1].EntryName, "ATool");
    EXPECT_EQ(scan[1].ImagePath, "C:\\Program Files\\Tool\\tool.exe");
    EXPECT_FALSE(scan[1].Disabled);
    EXPECT_EQ(scan[1].ItemType, kItemNamedValue);
    EXPECT_EQ(scan[2].EntryName, "Bare2");
    EXPECT_EQ(scan[2].ImagePath, "C:\\windows\\system32\\notepad.exe");
    EXPECT_EQ(scan[3].EntryName, "Old");
    EXPECT_EQ(scan[3].ImagePath, "C:\\old\\old.exe");
    EXPECT_TRUE(scan[3].Disabled);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(scan[i].PassIndex, 1);
    EXPECT_EQ(scan.passes[1].EntryIndexes, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(ScannerTest, EmptyRunKeyWithDisabledValuesAndMissingKey) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\AutorunsDisabled", "A", "a.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\AutorunsDisabled", "B", "b.exe");
    const PassResult scan = ScanLocationPass(24, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(scan.count(), 2);
    EXPECT_TRUE(scan[1].Disabled && scan[2].Disabled);
    EXPECT_EQ(scan[2].ItemType, kItemNamedValue);

    const PassResult missing = ScanLocationPass(15, HKEY_LOCAL_MACHINE, kBase + "\\Missing");
    EXPECT_EQ(missing.count(), 0);
}

TEST_F(ScannerTest, LongValuesAreReadWhole) {
    const std::string folder = "C:\\" + std::string(300, 'd');
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Long", folder + "\\prog.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Shell", folder + "\\shell.exe,");
    const PassResult run = ScanLocationPass(15, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(run.count(), 2);
    EXPECT_EQ(run[1].ImagePath, folder + "\\prog.exe");
    const PassResult shell = ScanLocationPass(9, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(shell.count(), 1);
    EXPECT_EQ(shell[1].ImagePath, folder + "\\shell.exe");
}

TEST_F(ScannerTest, SingleValuesKeepTheirProgram) {
    // Userinit with its trailing comma, a shell without one, two programs.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Userinit", "C:\\windows\\system32\\userinit.exe,");
    const PassResult userinit = ScanLocationPass(6, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(userinit.count(), 1);
    EXPECT_EQ(userinit[1].ImagePath, "C:\\windows\\system32\\userinit.exe");
    EXPECT_EQ(userinit[1].EntryName, "userinit.exe");
    EXPECT_EQ(userinit[1].ItemType, kItemOwnValue);
    EXPECT_FALSE(userinit[1].Disabled);

    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Shell", "explorer.exe");
    const PassResult shell = ScanLocationPass(9, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(shell.count(), 1);
    EXPECT_EQ(shell[1].ImagePath, "explorer.exe");
    EXPECT_EQ(shell[1].EntryName, "explorer.exe");

    const PassResult machineShell = ScanLocationPass(10, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(machineShell.count(), 1);
    EXPECT_EQ(machineShell[1].EntryName, "explorer.exe");
    EXPECT_EQ(machineShell[1].ImagePath, "C:\\windows\\explorer.exe");

    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Userinit", "C:\\a.exe,C:\\b.exe");
    const PassResult two = ScanLocationPass(6, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(two.count(), 1);
    EXPECT_EQ(two[1].ImagePath, "C:\\a.exe,C:\\b.exe");
}

TEST_F(ScannerTest, SingleValueFoundOnlyInTheDisabledStore) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\AutorunsDisabled", "StartupPrograms", "rdpclip");
    const PassResult scan = ScanLocationPass(1, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(scan.count(), 1);
    EXPECT_EQ(scan[1].EntryName, "rdpclip");
    EXPECT_EQ(scan[1].ImagePath, "C:\\windows\\system32\\rdpclip.exe");
    EXPECT_TRUE(scan[1].Disabled);

    // Present in both places: listed once, from the key.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "StartupPrograms", "rdpclip.dll");
    const PassResult both = ScanLocationPass(1, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(both.count(), 1);
    EXPECT_FALSE(both[1].Disabled);
    EXPECT_EQ(both[1].ImagePath, "C:\\windows\\system32\\rdpclip.dll");

    // Empty in the key and missing elsewhere: no entry.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "AppSetup", "");
    const PassResult empty = ScanLocationPass(2, HKEY_LOCAL_MACHINE, kBase);
    EXPECT_EQ(empty.count(), 0);
}

TEST_F(ScannerTest, AppSetupSplitsAtCommaBlank) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "AppSetup", "one.exe, C:\\two\\two.exe");
    const PassResult two = ScanLocationPass(2, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(two.count(), 2);
    EXPECT_EQ(two[1].EntryName, "one.exe");
    EXPECT_EQ(two[1].ImagePath, "C:\\windows\\system32\\one.exe");
    EXPECT_EQ(two[2].ImagePath, "C:\\two\\two.exe");

    SetRegString(HKEY_LOCAL_MACHINE, kBase, "AppSetup", "one.exe,two.exe");
    const PassResult one = ScanLocationPass(2, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(one.count(), 1);
    EXPECT_EQ(one[1].EntryName, "one.exe,two.exe");
}

TEST_F(ScannerTest, ScriptsAreSubkeysNamedBySubkey) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\0", "Script", "C:\\scripts\\start.cmd");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\0", "DisplayName", "Start script");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\1", "Script", "C:\\scripts\\nameless.cmd");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\2", "DisplayName", "No script");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\AutorunsDisabled\\7", "Script", "C:\\scripts\\off.cmd");
    const PassResult scan = ScanLocationPass(3, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_EQ(scan.count(), 3);
    EXPECT_EQ(scan[1].EntryName, "Start script");
    EXPECT_EQ(scan[1].ItemName, "0");
    EXPECT_EQ(scan[1].ImagePath, "C:\\scripts\\start.cmd");
    EXPECT_EQ(scan[1].ItemType, kItemSubKey);
    EXPECT_EQ(scan[2].EntryName, "");
    EXPECT_EQ(scan[2].ItemName, "1");
    // The disabled subkey falls after "2" in the enumeration.
    EXPECT_EQ(scan[3].ItemName, "7");
    EXPECT_TRUE(scan[3].Disabled);
}

TEST_F(ScannerTest, LogOnlyLocationsLogOnePassLine) {
    CapturedLog log;
    const PassResult scan = ScanLocationPass(5, HKEY_LOCAL_MACHINE, kBase);
    EXPECT_EQ(scan.count(), 0);
    const PassResult missing = ScanLocationPass(11, HKEY_LOCAL_MACHINE, kBase + "\\Missing");
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "5 " + kBase + ": ");
}

TEST_F(ScannerTest, ImageFileTestFallsBackToTheFolderAboveSystem32) {
    TempDir dir;
    WriteFileBytes(dir / "tool.exe", "x");
    std::vector<StartupEntry> entries(4);
    entries[1].ImagePath = dir / "tool.exe";
    entries[2].ImagePath = dir.path() + "\\SYSTEM32\\tool.exe";
    entries[3].ImagePath = dir.path() + "\\system32\\missing.exe";
    TestImageFiles(entries);
    EXPECT_TRUE(entries[1].HasFile);
    EXPECT_TRUE(entries[2].HasFile);
    EXPECT_EQ(entries[2].ImagePath, dir / "tool.exe");
    EXPECT_FALSE(entries[3].HasFile);
    EXPECT_EQ(entries[3].ImagePath, dir.path() + "\\system32\\missing.exe");
}

TEST_F(ScannerTest, NoScanStartsInsideARunningScan) {
    ScanGuard outer;
    ASSERT_TRUE(outer.acquired());
    CapturedLog log;
    EXPECT_FALSE(SetScope(false));
    ScanGuard inner;
    EXPECT_FALSE(inner.acquired());
    EXPECT_EQ(log.lines().size(), 1u);
}

} // namespace

namespace {

// Creates name below the open key parent (by handle, so any depth works),
// with a "Script" value; the new key stays open for the next level.
HKEY ScriptKey(HKEY parent, const std::string &name, const std::string &script) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(parent, name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    if (!script.empty())
        RegSetValueExA(key, "Script", 0, REG_SZ, reinterpret_cast<const BYTE *>(script.c_str()),
                       static_cast<DWORD>(script.size() + 1));
    return key;
}

std::string Numbered(const char *format, int n) {
    char text[32];
    std::snprintf(text, sizeof text, format, n);
    return text;
}

// Subkeys whose full path is longer than a path may be (fourteen nested
// disabled levels) or whose own names are 255 characters long are listed.
TEST_F(ScannerTest, DeeplyNestedAndLongNamedSubKeysAreListed) {
    HKEY base = ScriptKey(HKEY_LOCAL_MACHINE, kBase, "");
    ASSERT_NE(base, nullptr);
    const std::string longName(255, 'n');
    RegCloseKey(ScriptKey(base, longName, "C:\\long.cmd"));
    HKEY level = base;
    for (int depth = 1; depth <= 14; ++depth) {
        HKEY next = ScriptKey(level, "AutorunsDisabled", "");
        RegCloseKey(level);
        ASSERT_NE(next, nullptr);
        RegCloseKey(ScriptKey(next, Numbered("S%d", depth), Numbered("C:\\s%d.cmd", depth)));
        level = next;
    }
    RegCloseKey(level);
    const PassResult scan = ScanLocationPass(3, HKEY_LOCAL_MACHINE, kBase);
    ASSERT_NE(scan.byItem(longName), nullptr);
    EXPECT_FALSE(scan.byItem(longName)->Disabled);
    for (int depth = 1; depth <= 14; ++depth) {
        const StartupEntry *e = scan.byItem(Numbered("S%d", depth));
        ASSERT_NE(e, nullptr) << depth;
        EXPECT_TRUE(e->Disabled);
        EXPECT_EQ(e->ImagePath, Numbered("C:\\s%d.cmd", depth));
    }
}

} // namespace
