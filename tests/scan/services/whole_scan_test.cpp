// Whole scans through the scan driver: the prefix's own registry as the
// running system, and an offline installation on a drive of its own whose
// services, drivers and shell classes lie under the "_REMOTE_" names.
#include <gtest/gtest.h>

#include <algorithm>

#include "scan/driver.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const HKEY HKLM = HKEY_LOCAL_MACHINE;

const StartupEntry *Find(int location, const std::string &name) {
    const auto &entries = ScanLocations()[static_cast<size_t>(location)].Entries;
    auto it = std::find_if(entries.begin() + 1, entries.end(),
                           [&](const StartupEntry &e) { return e.EntryName == name || e.ItemName == name; });
    return it == entries.end() ? nullptr : &*it;
}

// Keeps the scan state of the test program as it was.
class WholeScan : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(RegKeyExists(HKLM, "_REMOTE_SYSTEM") && RegKeyExists(HKLM, "_REMOTE_SOFTWARE"))
            << "an offline installation is loaded";
    }
    void TearDown() override {
        ScanLocations() = savedLocations_;
        Drives() = savedDrives_;
        SelectedOS() = 0;
        ProfilesDir().clear();
    }

  private:
    std::vector<ScanLocation> savedLocations_ = ScanLocations();
    std::vector<std::string> savedDrives_ = Drives();
};

TEST_F(WholeScan, ThePrefixRegistryGivesNamedServicesAndDrivers) {
    ResetLocations(ScanLocations());
    ProfilesDir().clear();
    GetDriveList();
    LoadEnvironment();
    SelectedOS() = 0;
    LoadPaths();
    ASSERT_TRUE(SetScope(false));

    const auto &locations = ScanLocations();
    ASSERT_EQ(UpperBound(locations), kLocationCount);
    for (int n = 1; n <= kLocationCount; ++n) {
        const auto &entries = locations[static_cast<size_t>(n)].Entries;
        for (int j = 1; j <= UpperBound(entries); ++j)
            EXPECT_FALSE(entries[static_cast<size_t>(j)].EntryName.empty())
                << "location " << n << " entry " << j << " " << entries[static_cast<size_t>(j)].ImagePath;
    }
    // Wine's own services and drivers, resolved to files that exist.
    EXPECT_GT(UpperBound(locations[48].Entries), 0);
    EXPECT_GT(UpperBound(locations[49].Entries), 0);
    const StartupEntry *plugPlay = Find(48, "PlugPlay");
    ASSERT_NE(plugPlay, nullptr);
    EXPECT_TRUE(plugPlay->HasFile) << plugPlay->ImagePath;
    const StartupEntry *mountMgr = Find(49, "MountMgr");
    ASSERT_NE(mountMgr, nullptr);
    EXPECT_TRUE(mountMgr->HasFile) << mountMgr->ImagePath;
    EXPECT_EQ(Find(48, "RpcSs"), nullptr); // started on demand
    EXPECT_EQ(OpenKeyCount(), 0);
}

TEST_F(WholeScan, OfflineServicesDriversAndClassesResolveOnTheInstallationsDrive) {
    TestKey system(HKLM, "_REMOTE_SYSTEM");
    TestKey software(HKLM, "_REMOTE_SOFTWARE");
    SetRegDword(HKLM, "_REMOTE_SYSTEM\\Select", "Current", 2);
    const std::string services = "_REMOTE_SYSTEM\\ControlSet002\\Services\\";
    const auto service = [&](const std::string &name, DWORD start, const std::string &image, bool object) {
        SetRegDword(HKLM, services + name, "Start", start);
        SetRegString(HKLM, services + name, "ImagePath", image, REG_EXPAND_SZ);
        if (object)
            SetRegString(HKLM, services + name, "ObjectName", "LocalSystem");
    };
    service("QmBoot", 0, "\\SystemRoot\\System32\\drivers\\qmboot.sys", false);
    service("QmSys", 1, "system32\\DRIVERS\\qmsys.sys", false);
    service("QmFilter", 1, "\\??\\C:\\Tools\\filter.sys", false);
    service("QmHost", 2, "%SystemRoot%\\system32\\svchost.exe -k qm", true);
    SetRegString(HKLM, services + "QmHost", "Description", "Quillmara host");
    service("QmVendor", 2, "\"C:\\Program Files\\Vendor\\vsvc.exe\" -service", true);
    service("QmSpooler", 2, "spoolsv", true);
    service("QmDemand", 3, "C:\\Vendor\\demand.exe", true);
    service("QmOff", 4, "C:\\Vendor\\off.exe", true);
    SetRegDword(HKLM, services + "QmOff", "AutorunsDisabled", 2);

    const std::string classes = "_REMOTE_SOFTWARE\\Classes\\CLSID\\";
    const std::string hook = "{5A11E700-0101-4000-8000-00000000B001}";
    const std::string helper = "{5A11E700-0102-4000-8000-00000000B002}";
    SetRegString(HKLM, classes + hook + "\\InprocServer32", "", "C:\\Vendor\\hook.dll");
    SetRegString(HKLM, classes + helper, "", "Vendor Helper");
    SetRegString(HKLM, classes + helper + "\\InprocServer32", "", "%SystemRoot%\\system32\\helper.dll", REG_EXPAND_SZ);
    const std::string explorer = "_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
    SetRegString(HKLM, explorer + "ShellExecuteHooks", hook, "");
    CreateRegKey(HKLM, explorer + "Browser Helper Objects\\" + helper);
    const std::string setup = "_REMOTE_SOFTWARE\\Microsoft\\Active Setup\\Installed Components\\{QM}";
    SetRegString(HKLM, setup, "", "Quillmara Setup");
    SetRegString(HKLM, setup, "StubPath", "regsvr32.exe /s qm.dll");

    OfflineDrive drive;
    ASSERT_TRUE(drive.ok());
    ASSERT_TRUE(drive.MakeWindowsFolder("WINDOWS"));
    for (const char *file : {"WINDOWS\\system32\\drivers\\qmboot.sys", "WINDOWS\\system32\\svchost.exe",
                             "Program Files\\Vendor\\vsvc.exe", "Vendor\\hook.dll", "WINDOWS\\system32\\helper.dll"})
        ASSERT_TRUE(drive.WriteFile(file, "MZ")) << file;
    const std::string w = drive / "WINDOWS";
    const std::string d = drive.root();

    ResetLocations(ScanLocations());
    ProfilesDir().clear();
    {
        ScannedInstall install(w, true);
        LoadPaths();
        ASSERT_TRUE(SetScope(false));
    }
    const auto image = [](int location, const std::string &name) {
        const StartupEntry *e = Find(location, name);
        return e != nullptr ? e->ImagePath : "(no entry " + name + ")";
    };
    const auto hasFile = [](int location, const std::string &name) {
        const StartupEntry *e = Find(location, name);
        return e != nullptr && e->HasFile;
    };

    EXPECT_EQ(ScanLocations()[49].Passes[1].KeyText, "HKEY_LOCAL_MACHINE\\_REMOTE_SYSTEM\\ControlSet002\\Services");
    EXPECT_EQ(image(49, "QmBoot"), w + "\\system32\\drivers\\qmboot.sys");
    EXPECT_TRUE(hasFile(49, "QmBoot"));
    EXPECT_EQ(image(49, "QmSys"), w + "\\system32\\DRIVERS\\qmsys.sys");
    EXPECT_FALSE(hasFile(49, "QmSys"));
    EXPECT_EQ(image(49, "QmFilter"), d + "Tools\\filter.sys");
    EXPECT_EQ(UpperBound(ScanLocations()[49].Entries), 3);

    EXPECT_EQ(image(48, "QmHost"), w + "\\system32\\svchost.exe");
    EXPECT_TRUE(hasFile(48, "QmHost"));
    EXPECT_EQ(Find(48, "QmHost")->Description, "Quillmara host");
    EXPECT_EQ(image(48, "QmVendor"), d + "Program Files\\Vendor\\vsvc.exe");
    EXPECT_TRUE(hasFile(48, "QmVendor"));
    EXPECT_EQ(image(48, "QmSpooler"), w + "\\system32\\spoolsv.exe");
    ASSERT_NE(Find(48, "QmOff"), nullptr);
    EXPECT_TRUE(Find(48, "QmOff")->Disabled);
    EXPECT_EQ(Find(48, "QmDemand"), nullptr);
    EXPECT_EQ(Find(48, "PlugPlay"), nullptr); // nothing of the running system
    EXPECT_EQ(UpperBound(ScanLocations()[48].Entries), 4);

    EXPECT_EQ(image(36, hook), d + "Vendor\\hook.dll");
    EXPECT_TRUE(hasFile(36, hook));
    EXPECT_EQ(image(40, helper), w + "\\system32\\helper.dll");
    EXPECT_TRUE(hasFile(40, helper));
    EXPECT_EQ(Find(40, helper)->Description, "Vendor Helper");
    EXPECT_EQ(image(31, "Quillmara Setup"), w + "\\system32\\regsvr32.exe");
    EXPECT_EQ(OpenKeyCount(), 0);
}

} // namespace
