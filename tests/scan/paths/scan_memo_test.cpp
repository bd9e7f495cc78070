#include <gtest/gtest.h>

#include <windows.h>

#include "scan/scan_memo.h"
#include "support/testing.h"

namespace {

// A scan looks each name up once; the next scan (and anything outside a
// scan) sees the file system as it is then.
TEST(ScanMemo, NamesAreLookedUpOncePerScanAndAfreshInTheNext) {
    TempDir dir;
    const std::string file = dir / "Late.exe";
    {
        ScanMemoScope scan;
        EXPECT_FALSE(ScanFileMatchExists(file));
        ASSERT_TRUE(WriteFileBytes(file, "MZ"));
        EXPECT_FALSE(ScanFileMatchExists(dir.path() + "\\LATE.EXE"));
        EXPECT_FALSE(ScanLookUpFile(file).found);
        {
            ScanMemoScope inner; // shares the scan's memo
            EXPECT_FALSE(ScanFileMatchExists(file));
        }
        EXPECT_FALSE(ScanFileMatchExists(file));
    }
    EXPECT_TRUE(ScanFileMatchExists(file));
    ScanMemoScope next;
    EXPECT_TRUE(ScanFileMatchExists(file));
    EXPECT_TRUE(ScanFileMatchExists(dir / "late.*"));
}

// A folder is found, but it is no file.
TEST(ScanMemo, AFolderIsFoundButIsNoFile) {
    TempDir dir;
    ScanMemoScope scan;
    EXPECT_TRUE(ScanLookUpFile(dir.path()).found);
    EXPECT_FALSE(ScanFileMatchExists(dir.path()));
    EXPECT_FALSE(ScanFileMatchExists(""));
}

} // namespace

namespace {

TEST(ScanMemo, AKeyIsListedOncePerScan) {
    TestKey key(HKEY_CURRENT_USER, "SOFTWARE\\QuillmaraTests\\ScanMemo");
    CreateRegKey(HKEY_CURRENT_USER, key.path() + "\\First");
    {
        ScanMemoScope scan;
        EXPECT_EQ(ScanListSubKeys(HKEY_CURRENT_USER, key.path()).names, std::vector<std::string>{"First"});
        CreateRegKey(HKEY_CURRENT_USER, key.path() + "\\Second");
        EXPECT_EQ(ScanListSubKeys(HKEY_CURRENT_USER, key.path()).names.size(), 1u);
        EXPECT_FALSE(ScanListSubKeys(HKEY_CURRENT_USER, key.path() + "\\Missing").opened);
    }
    EXPECT_EQ(ScanListSubKeys(HKEY_CURRENT_USER, key.path()).names.size(), 2u);
}

} // namespace
