// The system lists, the Winlogon, image-hijack and AppInit values, the Winsock
// catalogue and the print monitors, laid out in a scratch key and scanned one
// pass at a time as the scan driver would, for the running system (Windows
// folder C:\windows) and an offline installation (Q:\WINDOWS).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scan/catalog_item.h"
#include "scan/locations.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Lists";
const std::string kDisabled = kBase + "\\AutorunsDisabled";
const std::string kSys = "C:\\windows\\system32\\";

// One pass of location n over HKEY_LOCAL_MACHINE\path (the scratch key unless
// given), with the location's category and value name.
PassResult OnePass(int n, const std::string &path = kBase) { return ScanLocationPass(n, HKEY_LOCAL_MACHINE, path); }

using Names = std::vector<std::string>;

std::string MultiSz(const Names &items) {
    std::string data;
    for (const auto &item : items)
        data += item + '\0';
    return data + '\0';
}

class ListScanTest : public testing::Test {
  protected:
    void SetUp() override {
        UseInstallations(0);
        LoadPaths();
    }
    void TearDown() override {
        ResetLocations(ScanLocations());
        SelectedOS() = 0;
    }
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
};

TEST_F(ListScanTest, BootExecuteListsEachCommandThenTheDisabledOnes) {
    SetRegMultiString(HKEY_LOCAL_MACHINE, kBase, "BootExecute",
                      {"autocheck autochk *", "", "prog arg", "foo", "  spaced   out  words"});
    SetRegMultiString(HKEY_LOCAL_MACHINE, kDisabled, "BootExecute", {"sdcheck sdtool /x"});
    SetRegMultiString(HKEY_LOCAL_MACHINE, kDisabled + "\\AutorunsDisabled", "BootExecute", {"deeper"});
    const PassResult scan = OnePass(50);
    ASSERT_EQ(scan.names(), (Names{"autocheck", "prog", "foo", "spaced", "sdcheck"}));
    EXPECT_EQ(scan[1].ImagePath, kSys + "autochk.exe");
    EXPECT_EQ(scan[2].ImagePath, kSys + "prog.exe");
    EXPECT_EQ(scan[3].ImagePath, kSys + "foo.exe");
    EXPECT_EQ(scan[4].ImagePath, kSys + "out.exe");
    EXPECT_EQ(scan[5].ImagePath, kSys + "sdtool.exe");
    // Each entry keeps its whole command as item name: what the list holds.
    const Names commands{"", "autocheck autochk *", "prog arg", "foo", "  spaced   out  words", "sdcheck sdtool /x"};
    for (int i = 1; i <= 5; ++i) {
        EXPECT_EQ(scan[i].Disabled, i == 5) << i;
        EXPECT_EQ(scan[i].ItemType, kItemOwnValue);
        EXPECT_EQ(scan[i].ItemName, commands[static_cast<size_t>(i)]);
    }
    scan.expectRecorded();
}

TEST_F(ListScanTest, PackageListsKeepItemsWholeAndFindDisabledOnes) {
    const std::string lsa = kBase + "\\Lsa";
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa, "Notification Packages", {"scecli", "vendor pkg", "rassfm"});
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa + "\\AutorunsDisabled", "Notification Packages", {"oldpkg"});
    const PassResult notify = OnePass(67, lsa);
    ASSERT_EQ(notify.names(), (Names{"scecli", "vendor pkg", "rassfm", "oldpkg"}));
    EXPECT_EQ(notify[1].ImagePath, kSys + "scecli.dll");
    EXPECT_EQ(notify[2].ImagePath, kSys + "vendor pkg.dll");
    EXPECT_EQ(notify[3].ImagePath, kSys + "rassfm.dll");
    EXPECT_EQ(notify[4].ImagePath, kSys + "oldpkg.dll");
    EXPECT_FALSE(notify[3].Disabled);
    EXPECT_TRUE(notify[4].Disabled);
    notify.expectRecorded();

    // Missing from the key, present in the disabled store: only disabled entries.
    SetRegMultiString(HKEY_LOCAL_MACHINE, lsa + "\\AutorunsDisabled", "Authentication Packages", {"msv1_0"});
    const PassResult auth = OnePass(66, lsa);
    ASSERT_EQ(auth.names(), Names{"msv1_0"});
    EXPECT_TRUE(auth[1].Disabled);

    // Neither here nor there, and a key that does not exist: nothing.
    EXPECT_EQ(OnePass(68, lsa).count(), 0);
    EXPECT_EQ(OnePass(68, lsa + "\\Missing").count(), 0);
}

TEST_F(ListScanTest, ListValuesOfAnyShapeAreReadWithinTheirData) {
    struct Case {
        std::string data;
        Names items;
    };
    const std::string longItem(1000, 'L');
    const std::vector<Case> cases = {
        {"", {}},
        {std::string(1, '\0'), {}},
        {std::string("a\0b", 3), {"a", "b"}},              // odd length, no closing NULs
        {"unterminated", {"unterminated"}},                // a plain text without any NUL
        {std::string("x\0\0\0\0", 5), {"x"}},              // padding after the list
        {MultiSz({longItem, "tail"}), {longItem, "tail"}}, // larger than any fixed buffer
    };
    for (const Case &c : cases) {
        SetRegBinary(HKEY_LOCAL_MACHINE, kBase, "Security Packages", c.data, REG_MULTI_SZ);
        SetRegBinary(HKEY_LOCAL_MACHINE, kBase, "BootExecute", c.data, REG_BINARY);
        EXPECT_EQ(OnePass(68).names(), c.items) << c.data.size();
        EXPECT_EQ(OnePass(50).names(), c.items) << c.data.size();
    }
    // One byte: no list, and no read before or after it.
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase, "Security Packages", "k", REG_MULTI_SZ);
    EXPECT_LE(OnePass(68).count(), 1);
}

TEST_F(ListScanTest, KnownDllsListEveryValueButTheFolder) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "kernel32", "kernel32.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "DllDirectory", "%SystemRoot%\\system32", REG_EXPAND_SZ);
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "DllDirectory32", "%SystemRoot%\\SysWOW64", REG_EXPAND_SZ);
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase, "user32", "user32.dll", REG_SZ); // stored without its NUL
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled, "evil", "evil.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled + "\\AutorunsDisabled", "deeper", "deeper.dll");
    const PassResult scan = OnePass(56);
    ASSERT_EQ(scan.count(), 3);
    EXPECT_EQ(scan.named("kernel32").ImagePath, kSys + "kernel32.dll");
    EXPECT_EQ(scan.named("user32").ImagePath, kSys + "user32.dll");
    EXPECT_EQ(scan[3].EntryName, "evil");
    EXPECT_TRUE(scan[3].Disabled);
    EXPECT_FALSE(scan.named("kernel32").Disabled);
    for (int i = 1; i <= 3; ++i)
        EXPECT_EQ(scan[i].ItemType, kItemNamedValue);
    scan.expectRecorded();

    // Only the exact name is the folder.
    TestKey other(HKEY_LOCAL_MACHINE, kBase + "\\Case");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\Case", "dlldirectory", "x.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\Case", "dlldirectory32", "y.dll");
    EXPECT_EQ(OnePass(56, kBase + "\\Case").names(), (Names{"dlldirectory", "dlldirectory32"}));
}

TEST_F(ListScanTest, ImageFileDebuggersResolveTheirProgram) {
    const auto debugger = [](const std::string &image, const std::string &text) {
        SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\" + image, "Debugger", text);
    };
    debugger("notepad.exe", "ntsd -d");
    debugger("calc.exe", "C:\\Tools\\dbg.exe -x");
    debugger("mspaint.exe", "\"C:\\Program Files\\Debug Tools\\dbg.exe\" -p");
    debugger("write.exe", "hook.dll");
    debugger("empty.exe", "");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\nodebugger.exe", "GlobalFlag", "2");
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled + "\\taskmgr.exe", "Debugger", "procexp.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled + "\\AutorunsDisabled\\regedit.exe", "Debugger", "%SystemRoot%\\re");
    const PassResult scan = OnePass(51);
    ASSERT_EQ(scan.count(), 7);
    EXPECT_EQ(scan.named("notepad.exe").EntryName, "ntsd -d");
    EXPECT_EQ(scan.named("notepad.exe").ImagePath, kSys + "ntsd.exe");
    EXPECT_EQ(scan.named("calc.exe").ImagePath, "C:\\Tools\\dbg.exe");
    EXPECT_EQ(scan.named("mspaint.exe").ImagePath, "C:\\Program Files\\Debug Tools\\dbg.exe");
    EXPECT_EQ(scan.named("write.exe").ImagePath, kSys + "hook.dll");
    EXPECT_EQ(scan.named("empty.exe").ImagePath, kSys);
    EXPECT_EQ(scan.named("taskmgr.exe").ImagePath, kSys + "procexp.exe");
    // Every level of the disabled store is walked.
    EXPECT_EQ(scan.named("regedit.exe").ImagePath, "C:\\windows\\re.exe");
    for (int i = 1; i <= scan.count(); ++i) {
        const bool disabled = scan[i].ItemName == "taskmgr.exe" || scan[i].ItemName == "regedit.exe";
        EXPECT_EQ(scan[i].Disabled, disabled) << scan[i].ItemName;
        EXPECT_EQ(scan[i].ItemType, kItemSubKey);
    }
    scan.expectRecorded();
}

TEST_F(ListScanTest, CommandValuesGiveOneEntryFromTheirFirstProgram) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "AutoRun", "C:\\Tools\\init.cmd /q");
    const PassResult autorun = OnePass(52);
    ASSERT_EQ(autorun.count(), 1);
    EXPECT_EQ(autorun[1].EntryName, "C:\\Tools\\init.cmd /q");
    EXPECT_EQ(autorun[1].ImagePath, "C:\\Tools\\init.cmd");
    EXPECT_FALSE(autorun[1].Disabled);
    EXPECT_EQ(autorun[1].ItemType, kItemOwnValue);

    SetRegString(HKEY_LOCAL_MACHINE, kBase, "AutoRun", "doskey /macrofile=x");
    EXPECT_EQ(OnePass(52)[1].ImagePath, kSys + "doskey.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "AutoRun", "");
    EXPECT_EQ(OnePass(52).count(), 0);
    // A value moved aside by the disable command is not looked for.
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled, "AutoRun", "hidden.exe");
    EXPECT_EQ(OnePass(52).count(), 0);

    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Appinit_Dlls", "hooka.dll hookb.dll");
    const PassResult appinit = OnePass(55);
    ASSERT_EQ(appinit.count(), 1);
    EXPECT_EQ(appinit[1].EntryName, "hooka.dll hookb.dll");
    EXPECT_EQ(appinit[1].ImagePath, kSys + "hooka.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Appinit_Dlls", "C:\\PROGRA~1\\Vendor\\hook.dll,other.dll");
    EXPECT_EQ(OnePass(55)[1].ImagePath, "C:\\PROGRA~1\\Vendor\\hook.dll");
    // A library named without extension is loaded as a .dll.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Appinit_Dlls", "vendorhook");
    EXPECT_EQ(OnePass(55)[1].ImagePath, kSys + "vendorhook.dll");
}

TEST_F(ListScanTest, OpenCommandIsListedOnlyWhenHijacked) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "", "\"%1\" %*");
    EXPECT_EQ(OnePass(54).count(), 0);

    struct Case {
        std::string text, name, image;
    };
    const std::vector<Case> cases = {
        {"evil.exe \"%1\" %*", "evil.exe", kSys + "evil.exe"},
        {"\"C:\\Program Files\\Evil\\run.exe\" \"%1\" %*", "\"C:\\Program Files\\Evil\\run.exe\"",
         "C:\\Program Files\\Evil\\run.exe"},
        {"x", "x", kSys + "x.exe"},                                      // shorter than the arguments
        {"C:\\evil\\run.exe", "C:\\evil\\run.exe", "C:\\evil\\run.exe"}, // no arguments to cut
        {"%1 %*", "%1 %*", "%1.exe"},
    };
    for (const Case &c : cases) {
        SetRegString(HKEY_LOCAL_MACHINE, kBase, "", c.text);
        const PassResult scan = OnePass(54);
        ASSERT_EQ(scan.count(), 1) << c.text;
        EXPECT_EQ(scan[1].EntryName, c.name);
        EXPECT_EQ(scan[1].ImagePath, c.image);
        EXPECT_EQ(scan[1].ItemType, kItemOwnValue);
    }
    // The location's value name "(Default)" is not a value of its own.
    TestKey named(HKEY_LOCAL_MACHINE, kBase + "\\Named");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\Named", "(Default)", "evil.exe");
    EXPECT_EQ(OnePass(54, kBase + "\\Named").count(), 0);
}

TEST_F(ListScanTest, WinlogonValues) {
    // Program values: empty ones give nothing; names, variables and paths resolve.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "System", "");
    EXPECT_EQ(OnePass(57).count(), 0);
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "UIHost", "logonui.exe");
    const PassResult uihost = OnePass(58);
    ASSERT_EQ(uihost.count(), 1);
    EXPECT_EQ(uihost[1].EntryName, "logonui.exe");
    EXPECT_EQ(uihost[1].ImagePath, kSys + "logonui.exe");
    EXPECT_EQ(uihost[1].ItemType, kItemOwnValue);
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "UIHost", "%SystemRoot%\\ui\\host.exe");
    EXPECT_EQ(OnePass(58)[1].ImagePath, "C:\\windows\\ui\\host.exe");

    // System-folder files: named by their file name, also when empty.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "GinaDLL", "");
    const PassResult gina = OnePass(60);
    ASSERT_EQ(gina.count(), 1);
    EXPECT_EQ(gina[1].EntryName, "");
    EXPECT_EQ(gina[1].ImagePath, kSys);
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Taskman", "taskmgr.exe");
    EXPECT_EQ(OnePass(61)[1].ImagePath, kSys + "taskmgr.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "ImageName", "C:\\Vendor\\bootok.exe");
    const PassResult boot = OnePass(63);
    EXPECT_EQ(boot[1].EntryName, "bootok.exe");
    EXPECT_EQ(boot[1].ImagePath, "C:\\Vendor\\bootok.exe");
    EXPECT_EQ(OnePass(63, kBase + "\\Missing").count(), 0);

    // Location 62 is read per user; its key is the same kind of single value.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "SCRNSAVE.EXE", "C:\\windows\\system32\\logon.scr");
    const PassResult saver = OnePass(62);
    ASSERT_EQ(saver.count(), 1);
    EXPECT_EQ(saver[1].EntryName, "logon.scr");
    EXPECT_EQ(saver[1].ImagePath, kSys + "logon.scr");
    EXPECT_FALSE(saver[1].Disabled);
}

TEST_F(ListScanTest, NotifyPackagesNamedBySubkey) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\crypt32chain", "DLLName", "wlnotify.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\vendor", "DLLName", "C:\\Vendor\\notify.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\folder", "DLLName", "sub\\inner.dll");
    SetRegDword(HKEY_LOCAL_MACHINE, kBase + "\\nodll", "Asynchronous", 1);
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled + "\\oldnotify", "DLLName", "%SystemRoot%\\old.dll", REG_EXPAND_SZ);
    const PassResult scan = OnePass(59);
    ASSERT_EQ(scan.count(), 4);
    EXPECT_EQ(scan.named("crypt32chain").ImagePath, kSys + "wlnotify.dll");
    EXPECT_EQ(scan.named("vendor").ImagePath, "C:\\Vendor\\notify.dll");
    EXPECT_EQ(scan.named("folder").ImagePath, kSys + "inner.dll");
    EXPECT_EQ(scan.named("oldnotify").ImagePath, "C:\\windows\\old.dll");
    EXPECT_TRUE(scan.named("oldnotify").Disabled);
    EXPECT_FALSE(scan.named("vendor").Disabled);
    EXPECT_EQ(scan.named("vendor").ItemName, "");
    EXPECT_EQ(scan.named("vendor").ItemType, kItemSubKey);
    scan.expectRecorded();

    // Only the exact name is the disabled store.
    const std::string lower = kBase + "\\Lower";
    SetRegString(HKEY_LOCAL_MACHINE, lower + "\\autorunsdisabled", "DLLName", "own.dll");
    SetRegString(HKEY_LOCAL_MACHINE, lower + "\\autorunsdisabled\\inner", "DLLName", "inner.dll");
    const PassResult other = OnePass(59, lower);
    ASSERT_EQ(other.names(), Names{"autorunsdisabled"});
    EXPECT_FALSE(other[1].Disabled);
}

// A catalogue item as Windows writes it, cut to size bytes when given.
std::string PackedItem(const std::string &path, const std::u16string &name, size_t size = 1024) {
    std::string data(path);
    data.resize(kCatalogPathField, '\0');
    data.resize(kCatalogNameOffset, '\x01');
    for (char16_t c : name) {
        data.push_back(static_cast<char>(c & 0xFF));
        data.push_back(static_cast<char>(c >> 8));
    }
    data.resize(1024, '\0');
    return data.substr(0, size);
}

TEST_F(ListScanTest, WinsockCatalogueEntries) {
    const std::string path33 = "%SystemRoot%\\system32\\mswsock.dll";
    const std::string path60 = "C:\\Program Files\\Layered Provider Vendors\\lsp\\provider64.dll";
    ASSERT_EQ(path33.size(), 33u);
    ASSERT_EQ(path60.size(), 60u);
    const auto item = [](const std::string &key, const std::string &data) {
        SetRegBinary(HKEY_LOCAL_MACHINE, kBase + "\\" + key, "PackedCatalogItem", data);
    };
    item("000000000001", PackedItem(path33, u"MSAFD Tcpip [TCP/IP]"));
    item("000000000002", PackedItem(path60, u"Vendor LSP [TCP/IP]"));
    item("000000000003", PackedItem(path33, u"MSAFD Tcpip [TCP/IP]"));
    item("000000000004", "C:\\lsp.dll");                                      // ten bytes
    item("000000000005", "");                                                 // empty
    item("000000000006", "C");                                                // one byte
    item("000000000007", PackedItem(path60, u"Cut", kCatalogNameOffset + 5)); // odd length, inside the name
    SetRegDword(HKEY_LOCAL_MACHINE, kBase + "\\000000000008", "Other", 1);
    item("AutorunsDisabled", PackedItem("x.dll", u"Stored"));
    const PassResult scan = OnePass(64);
    ASSERT_EQ(scan.count(), 8);
    const StartupEntry &tcp = scan.named("000000000001");
    EXPECT_EQ(tcp.EntryName, "MSAFD Tcpip [TCP/IP]");
    EXPECT_EQ(tcp.ImagePath, kSys + "mswsock.dll");
    EXPECT_EQ(scan.named("000000000002").EntryName, "Vendor LSP [TCP/IP]");
    EXPECT_EQ(scan.named("000000000002").ImagePath, path60);
    // Two entries of the same protocol, told apart by their keys.
    EXPECT_EQ(scan.named("000000000003").EntryName, "MSAFD Tcpip [TCP/IP]");
    EXPECT_EQ(scan.named("000000000004").ImagePath, "C:\\lsp.dll");
    EXPECT_EQ(scan.named("000000000004").EntryName, "");
    EXPECT_EQ(scan.named("000000000005").ImagePath, "");
    EXPECT_EQ(scan.named("000000000006").ImagePath, "C");
    EXPECT_EQ(scan.named("000000000007").EntryName, "Cu");
    EXPECT_EQ(scan.named("000000000007").ImagePath, path60);
    // No disabled store here: that subkey is an entry like the others.
    EXPECT_EQ(scan.named("AutorunsDisabled").EntryName, "Stored");
    for (int i = 1; i <= scan.count(); ++i) {
        EXPECT_FALSE(scan[i].Disabled);
        EXPECT_EQ(scan[i].ItemType, kItemSubKey);
    }
    scan.expectRecorded();
}

TEST_F(ListScanTest, PrintMonitorsLiveAndDisabled) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\Local Port", "Driver", "localspl.dll");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\Vendor Port", "Driver", "C:\\Vendor\\vmon.dll");
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase + "\\Raw Port", "Driver", "rawmon.dll", REG_SZ); // no NUL stored
    SetRegDword(HKEY_LOCAL_MACHINE, kBase + "\\No Driver", "Other", 1);
    SetRegString(HKEY_LOCAL_MACHINE, kDisabled + "\\Old Port", "Driver", "oldmon.dll");
    const PassResult scan = OnePass(65);
    ASSERT_EQ(scan.count(), 4);
    EXPECT_EQ(scan.named("Local Port").ImagePath, kSys + "localspl.dll");
    EXPECT_EQ(scan.named("Vendor Port").ImagePath, "C:\\Vendor\\vmon.dll");
    EXPECT_EQ(scan.named("Raw Port").ImagePath, kSys + "rawmon.dll");
    EXPECT_EQ(scan.named("Old Port").ImagePath, kSys + "oldmon.dll");
    for (int i = 1; i <= scan.count(); ++i) {
        EXPECT_EQ(scan[i].Disabled, scan[i].EntryName == "Old Port");
        EXPECT_EQ(scan[i].ItemType, kItemSubKey);
        EXPECT_EQ(scan[i].ItemName, "");
    }
    scan.expectRecorded();
}

} // namespace
