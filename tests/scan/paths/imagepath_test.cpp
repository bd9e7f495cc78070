#include <gtest/gtest.h>

#include "registry/access.h"
#include "scan/imagepath.h"
#include "scan/state.h"
#include "support/testing.h"

namespace {

// Record 0 of the scan holding the running system and one offline
// installation on Q:, restored afterwards.
class ScannedInstall : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = ScanLocations();
        savedOS_ = SelectedOS();
        ResetLocations(ScanLocations());
        auto &entries = ScanLocations()[0].Entries;
        entries.resize(2);
        entries[0].ImagePath = "C:\\windows";
        entries[0].EntryName = "C:\\";
        entries[1].ImagePath = "Q:\\WINNT";
        entries[1].EntryName = "Q:\\";
        SelectedOS() = 0;
    }
    void TearDown() override {
        ScanLocations() = saved_;
        SelectedOS() = savedOS_;
    }

  private:
    std::vector<ScanLocation> saved_;
    short savedOS_ = 0;
};

TEST_F(ScannedInstall, ChainFollowsTheSelectedInstallation) {
    InstallContext install = ScannedInstallation();
    EXPECT_EQ(ResolveCommandLine("%SystemRoot%\\system32\\userinit.exe,", install, FileMatchExists),
              "C:\\windows\\system32\\userinit.exe");
    EXPECT_EQ(SystemPath(install), "C:\\windows\\system32\\");
    EXPECT_EQ(RemapDrive("E:\\x.exe", install), "E:\\x.exe");
    EXPECT_EQ(install.drive, 0);
    EXPECT_FALSE(install.offline);
    EXPECT_EQ(install.root, "C:\\");

    SelectedOS() = 1;
    install = ScannedInstallation();
    EXPECT_TRUE(install.offline);
    EXPECT_EQ(install.root, "Q:\\");
    EXPECT_EQ(ResolveCommandLine("%SystemRoot%\\system32\\userinit.exe,", install, FileMatchExists),
              "Q:\\WINNT\\system32\\userinit.exe");
    EXPECT_EQ(ResolveCommandLine("\"C:\\Program Files\\A\\a.exe\" -s", install, FileMatchExists),
              "Q:\\Program Files\\A\\a.exe");
    EXPECT_EQ(ResolveCommandLine("rundll32 mydll.dll,Run", install, FileMatchExists), "Q:\\WINNT\\system32\\mydll.dll");
    EXPECT_EQ(ExpandEnvVars("%SystemDrive%\\x", install), "Q:\\x");
    EXPECT_EQ(AddSystemPath("x.sys", install), "Q:\\WINNT\\system32\\x.sys");
    EXPECT_EQ(RemapDrive("c:\\x.exe", install), "Q:\\x.exe");
}

TEST_F(ScannedInstall, MissingInstallationGivesAnEmptyWindowsFolder) {
    SelectedOS() = 7;
    EXPECT_EQ(ScannedInstallation().windowsDir, "");
    EXPECT_EQ(ScannedInstallation().drive, 0);
    SelectedOS() = -1;
    EXPECT_EQ(ScannedInstallation().windowsDir, "");
    ScanLocations().clear();
    SelectedOS() = 0;
    EXPECT_EQ(ScannedInstallation().windowsDir, "");
    EXPECT_EQ(ResolveCommandLine("x", ScannedInstallation(), FileMatchExists), "\\system32\\x.exe");
}

TEST(FileSearch, CleanImagePathAndPathSearchSeeRealFiles) {
    TempDir dir;
    ASSERT_TRUE(WriteFileBytes(dir / "my tool.exe", "MZ"));
    ASSERT_TRUE(CreateDirectoryA((dir / "a folder x").c_str(), nullptr));
    EXPECT_TRUE(FileMatchExists(dir / "my tool.exe"));
    EXPECT_TRUE(FileMatchExists(dir / "my*.exe"));
    EXPECT_FALSE(FileMatchExists(dir / "a folder x"));
    EXPECT_FALSE(FileMatchExists(""));
    EXPECT_EQ(CleanImagePath(dir / "my tool.exe", FileMatchExists), dir / "my tool.exe");
    // a folder is not a file: "C:\...\a folder x" keeps its drive part only
    EXPECT_EQ(CleanImagePath(dir / "a folder x,1", FileMatchExists), dir / "a folder x");

    TempDir first, second;
    ASSERT_TRUE(WriteFileBytes(first / "qmprog.bat", "@echo"));
    ASSERT_TRUE(WriteFileBytes(second / "qmprog.exe", "MZ"));
    ASSERT_TRUE(CreateDirectoryA((second / "qmdir.exe").c_str(), nullptr));
    char saved[32768];
    const DWORD n = GetEnvironmentVariableA("Path", saved, sizeof saved);
    SetEnvironmentVariableA("Path", (first.path() + ";" + second.path()).c_str());
    const std::string hit = EnvironPath("qmprog");
    const std::string folderOnly = EnvironPath("qmdir");
    SetEnvironmentVariableA("Path", (second.path() + ";" + first.path()).c_str());
    const std::string swapped = EnvironPath("QMPROG.BAT");
    SetEnvironmentVariableA("Path", n > 0 && n < sizeof saved ? saved : nullptr);
    EXPECT_EQ(hit, PrettyPath(first / "qmprog.bat"));
    EXPECT_EQ(folderOnly, "");
    EXPECT_EQ(swapped, PrettyPath(first / "QMPROG.BAT"));
}

TEST(AppPaths, DefaultValueOfTheProgramKey) {
    const std::string base = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
    const std::string name = "qmtest-" + std::to_string(GetCurrentProcessId());
    TestKey key(HKEY_LOCAL_MACHINE, base + name + ".exe");
    SetRegString(HKEY_LOCAL_MACHINE, key.path(), "Path", "C:\\other");
    SetRegString(HKEY_LOCAL_MACHINE, key.path(), "", "C:\\Tools\\qm.exe");
    EXPECT_EQ(AppPathLookup(name, 5), "C:\\Tools\\qm.exe");
    EXPECT_EQ(AppPathLookup(name + ".EXE", 5), "C:\\Tools\\qm.exe");
    EXPECT_EQ(AppPathLookup(name, 1), "");
    EXPECT_EQ(AppPathLookup(name, 6), "");
    // stored without its terminating NUL: no character is lost
    SetRegBinary(HKEY_LOCAL_MACHINE, key.path(), "", "C:\\T\\q.exe", REG_SZ);
    EXPECT_EQ(AppPathLookup(name, 5), "C:\\T\\q.exe");
    // an empty default value is empty
    SetRegBinary(HKEY_LOCAL_MACHINE, key.path(), "", "", REG_SZ);
    EXPECT_EQ(AppPathLookup(name, 5), "");
    EXPECT_EQ(AppPathLookup("qm-no-such-program", 5), "");
    EXPECT_EQ(AppPathLookup("", 5), "");
    for (const auto &slot : OpenKeys())
        EXPECT_EQ(slot.hKey, nullptr) << slot.KeyName;
}

} // namespace
