// Which data folders the program trusts. The decision is tested on security
// descriptors built here, since Wine keeps no folder security; the settling of
// a refused folder runs on real folders, with the choice of the platform made
// through its seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/folder_trust.h"
#include "system/platform.h"

namespace {

std::string FaultOf(const char *descriptor) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptor, SDDL_REVISION_1, &sd, nullptr))
        return "<unparsed>";
    std::string fault = FolderSecurityFault(sd);
    LocalFree(sd);
    return fault;
}

TEST(FolderTrust, OnlyAdministratorsAndSystemMayOwnOrWrite) {
    // The folder the program makes: trusted, and shielded from what its
    // parent passes on.
    EXPECT_EQ(FaultOf(kDataFolderSecurity), "");
    PSECURITY_DESCRIPTOR own = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(kDataFolderSecurity, SDDL_REVISION_1, &own,
                                                                      nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(own, &control, &revision));
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    LocalFree(own);
    // Owned by SYSTEM, Users reading and listing, everyone denied: trusted.
    EXPECT_EQ(FaultOf("O:SYD:(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(D;;FA;;;WD)"), "");

    EXPECT_EQ(FaultOf("O:BUD:P(A;OICI;FA;;;BA)"), "its owner is not Administrators or SYSTEM");
    SECURITY_DESCRIPTOR open{};
    BYTE admins[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof admins;
    ASSERT_TRUE(InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins, &size));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&open, admins, FALSE));
    ASSERT_TRUE(SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE));
    EXPECT_EQ(FolderSecurityFault(&open), "it lets everyone write");
    EXPECT_EQ(FolderSecurityFault(nullptr), "its security cannot be read");
    // ProgramData's own kind of entries: Users may add files and folders,
    // their creator owns what they add.
    for (const char *planted : {"O:BAD:(A;OICI;FA;;;BA)(A;CI;0x116;;;BU)", "O:BAD:(A;OICI;FA;;;BA)(A;OICIIO;GA;;;CO)",
                                "O:BAD:(A;OICI;FA;;;BA)(A;CIIO;GW;;;AU)", "O:BAD:(A;;FA;;;BA)(A;;WD;;;BU)"})
        EXPECT_EQ(FaultOf(planted), "its permissions let others write") << planted;
}

TEST(FolderTrust, ARefusedFolderIsMovedAsideAndMadeAfresh) {
    TempDir dir;
    const std::string data = dir / "Quillmara";
    std::string note;
    ASSERT_TRUE(SettleDataFolder(data, note));
    EXPECT_EQ(note, "");
    ASSERT_TRUE(WriteFileBytes(data + "\\planted.regf", "x"));

    // Under Wine a read-back names the process's user as every folder's
    // owner: only a link is refused there, or nothing would ever be kept.
    EXPECT_EQ(FolderSecurityKept(), !RunningOnWine());
    OverrideFolderSecurityKept(false);
    EXPECT_TRUE(SettleDataFolder(data, note));
    EXPECT_EQ(note, "");
    EXPECT_EQ(ReadFileBytes(data + "\\planted.regf"), "x");

    // Where folder security is kept, a folder not owned by Administrators or
    // SYSTEM goes aside with all it holds, and a fresh one takes its place.
    OverrideFolderSecurityKept(true);
    EXPECT_NE(DataFolderFault(data), "");
    EXPECT_TRUE(SettleDataFolder(data, note));
    OverrideFolderSecurityKept(std::nullopt);
    EXPECT_NE(note.find("moved " + data + " aside to " + data + ".untrusted ("), std::string::npos) << note;
    EXPECT_EQ(ReadFileBytes(data + ".untrusted\\planted.regf"), "x");
    EXPECT_EQ(DataFolderFault(data), "");
    EXPECT_EQ(ReadFileBytes(data + "\\planted.regf"), "");

    // A linked data folder is refused everywhere and never followed: what it
    // leads to (here an empty folder, which Wine's RemoveDirectory would take
    // with the link) stays. Windows takes the link away and makes a fresh
    // folder; under Wine the link stays, refused and unused.
    const std::string elsewhere = dir / "elsewhere";
    ASSERT_TRUE(CreateDirectoryA(elsewhere.c_str(), nullptr));
    ASSERT_TRUE(RemoveDirectoryA(data.c_str()));
    ASSERT_TRUE(MakeFolderLink(elsewhere, data));
    EXPECT_EQ(DataFolderFault(data), "it is a link or junction");
    EXPECT_EQ(SettleDataFolder(data, note), !RunningOnWine());
    EXPECT_NE(note.find(data), std::string::npos) << note;
    EXPECT_NE(note.find("(it is a link or junction)"), std::string::npos) << note;
    EXPECT_NE(GetFileAttributesA(elsewhere.c_str()), INVALID_FILE_ATTRIBUTES);
    if (RunningOnWine())
        RemoveFolderLink(data);
    else
        EXPECT_EQ(DataFolderFault(data), "");
}

} // namespace
