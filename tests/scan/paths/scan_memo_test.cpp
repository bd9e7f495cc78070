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

// A folder that many names are missing from is listed, and the listing then
// answers for it: every answer must still be the file system's own, whatever
// the case, for folders, devices, names whose letters match only by their
// capitals, and plain names looked for in the current folder.
TEST(ScanMemo, AListedFolderAnswersAsTheFileSystemDoes) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "Present.EXE", "MZ"));
    ASSERT_TRUE(CreateDirectoryA((dir / "Sub").c_str(), nullptr));
    const std::wstring wide(dir.path().begin(), dir.path().end());
    HANDLE capitals = CreateFileW((wide + L"\\\u017Fetup.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(capitals, INVALID_HANDLE_VALUE);
    CloseHandle(capitals);
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    ASSERT_TRUE(SetCurrentDirectoryA(dir.path().c_str()));
    const std::vector<std::string> names = {
        dir / "present.exe", dir / "PRESENT.EXE", dir / "sub", dir / "setup.exe", dir / "nul", dir / "con.txt",
        dir / "Absent.exe",  "present.exe",       "Sub",       "missing.exe",     "nul"};
    std::vector<FileLookup> system;
    for (const std::string &name : names)
        system.push_back(LookUpFile(name));
    {
        ScanMemoScope scan;
        for (int i = 0; i < 40; ++i) {
            EXPECT_FALSE(ScanLookUpFile(dir / ("Gone" + std::to_string(i) + ".exe")).found);
            EXPECT_FALSE(ScanLookUpFile("gone" + std::to_string(i)).found);
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            const FileLookup memo = ScanLookUpFile(names[i]);
            EXPECT_EQ(memo.found, system[i].found) << names[i];
            EXPECT_EQ(memo.file, system[i].file) << names[i];
            EXPECT_EQ(CompareFileTime(&memo.modified, &system[i].modified), 0) << names[i];
        }
    }
    SetCurrentDirectoryA(saved);
    EXPECT_TRUE(system[0].found && system[1].found && system[2].found && !system[6].found && system[7].found);
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
