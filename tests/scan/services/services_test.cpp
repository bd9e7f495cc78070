#include <gtest/gtest.h>

#include "scan/driver.h"
#include "scan/records.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Services";
const std::string kSys = "C:\\WINDOWS\\system32\\";
const HKEY HKLM = HKEY_LOCAL_MACHINE;
constexpr const char *kGeneric = "Generic Host Process for Win32 Services";

// One subkey of a services key laid out by a test.
struct Service {
    const char *name;
    int start = -1; // -1: no "Start" value
    const char *image = nullptr;
    bool objectName = true;
    bool disabledValue = false;
    const char *description = nullptr;
};

void LayOut(const std::string &servicesKey, const std::vector<Service> &services) {
    for (const Service &s : services) {
        const std::string k = servicesKey + "\\" + s.name;
        CreateRegKey(HKLM, k);
        if (s.start >= 0)
            SetRegDword(HKLM, k, "Start", static_cast<DWORD>(s.start));
        if (s.image != nullptr)
            SetRegString(HKLM, k, "ImagePath", s.image, REG_EXPAND_SZ);
        if (s.objectName)
            SetRegString(HKLM, k, "ObjectName", "LocalSystem");
        if (s.disabledValue)
            SetRegDword(HKLM, k, "AutorunsDisabled", 2);
        if (s.description != nullptr)
            SetRegString(HKLM, k, "Description", s.description);
    }
}

class ServiceLocations : public ::testing::Test {
  protected:
    ScannedInstall install{"C:\\WINDOWS", false};
    TestKey base{HKLM, kBase};

    PassResult Scan(const std::string &key, int category) {
        const int before = OpenKeyCount();
        PassResult r = ScanOnePass(HKLM, kBase + "\\" + key, category, category == kCatServices ? 48 : 49);
        EXPECT_EQ(OpenKeyCount(), before);
        return r;
    }
};

TEST_F(ServiceLocations, ServicesThatStartByThemselvesOrAreDisabledInPlace) {
    const std::string longDescription(400, 'd');
    LayOut(kBase + "\\Set",
           {
               {"Auto", 2, "system32\\svchost.exe -k netsvcs", true, false, "Runs the network services"},
               {"Boot", 0, "%SystemRoot%\\System32\\svchost.exe -k rpcss", true, false, "x"},
               {"Demand", 3, "C:\\Tools\\demand.exe"},
               {"Off", 4, "C:\\Tools\\off.exe", true, true, ""},
               {"OffNoStart", -1, "C:\\Tools\\nostart.exe", true, true},
               {"KernelDriver", 1, "system32\\drivers\\kd.sys", false},
               {"Quoted", 2, "\"C:\\Program Files\\My.App\\Svc Dir\\svc.exe\" -run"},
               {"Bare", 2, "svchost"},
               {"NoImage", 2, nullptr, true, false, longDescription.c_str()},
               {"Lower", 1, "C:\\Tools\\lower.exe"},
           });
    // A start value of more than one byte counts by its low byte.
    SetRegDword(HKLM, kBase + "\\Set\\Lower", "Start", 0x102);

    const PassResult r = Scan("Set", kCatServices);
    ASSERT_EQ(r.count(), 7) << ::testing::PrintToString(r.names());
    const StartupEntry *a = r.byName("Auto");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Description, "Runs the network services");
    EXPECT_EQ(a->ImagePath, kSys + "svchost.exe");
    EXPECT_EQ(a->ItemType, kItemSubKey);
    EXPECT_EQ(a->ItemName, "");
    EXPECT_EQ(a->PassIndex, 1);
    EXPECT_FALSE(a->Disabled);
    EXPECT_EQ(r.byName("Boot")->ImagePath, "C:\\WINDOWS\\System32\\svchost.exe");
    EXPECT_EQ(r.byName("Boot")->Description, kGeneric); // one character is no description
    EXPECT_EQ(r.byName("Demand"), nullptr);
    ASSERT_NE(r.byName("Off"), nullptr);
    EXPECT_TRUE(r.byName("Off")->Disabled);
    EXPECT_EQ(r.byName("Off")->Description, kGeneric);
    EXPECT_EQ(r.byName("Off")->ImagePath, "C:\\Tools\\off.exe");
    EXPECT_EQ(r.byName("OffNoStart"), nullptr);
    EXPECT_EQ(r.byName("KernelDriver"), nullptr);
    EXPECT_EQ(r.byName("Quoted")->ImagePath, "C:\\Program Files\\My.App\\Svc Dir\\svc.exe");
    EXPECT_EQ(r.byName("Bare")->ImagePath, kSys + "svchost.exe");
    ASSERT_NE(r.byName("NoImage"), nullptr);
    EXPECT_EQ(r.byName("NoImage")->ImagePath, "");
    EXPECT_EQ(r.byName("NoImage")->Description, longDescription);
    EXPECT_NE(r.byName("Lower"), nullptr);
}

TEST_F(ServiceLocations, DriversLoadedAtBootSystemStartAutomaticallyOrOnDemand) {
    LayOut(kBase + "\\Set", {
                                {"BootDrv", 0, "\\SystemRoot\\System32\\drivers\\boot.sys", false},
                                {"SysDrv", 1, "system32\\DRIVERS\\sys.sys", false},
                                {"DemandDrv", 3, "System32\\Drivers\\Null.SYS", false},
                                {"OffDrv", 4, "System32\\drivers\\off.sys", false, true},
                                {"StoppedDrv", 4, "System32\\drivers\\stopped.sys", false},
                                {"ObjectDrv", 2, "\\??\\C:\\Tools\\filter.sys"},
                                {"EnvDrv", 1, "%SystemRoot%\\System32\\drivers\\env.sys", false},
                                {"UpperDrv", 1, "\\SYSTEMROOT\\SYSTEM32\\DRIVERS\\upper.sys", false},
                                {"Svc", 2, "C:\\WINDOWS\\system32\\svchost.exe -k netsvcs"},
                                {"NoImageDrv", 1, nullptr, false},
                                {"NoStartDrv", -1, "system32\\drivers\\nostart.sys", false, true},
                                {"MRxSmb", 1, "system32\\DRIVERS\\mrxsmb.sys", false},
                                {"Srv", 1, "system32\\DRIVERS\\srv.sys", false},
                            });
    const PassResult r = Scan("Set", kCatDrivers);
    ASSERT_EQ(r.count(), 7) << ::testing::PrintToString(r.names());
    const StartupEntry *boot = r.byName("BootDrv");
    ASSERT_NE(boot, nullptr);
    EXPECT_EQ(boot->ImagePath, kSys + "drivers\\boot.sys");
    EXPECT_EQ(boot->Description, "");
    EXPECT_EQ(boot->ItemType, kItemSubKey);
    EXPECT_EQ(boot->PassIndex, 1);
    EXPECT_FALSE(boot->Disabled);
    EXPECT_EQ(r.byName("SysDrv")->ImagePath, kSys + "DRIVERS\\sys.sys");
    EXPECT_EQ(r.byName("DemandDrv")->ImagePath, kSys + "Drivers\\Null.SYS");
    ASSERT_NE(r.byName("OffDrv"), nullptr);
    EXPECT_TRUE(r.byName("OffDrv")->Disabled);
    EXPECT_EQ(r.byName("ObjectDrv")->ImagePath, "C:\\Tools\\filter.sys");
    EXPECT_EQ(r.byName("EnvDrv")->ImagePath, "C:\\WINDOWS\\System32\\drivers\\env.sys");
    EXPECT_EQ(r.byName("UpperDrv")->ImagePath, kSys + "DRIVERS\\upper.sys");
    for (const char *absent : {"StoppedDrv", "Svc", "NoImageDrv", "NoStartDrv", "MRxSmb", "Srv"})
        EXPECT_EQ(r.byName(absent), nullptr) << absent;

    // Only the exact spelling is passed over.
    LayOut(kBase + "\\Lower", {{"mrxsmb", 1, "system32\\DRIVERS\\mrxsmb.sys", false}});
    const PassResult lower = Scan("Lower", kCatDrivers);
    ASSERT_EQ(lower.count(), 1);
    EXPECT_EQ(lower.entries[1].EntryName, "mrxsmb");
}

TEST_F(ServiceLocations, AKeyThatIsBothServiceAndDriverIsInBothLists) {
    LayOut(kBase + "\\Both", {{"MountMgr", 2, "C:\\WINDOWS\\system32\\drivers\\mountmgr.sys"}});
    const PassResult services = Scan("Both", kCatServices);
    const PassResult drivers = Scan("Both", kCatDrivers);
    ASSERT_EQ(services.count(), 1);
    ASSERT_EQ(drivers.count(), 1);
    EXPECT_EQ(services.entries[1].ImagePath, "C:\\WINDOWS\\system32\\drivers\\mountmgr.sys");
    EXPECT_EQ(drivers.entries[1].ImagePath, "C:\\WINDOWS\\system32\\drivers\\mountmgr.sys");

    CreateRegKey(HKLM, kBase + "\\Empty");
    EXPECT_EQ(Scan("Empty", kCatServices).count(), 0);
    EXPECT_EQ(Scan("Missing", kCatDrivers).count(), 0);
}

} // namespace

namespace {

// What an interrupted disable leaves (the start type saved, "Start" still
// automatic) starts, so it is not shown as disabled; "\??\" alone names no
// driver file; a folder is no image file.
TEST_F(ServiceLocations, HalfDisabledServicesStartAndEmptyObjectPathsAreNoDrivers) {
    LayOut(kBase + "\\Half", {
                                 {"HalfSvc", 2, "C:\\Tools\\half.exe", true, true},
                                 {"HalfDrv", 1, "system32\\drivers\\half.sys", false, true},
                                 {"Empty", 1, "\\??\\", false},
                             });
    const PassResult services = Scan("Half", kCatServices);
    ASSERT_NE(services.byName("HalfSvc"), nullptr);
    EXPECT_FALSE(services.byName("HalfSvc")->Disabled);
    const PassResult drivers = Scan("Half", kCatDrivers);
    EXPECT_EQ(drivers.names(), std::vector<std::string>{"HalfDrv"});
    EXPECT_FALSE(drivers.byName("HalfDrv")->Disabled);

    std::vector<StartupEntry> entries(3);
    entries[1].ImagePath = "C:\\windows\\system32\\. . .";
    entries[2].ImagePath = "C:\\windows";
    TestImageFiles(entries);
    EXPECT_FALSE(entries[1].HasFile);
    EXPECT_FALSE(entries[2].HasFile);
}

} // namespace
