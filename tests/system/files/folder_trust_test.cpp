// Which data folders the program trusts. The decision is tested on security
// descriptors built here, since Wine keeps no folder security; the settling of
// a refused folder runs on real folders, with the choice of the platform made
// through its seam.
#include <gtest/gtest.h>

#include <windows.h>

#include <sddl.h>

#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/codepage.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/handles.h"
#include "system/platform.h"

namespace {

std::string FaultOf(const char *descriptor) { return FolderSecurityFault(DescriptorFromText(descriptor).get()); }

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
    for (const char *planted :
         {"O:BAD:(A;OICI;FA;;;BA)(A;CI;0x116;;;BU)(A;OICIIO;GA;;;CO)", "O:BAD:(A;OICI;FA;;;BA)(A;OICI;GA;;;CO)",
          "O:BAD:(A;OICI;FA;;;BA)(A;CIIO;GW;;;AU)", "O:BAD:(A;;FA;;;BA)(A;;WD;;;BU)"})
        EXPECT_EQ(FaultOf(planted), "its permissions let others write") << planted;
    // A folder below Program Files: the installer service writes it, and what
    // it passes on to a creator only reaches those who may create there.
    EXPECT_EQ(FaultOf("O:BAD:(A;CI;FA;;;S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464)"
                      "(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)(A;OICIIO;GA;;;CO)"),
              "");
}

TEST(FolderTrust, EveryLevelAboveAFileStartedElevatedIsJudgedUpToTheRoot) {
    EXPECT_EQ(FoldersHolding("C:\\Program Files\\Quillmara\\Quillmara.exe"),
              (std::vector<std::string>{"C:\\Program Files\\Quillmara", "C:\\Program Files", "C:\\"}));
    EXPECT_EQ(FoldersHolding("C:\\Quillmara.exe"), std::vector<std::string>{"C:\\"});
    EXPECT_EQ(FoldersHolding("\\\\server\\share\\tools\\Quillmara.exe"),
              (std::vector<std::string>{"\\\\server\\share\\tools", "\\\\server\\share\\"}));
    EXPECT_EQ(FoldersHolding("Quillmara.exe"), std::vector<std::string>{});
    auto fault = [](const char *descriptor) { return LevelAboveFault(DescriptorFromText(descriptor).get()); };
    // A drive's root as Windows makes it: users add folders and own what
    // they add, but take nothing away. Program Files, the installer's.
    EXPECT_EQ(fault("O:SYD:PAI(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;0x1200a9;;;BU)(A;OICIIO;SDGXGWGR;;;AU)"
                    "(A;;0x4;;;AU)"),
              "");
    EXPECT_EQ(fault("O:S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464D:PAI(A;OICI;FA;;;SY)"
                    "(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)"),
              "");
    EXPECT_EQ(fault("O:BAD:(A;;0x1200a9;;;BU)(A;;0x40;;;BU)"), "its permissions let others replace what it holds");
    EXPECT_EQ(fault("O:BAD:(A;;0x10000;;;AU)"), "its permissions let others replace what it holds");
    EXPECT_EQ(fault("O:BUD:(A;;FA;;;BA)"), "its owner is not Administrators or SYSTEM");
}

TEST(FolderTrust, TheDataFolderIsForAdministratorsAndSystemAlone) {
    // The snapshot holds every user's hives: no entry for anyone else, and a
    // folder made with the earlier Users-read security is tightened.
    auto openToOthers = [](const char *descriptor) {
        PSECURITY_DESCRIPTOR sd = nullptr;
        EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(descriptor, SDDL_REVISION_1, &sd, nullptr));
        const bool open = FolderOpenToOthers(sd);
        LocalFree(sd);
        return open;
    };
    EXPECT_FALSE(openToOthers(kDataFolderSecurity));
    EXPECT_FALSE(openToOthers("O:SYD:P(A;OICI;FA;;;SY)(D;OICI;FA;;;BU)"));
    EXPECT_TRUE(openToOthers("O:BAD:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)(A;OICI;FR;;;BU)"));
    EXPECT_TRUE(openToOthers("O:BAD:P(A;OICI;FA;;;BA)(A;OICIIO;FR;;;AU)"));
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

TEST(FolderTrust, ARefusedFolderThatCannotBeMovedAsideIsLeftAndAFreshOneUsed) {
    TempDir dir;
    const std::string data = dir / "Quillmara";
    // Beside it a file of the folder's maker whose name the code page spells
    // "../../victim.txt": taking the folder over never reaches dir's file.
    ASSERT_TRUE(WriteFileBytes(dir / "victim.txt", "keep"));
    auto plant = [&] {
        CreateDirectoryA(data.c_str(), nullptr);
        CreateDirectoryA((data + "\\sub").c_str(), nullptr);
        const std::wstring named = WideText(data) + L"\\sub\\..\xFF0F..\xFF0Fvictim.txt";
        FileHandle file(CreateFileW(named.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        return file && WriteFileBytes(data + "\\sub\\planted.regf", "x");
    };
    ASSERT_TRUE(plant());
    OverrideFolderSecurityKept(true);
    // Every numbered name to set it aside to taken ahead: a name from the clock.
    for (int n = 1; n < 100; ++n)
        ASSERT_TRUE(CreateDirectoryA((data + ".untrusted" + (n > 1 ? std::to_string(n) : "")).c_str(), nullptr));
    std::string note;
    EXPECT_TRUE(SettleDataFolder(data, note));
    const size_t to = note.find(" aside to ");
    ASSERT_NE(to, std::string::npos) << note;
    const std::string aside = note.substr(to + 10, note.find(" (", to) - to - 10);
    EXPECT_EQ(aside.size(), data.size() + 26) << aside;
    EXPECT_EQ(ReadFileBytes(aside + "\\sub\\planted.regf"), "x");

    // Held open so that it cannot be renamed, holding a hard link to a file
    // outside and a subfolder: left exactly as it is (never emptied; nothing
    // reached through it), and a fresh folder made beside it is used.
    ASSERT_TRUE(RemoveDirectoryA(data.c_str()));
    ASSERT_TRUE(plant());
    ASSERT_TRUE(CreateHardLinkA((data + "\\victim.lnk").c_str(), (dir / "victim.txt").c_str(), nullptr));
    std::string fresh;
    {
        FileHandle held(CreateFileA(data.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(held);
        EXPECT_FALSE(SettleDataFolder(data, note)); // no fresh folder asked for
        EXPECT_TRUE(SettleDataFolder(data, note, &fresh));
    }
    OverrideFolderSecurityKept(std::nullopt);
    EXPECT_NE(note.find("cannot use " + data + " ("), std::string::npos) << note;
    EXPECT_NE(note.find("nor move it aside ("), std::string::npos) << note;
    EXPECT_NE(note.find("it is left as it is, and " + fresh + " is used instead"), std::string::npos) << note;
    EXPECT_TRUE(IsFreshDataFolderName(fresh, data)) << fresh;
    EXPECT_EQ(GetFileAttributesA(fresh.c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(FolderHasItems(fresh + "\\"));
    EXPECT_EQ(ReadFileBytes(data + "\\sub\\planted.regf"), "x");
    EXPECT_EQ(ReadFileBytes(data + "\\victim.lnk"), "keep");
    EXPECT_EQ(ReadFileBytes(dir / "victim.txt"), "keep");
    EXPECT_FALSE(IsFreshDataFolderName(data + ".untrusted", data));
    EXPECT_FALSE(IsFreshDataFolderName(fresh + "\\x", data));
}

} // namespace
