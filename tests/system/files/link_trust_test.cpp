// Which links the program follows. Wine keeps no owners, so the decision is
// tested on security descriptors built here; the changes through links run on
// real folders, where every link is refused.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/link_trust.h"

namespace {

std::string FaultOf(const char *link) { return LinkOwnerFault(DescriptorFromText(link).get()); }

// The compatibility links' own security: everyone denied listing, SYSTEM and
// Administrators in full.
constexpr const char *kSystemLink = "O:SYD:(D;;0x1;;;WD)(A;;FA;;;SY)(A;;FA;;;BA)(A;;0x1200a9;;;WD)";

TEST(LinkTrust, OnlyTheSystemsLinksAreFollowed) {
    EXPECT_EQ(FaultOf(kSystemLink), "");
    EXPECT_EQ(FaultOf("O:BAD:(A;;FA;;;BA)"), "");
    EXPECT_EQ(FaultOf("O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:(A;;FA;;;SY)"), "");
    // A user's own junction, wherever it lies.
    EXPECT_EQ(FaultOf("O:S-1-5-21-1-2-3-1001D:(A;;FA;;;S-1-5-21-1-2-3-1001)"),
              "its owner is not SYSTEM, TrustedInstaller or Administrators");
    // The system's link that Users may point elsewhere, or that has no list.
    EXPECT_EQ(FaultOf("O:SYD:(A;;FA;;;SY)(A;;0x1301bf;;;BU)"), "its permissions let others change it");
    EXPECT_EQ(FaultOf("O:SY"), "its permissions let everyone write");
    EXPECT_EQ(LinkOwnerFault(nullptr), "its security cannot be read");
}

// The link's own owner and permissions are read where the
// platform keeps them (under Wine a test's link reads as its user's); where
// it does not, every link is refused unread.
TEST(LinkTrust, ALinkIsJudgedOnWhatIsReadOrRefusedWhereOwnersAreNotKept) {
    CapturedLog log;
    TempDir dir;
    ASSERT_TRUE(CreateDirectoryA((dir / "Real").c_str(), nullptr));
    ASSERT_TRUE(MakeFolderLink(dir / "Real", dir / "Linked"));
    OverrideFolderSecurityKept(true);
    EXPECT_FALSE(FolderHasNoLink(dir / "Linked\\Startup\\"));
    EXPECT_NE(log.text().find("FolderHasNoLink " + dir / "Linked is a link (its owner is not"), std::string::npos)
        << log.text();
    OverrideFolderSecurityKept(false);
    EXPECT_FALSE(FolderHasNoLink(dir / "Linked\\Startup\\"));
    EXPECT_NE(log.text().find("FolderHasNoLink " + dir / "Linked is a link (owners of links are not kept here)"),
              std::string::npos);
    OverrideFolderSecurityKept(std::nullopt);
    EXPECT_TRUE(FolderHasNoLink(dir / "Real\\Startup\\"));
    RemoveFolderLink(dir / "Linked");
}

// A folder a user linked elsewhere and a file a user linked to another's:
// nothing is deleted, moved or copied through either, in or out; the same
// changes on plain folders are made.
TEST(ChangesNoLink, NothingGoesThroughALinkAndPlainFilesChangeAsBefore) {
    CapturedLog log;
    TempDir dir;
    const std::string real = dir / "Real\\", user = dir / "User\\", out = dir / "Out\\";
    for (const std::string &folder : {real, user, out})
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(WriteFileBytes(real + "tool.bat", "tool"));
    ASSERT_TRUE(WriteFileBytes(real + "admin.bat", "admin"));
    ASSERT_TRUE(WriteFileBytes(user + "mine.bat", "mine"));
    ASSERT_TRUE(MakeFolderLink(dir / "Real", dir / "Linked"));
    ASSERT_TRUE(MakeFolderLink(real + "admin.bat", user + "evil.bat"));
    const std::string linked = dir / "Linked\\";

    EXPECT_FALSE(DeleteFileNoLink(linked + "tool.bat"));
    EXPECT_NE(log.text().find("FolderHasNoLink " + dir / "Linked" + " is a link"), std::string::npos);
    EXPECT_FALSE(DeleteFileNoLink(user + "evil.bat"));
    EXPECT_NE(log.text().find("DeleteFileNoLink " + user + "evil.bat leads to "), std::string::npos);
    EXPECT_FALSE(CopyFileNoLink(linked + "tool.bat", out + "tool.bat"));
    EXPECT_FALSE(CopyFileNoLink(user + "evil.bat", out + "evil.bat"));
    EXPECT_FALSE(CopyFileNoLink(user + "mine.bat", linked + "mine.bat"));
    EXPECT_FALSE(MoveFileNoLink(user + "mine.bat", linked + "mine.bat"));
    EXPECT_FALSE(MoveFileNoLink(user + "evil.bat", out + "evil.bat"));
    EXPECT_EQ(ReadFileBytes(real + "tool.bat"), "tool");
    EXPECT_EQ(ReadFileBytes(real + "admin.bat"), "admin");
    EXPECT_EQ(ReadFileBytes(user + "mine.bat"), "mine");
    EXPECT_EQ(GetFileAttributesA((real + "mine.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((out + "tool.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA((out + "evil.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveFolderLink(user + "evil.bat");
    RemoveFolderLink(dir / "Linked");

    // Plain folders: a copy keeps bytes and marks and replaces an older copy;
    // a move never replaces; a read-only file is deleted.
    ASSERT_TRUE(SetFileAttributesA((real + "tool.bat").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(WriteFileBytes(out + "tool.bat", "older and longer"));
    EXPECT_TRUE(CopyFileNoLink(real + "tool.bat", out + "tool.bat"));
    EXPECT_EQ(ReadFileBytes(out + "tool.bat"), "tool");
    EXPECT_EQ(GetFileAttributesA((out + "tool.bat").c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY),
              static_cast<DWORD>(FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(DeleteFileNoLink(out + "tool.bat"));
    EXPECT_EQ(GetFileAttributesA((out + "tool.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(MoveFileNoLink(user + "mine.bat", real + "admin.bat"));
    EXPECT_EQ(ReadFileBytes(real + "admin.bat"), "admin");
    EXPECT_TRUE(MoveFileNoLink(user + "mine.bat", out + "mine.bat"));
    EXPECT_EQ(ReadFileBytes(out + "mine.bat"), "mine");
    EXPECT_EQ(GetFileAttributesA((user + "mine.bat").c_str()), INVALID_FILE_ATTRIBUTES);
    SetFileAttributesA((real + "tool.bat").c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
