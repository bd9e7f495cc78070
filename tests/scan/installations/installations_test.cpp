#include <gtest/gtest.h>

#include <windows.h>

#include "registry/access.h"
#include "scan/imagepath.h"
#include "scan/installations.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "support/testing.h"
#include "system/platform.h"
#include "system/winversion.h"

namespace {

// Keeps the scan state of the test program as it was.
class InstallationsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        savedLocations_ = ScanLocations();
        savedDrives_ = Drives();
        savedOS_ = SelectedOS();
        ResetLocations(ScanLocations());
    }
    void TearDown() override {
        ScanLocations() = savedLocations_;
        Drives() = savedDrives_;
        SelectedOS() = savedOS_;
        SetEventPump(nullptr);
    }
    const StartupEntry &Entry(std::size_t n) { return ScanLocations()[0].Entries.at(n); }

  private:
    std::vector<ScanLocation> savedLocations_;
    std::vector<std::string> savedDrives_;
    short savedOS_ = 0;
};

std::string RunningSystemRoot() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0, KEY_READ, &key) != 0)
        return "";
    char buf[1024] = {};
    DWORD size = sizeof buf - 1;
    RegQueryValueExA(key, "SystemRoot", nullptr, nullptr, reinterpret_cast<BYTE *>(buf), &size);
    RegCloseKey(key);
    return buf;
}

TEST_F(InstallationsTest, DrivesWithBcdBootIniAndNeither) {
    OfflineDrive d, e, f;
    ASSERT_TRUE(d.ok() && e.ok() && f.ok());
    ASSERT_LT(d.letter(), e.letter());
    ASSERT_LT(e.letter(), f.letter());
    ASSERT_TRUE(d.WriteBcd(OfflineDrive::BcdImage("Windows")));
    ASSERT_TRUE(d.MakeWindowsFolder("Windows"));
    ASSERT_TRUE(e.WriteBootIni("multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS"));
    ASSERT_TRUE(e.MakeWindowsFolder("WINDOWS"));

    // the drives appear in the system's drive list, in letter order
    GetDriveList();
    std::vector<std::string> ours;
    for (const auto &root : Drives())
        if (root == d.root() || root == e.root() || root == f.root())
            ours.push_back(root);
    EXPECT_EQ(ours, (std::vector<std::string>{d.root(), e.root(), f.root()}));

    Drives() = {d.root(), e.root(), f.root()};
    int pumped = 0;
    SetEventPump([&] { ++pumped; });
    LoadEnvironment();
    const ScanLocation &record = ScanLocations()[0];
    EXPECT_EQ(record.Category, 0);
    EXPECT_EQ(record.Path, "Microsoft\\Windows NT\\CurrentVersion");
    EXPECT_EQ(record.LocalPath, "SOFTWARE\\");
    EXPECT_EQ(record.RemotePath, "_REMOTE_SOFTWARE\\");
    EXPECT_EQ(record.MainKey, HKEY_LOCAL_MACHINE);
    EXPECT_EQ(record.Scope, 5);
    EXPECT_EQ(record.ValueName, "SystemRoot");
    ASSERT_EQ(record.Entries.size(), 4u);

    const std::string systemRoot = RunningSystemRoot();
    EXPECT_EQ(Entry(0).ImagePath, systemRoot);
    EXPECT_EQ(Entry(0).EntryName, systemRoot.substr(0, 3));
    const std::string family = (IsWin2000() || IsWinXP())          ? "2000 / XP"
                               : (IsVista() || IsLaterThanVista()) ? "Vista / Windows 7"
                                                                   : "Unknown";
    EXPECT_EQ(Entry(0).ItemName, family);

    EXPECT_EQ(Entry(1).EntryName, d.root());
    EXPECT_EQ(Entry(1).ImagePath, d.root() + "Windows");
    EXPECT_EQ(Entry(1).ItemName, "Vista / Windows 7");
    EXPECT_EQ(Entry(2).EntryName, e.root());
    EXPECT_EQ(Entry(2).ImagePath, e.root() + "WINDOWS");
    EXPECT_EQ(Entry(2).ItemName, "2000 / XP");
    EXPECT_EQ(Entry(3).EntryName, f.root());
    EXPECT_EQ(Entry(3).ImagePath, "");
    EXPECT_EQ(Entry(3).ItemName, "");
    // events ran once per BCD file read, not once per byte
    EXPECT_LE(pumped, 3);
    EXPECT_GE(pumped, 1);

    // the chain of the offline installation on the BCD drive
    SelectedOS() = 1;
    const InstallContext install = ScannedInstallation();
    EXPECT_EQ(ResolveCommandLine("%SystemRoot%\\system32\\svchost.exe -k x", install, FileMatchExists),
              d.root() + "Windows\\system32\\svchost.exe");
    EXPECT_EQ(ResolveCommandLine("\"C:\\Program Files\\A\\a.exe\" /s", install, FileMatchExists),
              d.root() + "Program Files\\A\\a.exe");
    EXPECT_EQ(ResolveCommandLine("regsvr32 /s x.dll", install, FileMatchExists),
              d.root() + "Windows\\system32\\regsvr32.exe");
    // a Refresh rebuilds the list from scratch
    LoadEnvironment();
    EXPECT_EQ(ScanLocations()[0].Entries.size(), 4u);
}

TEST_F(InstallationsTest, BootConfigurationVariants) {
    OfflineDrive both, parenthesis, noSection, truncated, element, empty;
    ASSERT_TRUE(both.ok() && parenthesis.ok() && noSection.ok() && truncated.ok() && element.ok() && empty.ok());
    // boot.ini wins over Boot\BCD
    both.WriteBootIni("\\WINNT");
    both.WriteBcd(OfflineDrive::BcdImage("Windows"));
    // a default line ending in ")" names no folder, and BCD is not consulted
    parenthesis.WriteBootIni("multi(0)disk(0)rdisk(0)partition(1)");
    parenthesis.WriteBcd(OfflineDrive::BcdImage("Windows"));
    // no "boot loader" section: the BCD decides
    noSection.WriteFile("boot.ini", "default=multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS\r\n");
    noSection.WriteBcd(OfflineDrive::BcdImage("Win7"));
    truncated.WriteFile("boot.ini", "[boot loader]\r\ntimeout=30\r\ndefau");
    // "Element" near the first loader path: the next one counts
    const std::string loader = OfflineDrive::Utf16("\\system32\\winload.exe");
    element.WriteBcd(std::string(40, '\x01') + OfflineDrive::Utf16("xElement\\Bad") + loader + std::string(100, '\0') +
                     OfflineDrive::Utf16("xxxx\\Right") + loader);
    empty.WriteBcd("");

    Drives() = {both.root(), parenthesis.root(), noSection.root(), truncated.root(), element.root(), empty.root(),
                "qq"};
    std::string family = "stale";
    EXPECT_EQ(FindWindowsDir(0, family), both.root() + "WINNT");
    EXPECT_EQ(family, "2000 / XP");
    EXPECT_EQ(BootIniDefault(0), "\\WINNT");
    EXPECT_EQ(FindWindowsDir(1, family), "");
    EXPECT_EQ(family, "");
    EXPECT_EQ(BootIniDefault(2), "");
    EXPECT_EQ(FindWindowsDir(2, family), noSection.root() + "Win7");
    EXPECT_EQ(family, "Vista / Windows 7");
    EXPECT_EQ(BootIniDefault(3), "");
    EXPECT_EQ(FindWindowsDir(3, family), "");
    EXPECT_EQ(FindWindowsDir(4, family), element.root() + "Right");
    EXPECT_EQ(BcdWinDir(empty / "Boot\\BCD"), "");
    EXPECT_EQ(FindWindowsDir(5, family), "");
    EXPECT_EQ(family, "");
    // indexes outside the list and drives that do not exist
    EXPECT_EQ(FindWindowsDir(6, family), "");
    EXPECT_EQ(FindWindowsDir(7, family), "");
    EXPECT_EQ(FindWindowsDir(-1, family), "");
    EXPECT_EQ(BootIniDefault(99), "");
    EXPECT_EQ(BcdWinDir(""), "");

    // a long default line is read whole
    const std::string longLine = "multi(0)disk(0)rdisk(0)partition(1)\\" + std::string(300, 'W');
    both.WriteBootIni(longLine);
    EXPECT_EQ(BootIniDefault(0), longLine);
}

TEST_F(InstallationsTest, BcdIsReadOnlyAndWhole) {
    OfflineDrive drive;
    ASSERT_TRUE(drive.ok());
    // a large BCD, read-only, whose loader path lies far beyond 32 KB
    std::string bytes(70000, '\x02');
    bytes += OfflineDrive::BcdImage("Windows");
    ASSERT_TRUE(drive.WriteBcd(bytes));
    const std::string file = drive / "Boot\\BCD";
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    int pumped = 0;
    SetEventPump([&] { ++pumped; });
    EXPECT_EQ(BcdWinDir(file), "Windows");
    EXPECT_EQ(pumped, 1);
    // open elsewhere for reading: still readable
    HANDLE other = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(BcdWinDir(file), "Windows");
    CloseHandle(other);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(BcdWinDir(drive / "Boot\\missing"), "");
}

TEST_F(InstallationsTest, RecordZeroIsMadeWhenMissing) {
    ScanLocations().clear();
    Drives() = {"qq:\\"};
    LoadEnvironment();
    ASSERT_EQ(ScanLocations().size(), 1u);
    ASSERT_EQ(ScanLocations()[0].Entries.size(), 2u);
    EXPECT_EQ(Entry(1).EntryName, "qq:\\");
    EXPECT_EQ(Entry(1).ImagePath, "");
    EXPECT_FALSE(Entry(0).ImagePath.empty());
}

TEST_F(InstallationsTest, DriveListWithEveryLetterInUse) {
    TempDir target;
    const DWORD before = GetLogicalDrives();
    std::vector<std::string> defined;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (before & (1u << (letter - 'A')))
            continue;
        const std::string device = std::string(1, letter) + ":";
        if (DefineDosDeviceA(0, device.c_str(), target.path().c_str()))
            defined.push_back(device);
    }
    Drives() = {"old"};
    GetDriveList();
    const std::vector<std::string> drives = Drives();
    for (const auto &device : defined)
        DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device.c_str(), target.path().c_str());
    ASSERT_EQ(GetLogicalDrives(), before);
    ASSERT_EQ(drives.size(), 26u);
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(drives[i], std::string(1, static_cast<char>('A' + i)) + ":\\");
}

TEST(AppPathsOffline, ReadsTheOfflineSoftwareHive) {
    if (RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"))
        GTEST_SKIP() << "an offline hive is loaded";
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\qmoff.exe", "",
                 "D:\\Tools\\qmoff.exe");
    const std::string offline = AppPathLookup("qmoff", 6);
    const std::string local = AppPathLookup("qmoff", 5);
    DeleteRegTree(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
    EXPECT_EQ(offline, "D:\\Tools\\qmoff.exe");
    EXPECT_EQ(local, "");
}

} // namespace
