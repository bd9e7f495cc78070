#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/files.h"
#include "system/platform.h"

namespace {

using namespace std::string_literals;

bool IsFolder(const std::string &path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::string &path) {
    const DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

TEST(SpecialFolders, CommonAndUserApplicationData) {
    const std::string common = GetSpecialFolder(kCsidlCommonAppData);
    ASSERT_FALSE(common.empty());
    EXPECT_TRUE(IsFolder(common)) << common;
    EXPECT_EQ(common.find('\0'), std::string::npos);
    const std::string user = GetSpecialFolder(kCsidlAppData);
    EXPECT_FALSE(user.empty());
    EXPECT_NE(user, common);
    EXPECT_EQ(GetSpecialFolder(0x7F), "");

    EXPECT_EQ(CutAtNull(std::string("abc\0def", 7)), "abc");
    EXPECT_EQ(CutAtNull("abc"), "abc");
    EXPECT_EQ(CutAtNull(std::string("\0x", 2)), "");
}

TEST(MakeDirectory, CreatesLastLevelOnly) {
    TempDir dir;
    CapturedLog log;
    const std::string made = dir / "made";
    EXPECT_TRUE(MakeDirectory(made));
    EXPECT_TRUE(IsFolder(made));
    EXPECT_TRUE(MakeDirectory(made)); // already there: no log line
    EXPECT_TRUE(log.lines().empty());

    EXPECT_FALSE(MakeDirectory(dir / "no\\such"));
    EXPECT_FALSE(IsFolder(dir / "no"));
    ASSERT_EQ(log.lines().size(), 1u);
    EXPECT_EQ(log.lines()[0].rfind("MakeDirectory = 3&H3: ", 0), 0u) << log.lines()[0];

    // A file of that name is no folder: a failure, logged.
    ASSERT_TRUE(WriteFileBytes(dir / "file", "x"));
    EXPECT_FALSE(MakeDirectory(dir / "file"));
    ASSERT_EQ(log.lines().size(), 2u);
    EXPECT_EQ(log.lines()[1].rfind("MakeDirectory = 183&HB7: ", 0), 0u) << log.lines()[1];
}

TEST(WriteStringToFile, FileHoldsExactlyTheNewBytes) {
    TempDir dir;
    const std::string file = dir / "out.txt";
    const std::string text = "first line\r\nSoci\xE9t\xE9\r\n";
    EXPECT_EQ(WriteStringToFile(file, text), static_cast<long>(text.size()));
    EXPECT_EQ(ReadFileBytes(file), text);
    // Shorter over longer: no tail of the old content is left.
    EXPECT_EQ(WriteStringToFile(file, "short"), 5);
    EXPECT_EQ(ReadFileBytes(file), "short");
    // An empty text writes nothing and leaves an empty file.
    EXPECT_EQ(WriteStringToFile(file, ""), 0);
    EXPECT_TRUE(IsFile(file));
    EXPECT_EQ(ReadFileBytes(file), "");

    // A file another program holds open is not written.
    ASSERT_EQ(WriteStringToFile(file, "kept"), 4);
    HANDLE held = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WriteStringToFile(file, "other"), 0);
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(file), "kept");
    EXPECT_EQ(WriteStringToFile(dir / "missing\\out.txt", "x"), 0);
}

// A second name or a link at the name written or copied: the file it leads
// to keeps its bytes, and nothing is copied out of it.
TEST(WriteStringToFile, NothingGoesThroughASecondNameOrALink) {
    TempDir dir, elsewhere;
    const std::string other = elsewhere / "service.exe";
    ASSERT_TRUE(WriteFileBytes(other, "service"));
    ASSERT_TRUE(WriteFileBytes(dir / "plain.txt", "plain"));
    ASSERT_TRUE(CreateHardLinkA((dir / "second.exe").c_str(), other.c_str(), nullptr));
    ASSERT_TRUE(MakeFolderLink(other, dir / "linked.exe"));
    for (const char *name : {"second.exe", "linked.exe"}) {
        EXPECT_EQ(WriteStringToFile(dir / name, "payload"), 0) << name;
        EXPECT_FALSE(CopyFileNoLink(dir / "plain.txt", dir / name)) << name;
        EXPECT_FALSE(CopyFileNoLink(dir / name, dir / "copy.exe")) << name;
    }
    EXPECT_EQ(ReadFileBytes(other), "service");
    EXPECT_FALSE(IsFile(dir / "copy.exe"));
    EXPECT_EQ(WriteStringToFile(dir / "plain.txt", "new"), 3);
    RemoveFolderLink(dir / "linked.exe");
}

TEST(WriteResToFile, WritesTheWholeResourceOverAnyOldContent) {
    TempDir dir;
    const std::string file = dir / "hive";
    const std::string expected = "regf\0\1\2\3\377 hive bytes of the test\r\n"s;
    ASSERT_TRUE(WriteFileBytes(file, std::string(5000, 'o')));
    EXPECT_TRUE(WriteResToFile(file, 101));
    EXPECT_EQ(ReadFileBytes(file), expected);
    EXPECT_TRUE(WriteResToFile(file, 102));
    EXPECT_EQ(ReadFileBytes(file), "x");
    // No such resource: false, and the file is not touched.
    EXPECT_FALSE(WriteResToFile(file, 109));
    EXPECT_EQ(ReadFileBytes(file), "x");
    EXPECT_FALSE(WriteResToFile(dir / "missing\\hive", 101));
}

// A folder with a.txt, b.dat and a subfolder sub\c.txt.
void LayOut(const std::string &folder) {
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\sub").c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(folder + "\\a.txt", "alpha"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\b.dat", "beta"));
    ASSERT_TRUE(WriteFileBytes(folder + "\\sub\\c.txt", "gamma"));
}

TEST(FileOp, CopyMoveRenameAndDeleteFilesAndFolders) {
    TempDir dir;
    CapturedLog log;
    const std::string src = dir / "src";
    LayOut(src);

    // Files: copy into a folder that does not exist yet (made without asking),
    // rename, move, delete.
    EXPECT_TRUE(FileOp(src + "\\a.txt", dir / "copies\\a.txt", kFoCopy, 0));
    EXPECT_EQ(ReadFileBytes(dir / "copies\\a.txt"), "alpha");
    EXPECT_TRUE(IsFile(src + "\\a.txt"));
    EXPECT_TRUE(FileOp(dir / "copies\\a.txt", dir / "copies\\renamed.txt", kFoRename, 0));
    EXPECT_FALSE(IsFile(dir / "copies\\a.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "copies\\renamed.txt"), "alpha");
    EXPECT_TRUE(FileOp(dir / "copies\\renamed.txt", dir / "moved.txt", kFoMove, 0));
    EXPECT_FALSE(IsFile(dir / "copies\\renamed.txt"));
    EXPECT_EQ(ReadFileBytes(dir / "moved.txt"), "alpha");
    // A copy over an existing file replaces it without asking.
    ASSERT_TRUE(WriteFileBytes(dir / "copies\\b.dat", "older and longer"));
    EXPECT_TRUE(FileOp(src + "\\b.dat", dir / "copies\\b.dat", kFoCopy, 0));
    EXPECT_EQ(ReadFileBytes(dir / "copies\\b.dat"), "beta");
    EXPECT_TRUE(FileOp(dir / "moved.txt", "", kFoDelete, 0));
    EXPECT_FALSE(IsFile(dir / "moved.txt"));

    // Folders with their contents. (Wine applies "files only" to the files of
    // a copied folder's subfolders as well; Windows copies the whole tree.)
    EXPECT_TRUE(FileOp(src, dir / "tree", kFoCopy, 0));
    EXPECT_EQ(ReadFileBytes(dir / "tree\\b.dat"), "beta");
    if (!RunningOnWine()) {
        EXPECT_EQ(ReadFileBytes(dir / "tree\\sub\\c.txt"), "gamma");
    }
    CreateDirectoryA((dir / "tree\\sub").c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(dir / "tree\\sub\\c.txt", "gamma"));
    EXPECT_TRUE(FileOp(dir / "tree", dir / "tree2", kFoRename, 0));
    EXPECT_FALSE(IsFolder(dir / "tree"));
    EXPECT_EQ(ReadFileBytes(dir / "tree2\\a.txt"), "alpha");
    EXPECT_TRUE(FileOp(dir / "tree2", dir / "copies\\tree3", kFoMove, 0));
    EXPECT_FALSE(IsFolder(dir / "tree2"));
    EXPECT_EQ(ReadFileBytes(dir / "copies\\tree3\\sub\\c.txt"), "gamma");
    EXPECT_TRUE(FileOp(dir / "copies\\tree3", "", kFoDelete, 0));
    EXPECT_FALSE(IsFolder(dir / "copies\\tree3"));
    EXPECT_TRUE(IsFolder(dir / "copies"));
    EXPECT_TRUE(log.lines().empty()) << log.text();
}

TEST(FileOp, WildcardsTakeFilesOnly) {
    TempDir dir;
    const std::string src = dir / "src";
    LayOut(src);
    ASSERT_TRUE(CreateDirectoryA((dir / "flat").c_str(), nullptr));
    EXPECT_TRUE(FileOp(src + "\\*.*", dir / "flat", kFoCopy, 0));
    EXPECT_EQ(ReadFileBytes(dir / "flat\\a.txt"), "alpha");
    EXPECT_EQ(ReadFileBytes(dir / "flat\\b.dat"), "beta");
    EXPECT_FALSE(IsFolder(dir / "flat\\sub"));
}

TEST(FileOp, FailureIsReportedAndLogged) {
    TempDir dir;
    CapturedLog log;
    EXPECT_FALSE(FileOp(dir / "missing.txt", dir / "copy.txt", kFoCopy, 0));
    EXPECT_FALSE(IsFile(dir / "copy.txt"));
    EXPECT_FALSE(FileOp(dir / "missing.txt", "", kFoDelete, 0));
    const auto lines = log.lines();
    ASSERT_EQ(lines.size(), 2u) << log.text();
    for (const auto &line : lines) {
        EXPECT_EQ(line.rfind("FileOp ", 0), 0u) << line;
        // The shell's own result, not a stale "success" last error.
        EXPECT_EQ(line.find("FileOp 0&H0"), std::string::npos) << line;
        EXPECT_NE(line.find("&H"), std::string::npos) << line;
    }
}

} // namespace
