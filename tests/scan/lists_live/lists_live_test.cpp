// Whole scans through the scan driver with entries laid out where Windows
// keeps them: on the running system (restored afterwards) and on an offline
// installation whose hives lie under the "_REMOTE_" names, where every path
// moves to the installation's drive.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/catalog_item.h"
#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/offline_drive.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kWinlogon = "Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
const std::string kIfeo = "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options";
const std::string kMonitors = "Control\\Print\\Monitors";
const std::string kCatalog = "Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries";

// A live value saved on construction and put back (or removed) afterwards.
class SavedValue {
  public:
    SavedValue(HKEY root, std::string key, std::string name)
        : root_(root), key_(std::move(key)), name_(std::move(name)) {
        HKEY h = nullptr;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            return;
        DWORD size = 0;
        if (RegQueryValueExA(h, name_.c_str(), nullptr, &type_, nullptr, &size) == ERROR_SUCCESS) {
            data_.resize(size);
            existed_ = RegQueryValueExA(h, name_.c_str(), nullptr, &type_, reinterpret_cast<BYTE *>(data_.data()),
                                        &size) == ERROR_SUCCESS;
            data_.resize(size);
        }
        RegCloseKey(h);
    }
    ~SavedValue() {
        HKEY h = nullptr;
        if (RegOpenKeyExA(root_, key_.c_str(), 0, KEY_ALL_ACCESS, &h) != ERROR_SUCCESS)
            return;
        if (existed_)
            RegSetValueExA(h, name_.c_str(), 0, type_, reinterpret_cast<const BYTE *>(data_.data()),
                           static_cast<DWORD>(data_.size()));
        else
            RegDeleteValueA(h, name_.c_str());
        RegCloseKey(h);
    }
    SavedValue(const SavedValue &) = delete;
    SavedValue &operator=(const SavedValue &) = delete;

  private:
    HKEY root_;
    std::string key_, name_, data_;
    DWORD type_ = REG_NONE;
    bool existed_ = false;
};

const StartupEntry *Find(int location, const std::string &name) {
    const auto &entries = ScanLocations()[static_cast<size_t>(location)].Entries;
    for (int i = 1; i <= UpperBound(entries); ++i) {
        const StartupEntry &e = entries[static_cast<size_t>(i)];
        if (e.EntryName == name || e.ItemName == name)
            return &e;
    }
    return nullptr;
}

std::string CatalogItemBytes(const std::string &path, const std::u16string &name) {
    std::string data(path);
    data.resize(kCatalogNameOffset, '\0');
    for (char16_t c : name) {
        data.push_back(static_cast<char>(c & 0xFF));
        data.push_back(static_cast<char>(c >> 8));
    }
    data.resize(1024, '\0');
    return data;
}

class ListsLiveTest : public testing::Test {
  protected:
    void TearDown() override {
        ResetLocations(ScanLocations());
        SelectedOS() = 0;
        ProfilesDir().clear();
    }
};

TEST_F(ListsLiveTest, RunningSystemScanFindsTheLiveEntries) {
    const std::string session = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
    const std::string monitors = "SYSTEM\\CurrentControlSet\\" + kMonitors;
    SavedValue boot(HKEY_LOCAL_MACHINE, session, "BootExecute");
    SetRegMultiString(HKEY_LOCAL_MACHINE, session, "BootExecute", {"autocheck autochk *", "qmboot arg"});
    const std::string lsa = "SYSTEM\\CurrentControlSet\\Control\\Lsa";
    SavedValue notify(HKEY_LOCAL_MACHINE, lsa, "Notification Packages");
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa, "Notification Packages", {"msv1_0", "qm pkg"});
    TestKey monitor(HKEY_LOCAL_MACHINE, monitors + "\\Quillmara Test Monitor");
    SetRegString(HKEY_LOCAL_MACHINE, monitor.path(), "Driver", "qmtestmon.dll");
    TestKey disabled(HKEY_LOCAL_MACHINE, monitors + "\\AutorunsDisabled");
    SetRegString(HKEY_LOCAL_MACHINE, disabled.path() + "\\Quillmara Old Monitor", "Driver", "qmoldmon.dll");
    TestKey debugger(HKEY_LOCAL_MACHINE, "SOFTWARE\\" + kIfeo + "\\qmtarget.exe");
    SetRegString(HKEY_LOCAL_MACHINE, debugger.path(), "Debugger", "C:\\Tools\\qmdbg.exe -x");

    UseInstallations(0);
    LoadPaths();
    ASSERT_TRUE(SetScope(true));

    const StartupEntry *autocheck = Find(50, "autocheck");
    ASSERT_NE(autocheck, nullptr);
    EXPECT_EQ(autocheck->ImagePath, "C:\\windows\\system32\\autochk.exe");
    ASSERT_NE(Find(50, "qmboot"), nullptr);

    const StartupEntry *msv = Find(67, "msv1_0");
    ASSERT_NE(msv, nullptr);
    EXPECT_EQ(msv->ImagePath, "C:\\windows\\system32\\msv1_0.dll");
    EXPECT_TRUE(msv->HasFile); // the package's library ships with the prefix
    ASSERT_NE(Find(67, "qm pkg"), nullptr);

    const StartupEntry *live = Find(65, "Quillmara Test Monitor");
    const StartupEntry *old = Find(65, "Quillmara Old Monitor");
    ASSERT_TRUE(live && old);
    EXPECT_EQ(live->ImagePath, "C:\\windows\\system32\\qmtestmon.dll");
    EXPECT_FALSE(live->Disabled);
    EXPECT_TRUE(old->Disabled);

    const StartupEntry *hijack = Find(51, "qmtarget.exe");
    ASSERT_NE(hijack, nullptr);
    EXPECT_EQ(hijack->ImagePath, "C:\\Tools\\qmdbg.exe");

    // The open command as Wine installs it is the standard one: no entry.
    EXPECT_EQ(UpperBound(ScanLocations()[54].Entries), 0);
}

TEST_F(ListsLiveTest, OfflineScanMovesEveryPathToTheInstallationsDrive) {
    TestKey system(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    TestKey software(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE");
    const std::string set = "_REMOTE_SYSTEM\\ControlSet002\\";
    SetRegDword(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\Select", "Current", 2);
    SetRegMultiString(HKEY_LOCAL_MACHINE, set + "Control\\Lsa", "Security Packages", {"kerberos", "msv1_0"});
    SetRegString(HKEY_LOCAL_MACHINE, set + "Control\\Session Manager\\KnownDlls", "ole32", "ole32.dll");
    SetRegString(HKEY_LOCAL_MACHINE, set + kMonitors + "\\Vendor Port", "Driver", "C:\\Vendor\\vmon.dll");
    SetRegBinary(HKEY_LOCAL_MACHINE, set + kCatalog + "\\000000000001", "PackedCatalogItem",
                 CatalogItemBytes("%SystemRoot%\\system32\\mswsock.dll", u"MSAFD Tcpip [TCP/IP]"));
    SetRegBinary(HKEY_LOCAL_MACHINE, set + kCatalog + "\\000000000002", "PackedCatalogItem",
                 CatalogItemBytes("C:\\Program Files\\Layered Provider Vendors\\lsp\\provider64.dll", u"LSP"));
    SetRegString(HKEY_LOCAL_MACHINE, set + "Control\\BootVerificationProgram", "ImageName", "bootok.exe");
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\" + kWinlogon, "UIHost", "C:\\Vendor\\ui.exe");
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\" + kWinlogon + "\\Notify\\vendor", "DLLName",
                 "%SystemRoot%\\vnotify.dll");
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\" + kIfeo + "\\calc.exe", "Debugger", "C:\\Tools\\dbg.exe");
    SetRegString(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Windows", "Appinit_Dlls",
                 "hook.dll");

    OfflineDrive drive;
    ASSERT_TRUE(drive.ok());
    ASSERT_TRUE(drive.MakeWindowsFolder("WINDOWS"));
    ASSERT_TRUE(drive.WriteFile("WINDOWS\\system32\\msv1_0.dll", "MZ"));
    ASSERT_TRUE(drive.WriteFile("Vendor\\vmon.dll", "MZ"));
    const std::string w = drive / "WINDOWS";
    const std::string d = drive.root();
    UseInstallations(1, d, w);
    LoadPaths();
    ASSERT_TRUE(SetScope(false));

    const auto entry = [](int location, const std::string &name) {
        const StartupEntry *e = Find(location, name);
        if (e != nullptr)
            return *e;
        StartupEntry none;
        none.ImagePath = "(no entry " + name + ")";
        return none;
    };
    const auto image = [&](int location, const std::string &name) { return entry(location, name).ImagePath; };
    EXPECT_EQ(ScanLocations()[68].Passes[1].KeyText, "HKEY_LOCAL_MACHINE\\" + set + "Control\\Lsa");
    EXPECT_EQ(image(68, "kerberos"), w + "\\system32\\kerberos.dll");
    EXPECT_EQ(image(68, "msv1_0"), w + "\\system32\\msv1_0.dll");
    // The files are looked for on the installation's drive.
    EXPECT_TRUE(entry(68, "msv1_0").HasFile);
    EXPECT_FALSE(entry(68, "kerberos").HasFile);
    EXPECT_EQ(image(56, "ole32"), w + "\\system32\\ole32.dll");
    EXPECT_EQ(image(65, "Vendor Port"), d + "Vendor\\vmon.dll");
    EXPECT_TRUE(entry(65, "Vendor Port").HasFile);
    EXPECT_EQ(image(64, "MSAFD Tcpip [TCP/IP]"), w + "\\system32\\mswsock.dll");
    EXPECT_EQ(image(64, "LSP"), d + "Program Files\\Layered Provider Vendors\\lsp\\provider64.dll");
    EXPECT_EQ(image(63, "bootok.exe"), w + "\\system32\\bootok.exe");
    EXPECT_EQ(image(58, "C:\\Vendor\\ui.exe"), d + "Vendor\\ui.exe");
    EXPECT_EQ(image(59, "vendor"), w + "\\vnotify.dll");
    EXPECT_EQ(image(51, "calc.exe"), d + "Tools\\dbg.exe");
    EXPECT_EQ(image(55, "hook.dll"), w + "\\system32\\hook.dll");
    // Nothing of the running system leaks into the offline scan.
    EXPECT_EQ(UpperBound(ScanLocations()[54].Entries), 0);
    EXPECT_EQ(Find(50, "autocheck"), nullptr);
}

} // namespace
