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
