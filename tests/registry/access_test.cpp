#include <gtest/gtest.h>

#include "registry/access.h"
#include "system/files.h"
#include "ui/regedit_jump.h"
#include "registry/values.h"
#include "support/testing.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Access";

size_t OpenCount() {
    size_t n = 0;
    for (size_t i = 1; i < OpenKeys().size(); ++i)
        n += OpenKeys()[i].hKey != nullptr;
    return n;
}

TEST(OpenKeyTable, SlotsFromOneAndFreedSlotReusedFirst) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    OpenKeys().assign(1, KeyTrack{});
    HKEY k1 = OpenKey(HKEY_LOCAL_MACHINE, kBase);
    HKEY k2 = OpenKey(HKEY_LOCAL_MACHINE, kBase); // the same key twice: two slots
    HKEY k3 = OpenKeyWrite(HKEY_LOCAL_MACHINE, kBase);
    ASSERT_TRUE(k1 && k2 && k3);
    ASSERT_EQ(OpenKeys().size(), 4u);
    EXPECT_EQ(OpenKeys()[0].hKey, nullptr);
    EXPECT_EQ(OpenKeys()[1].KeyName, "HKEY_LOCAL_MACHINE\\" + kBase);
    EXPECT_EQ(OpenKeys()[3].KeyName, "HKEY_LOCAL_MACHINE\\" + kBase);

    CloseKey(k2);
    EXPECT_EQ(OpenKeys()[2].hKey, nullptr);
    EXPECT_EQ(OpenKeys()[2].KeyName, "HKEY_LOCAL_MACHINE\\" + kBase); // name kept
    HKEY k4 = OpenKey(HKEY_USERS, "");
    ASSERT_NE(k4, nullptr);
    EXPECT_EQ(OpenKeys().size(), 4u);
    EXPECT_EQ(OpenKeys()[2].hKey, k4);
    EXPECT_EQ(OpenKeys()[2].KeyName, "HKEY_USERS\\");

    // A key under any other root is recorded by its bare path.
    HKEY k5 = OpenKey(HKEY_CURRENT_USER, "Software");
    ASSERT_NE(k5, nullptr);
    EXPECT_EQ(OpenKeys()[4].KeyName, "Software");

    // A handle never recorded is closed and leaves the table alone.
    HKEY raw = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kBase.c_str(), 0, KEY_READ, &raw), ERROR_SUCCESS);
    CloseKey(raw);
    EXPECT_EQ(OpenCount(), 4u);

    CapturedLog log;
    CloseOpenKeys();
    EXPECT_EQ(OpenCount(), 0u);
    EXPECT_EQ(OpenKeys().size(), 5u);
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Registry Key HKEY_LOCAL_MACHINE\\" + kBase + " was still open, closing.");
    EXPECT_EQ(lines[1], "Registry Key HKEY_USERS\\ was still open, closing.");
    EXPECT_EQ(lines[3], "Registry Key Software was still open, closing.");

    // Nothing open: nothing logged.
    CloseOpenKeys();
    EXPECT_EQ(log.lines().size(), 4u);
    EXPECT_EQ(OpenKey(HKEY_LOCAL_MACHINE, kBase + "\\Missing"), nullptr);
    EXPECT_EQ(OpenCount(), 0u);
}

TEST(OpenKeyTable, ScopedKeyClosesThroughTheTable) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    const size_t before = OpenCount();
    {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, kBase));
        ASSERT_TRUE(key);
        EXPECT_EQ(OpenCount(), before + 1);
    }
    EXPECT_EQ(OpenCount(), before);
    // A created key, with the keys above it, is recorded under its full name.
    {
        ScopedKey created(CreateKeyWrite(HKEY_LOCAL_MACHINE, kBase + "\\New\\Deeper"));
        ASSERT_TRUE(created);
        EXPECT_EQ(OpenCount(), before + 1);
        EXPECT_TRUE(WriteString(created.get(), "Value", "text"));
    }
    EXPECT_EQ(OpenCount(), before);
    ScopedKey reopened(OpenKey(HKEY_LOCAL_MACHINE, kBase + "\\New\\Deeper"));
    EXPECT_EQ(ReadString(reopened.get(), "Value"), "text");
}

TEST(TextHelpers, RootNameTrimNullCleanString) {
    EXPECT_EQ(RootName(HKEY_LOCAL_MACHINE), "HKEY_LOCAL_MACHINE\\");
    EXPECT_EQ(RootName(HKEY_USERS), "HKEY_USERS\\");
    EXPECT_EQ(RootName(HKEY_CURRENT_USER), "");
    EXPECT_EQ(RootName(nullptr), "");

    EXPECT_EQ(TrimNull("abc"), "");
    EXPECT_EQ(TrimNull(std::string("ab\0cd", 5)), "ab");
    EXPECT_EQ(TrimNull(std::string(1, '\0')), "");

    EXPECT_EQ(CleanString(std::string("C:\\x.exe\0junk", 13)), "C:\\x.exe");
    EXPECT_EQ(CleanString("C:\\Program Files\\Soci\xE9t\xE9\\x.exe"), "C:\\Program Files\\Soci\xE9t\xE9\\x.exe");
    EXPECT_EQ(CleanString("\xE9t\xE9"), "\xE9t\xE9");
    EXPECT_EQ(CleanString("a\tb"), "a");
    EXPECT_EQ(CleanString("\x01x"), "");
    EXPECT_EQ(CleanString(""), "");
}

TEST(KeyTests, FirstSubKeyNameAndFileExists) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\ValuesOnly", "v", "x");
    EXPECT_FALSE(FirstSubKeyName(HKEY_LOCAL_MACHINE, kBase + "\\ValuesOnly"));
    EXPECT_FALSE(FirstSubKeyName(HKEY_LOCAL_MACHINE, kBase + "\\Missing"));
    EXPECT_TRUE(FirstSubKeyName(HKEY_LOCAL_MACHINE, kBase));

    TempDir dir;
    WriteFileBytes(dir / "File.TXT", "x");
    EXPECT_TRUE(FileExists(dir / "File.TXT"));
    EXPECT_TRUE(FileExists("  " + dir.path() + "  "));
    EXPECT_TRUE(FileExists(dir / "*.txt"));
    EXPECT_FALSE(FileExists(dir.path() + "\\"));
    EXPECT_FALSE(FileExists(dir / "missing.txt"));
    EXPECT_FALSE(FileExists(""));
    EXPECT_FALSE(FileExists("   "));
}

TEST(KeyTests, SetRegeditLastKeyWritesLastKey) {
    // Without the Applets key nothing is written.
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets");
    SetRegeditLastKey("x");
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets"));
    CreateRegKey(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets");
    SetRegeditLastKey("Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE");
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Applets\\Regedit", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    const RegValue v = ReadValue(key, "LastKey");
    RegCloseKey(key);
    EXPECT_TRUE(v.present);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v.Text(), "Computer\\HKEY_LOCAL_MACHINE\\SOFTWARE");
}

TEST(WholeValues, ReadsTypeAndEveryByte) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    const std::string longText(5000, 'x');
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "long", longText, REG_EXPAND_SZ);
    SetRegDword(HKEY_LOCAL_MACHINE, kBase, "dword", 0x01020304);
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase, "empty", "");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "", "default");
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, kBase));
    ASSERT_TRUE(key);

    RegValue v = ReadValue(key.get(), "long");
    EXPECT_TRUE(v.present);
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(v.data.size(), 5001u);
    EXPECT_EQ(v.Text(), longText);
    v = ReadValue(key.get(), "dword");
    EXPECT_EQ(v.data, std::string("\x04\x03\x02\x01", 4));
    v = ReadValue(key.get(), "empty");
    EXPECT_TRUE(v.present);
    EXPECT_TRUE(v.data.empty());
    EXPECT_EQ(ReadString(key.get(), ""), "default");
    EXPECT_FALSE(ReadValue(key.get(), "missing").present);
    EXPECT_FALSE(ReadValue(nullptr, "long").present);
}

TEST(Enumeration, ListsNamesWholeAndInOrder) {
    TestKey base(HKEY_LOCAL_MACHINE, kBase);
    const std::string longName(300, 'n');
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "a", "1");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, longName, std::string(3000, 'd'));
    CreateRegKey(HKEY_LOCAL_MACHINE, kBase + "\\sub1");
    CreateRegKey(HKEY_LOCAL_MACHINE, kBase + "\\sub2");
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, kBase));
    ASSERT_TRUE(key);
    EXPECT_EQ(EnumSubKeys(key.get()), (std::vector<std::string>{"sub1", "sub2"}));
    const auto names = EnumValueNames(key.get());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(names[1], longName);
    const auto values = EnumValues(key.get());
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(values[1].name, longName);
    EXPECT_EQ(values[1].value.Text(), std::string(3000, 'd'));
    EXPECT_EQ(values[0].value.type, static_cast<DWORD>(REG_SZ));

    // The key deleted while a handle is open: the enumeration ends.
    DeleteRegTree(HKEY_LOCAL_MACHINE, kBase);
    EXPECT_TRUE(EnumSubKeys(key.get()).empty());
    EXPECT_TRUE(EnumValues(key.get()).empty());
}

TEST(Enumeration, SplitsListDataAtNuls) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitMultiStringData(std::string("a\0b c\0\0", 7)), (V{"a", "b c"}));
    EXPECT_EQ(SplitMultiStringData(std::string("a\0\0b", 4)), (V{"a", "b"}));
    EXPECT_EQ(SplitMultiStringData("ab"), (V{"ab"}));
    EXPECT_EQ(SplitMultiStringData("a"), V{});
    EXPECT_EQ(SplitMultiStringData(std::string(2, '\0')), V{});
}

} // namespace
