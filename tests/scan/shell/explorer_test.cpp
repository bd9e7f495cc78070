#include <gtest/gtest.h>

#include "scan/clsid.h"
#include "scan/records.h"
#include "scan/state.h"
#include "shell_classes.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Shell";
const std::string kSys = "C:\\WINDOWS\\system32\\";
const HKEY HKLM = HKEY_LOCAL_MACHINE;

// The classes of the running system that most tests use.
struct LiveClasses {
    TestClass alpha{"SOFTWARE", kAlpha};
    TestClass bare{"SOFTWARE", kBare};
    TestClass env{"SOFTWARE", kEnv};
    TestClass icon{"SOFTWARE", kIconOnly};
    LiveClasses() {
        alpha.Name("Alpha").Server("C:\\Hooks\\alpha.dll");
        bare.Server("bare.dll");
        env.Server("%SystemRoot%\\filt\\env.dll");
        icon.Icon("iconext.dll,4");
    }
};

class ShellLocations : public ::testing::Test {
  protected:
    ScannedInstall install{"C:\\WINDOWS", false};
    TestKey base{HKLM, kBase};
    LiveClasses classes;

    PassResult Scan(const std::string &key, int category, int location, const std::string &valueName = "") {
        const int before = OpenKeyCount();
        PassResult r = ScanOnePass(HKLM, kBase + "\\" + key, category, location, valueName);
        EXPECT_EQ(OpenKeyCount(), before) << "location " << location << " left a key open";
        return r;
    }
};

TEST_F(ShellLocations, ClassLookupTakesTheServerThenTheIconAndTheClassName) {
    TestClass serverKeyOnly("SOFTWARE", kLiveOnly);
    serverKeyOnly.Name("Empty server").ServerKeyOnly().Icon("never.dll");

    std::string name = "as passed";
    EXPECT_EQ(ClsidLookup(kAlpha, ScannedInstallation(), name), "C:\\Hooks\\alpha.dll");
    EXPECT_EQ(name, "Alpha");
    name = "as passed";
    EXPECT_EQ(ClsidLookup(kIconOnly, ScannedInstallation(), name), "iconext.dll,4"); // the icon text whole
    EXPECT_EQ(name, "");                                      // class key without a default value
    name = "as passed";
    // An "InprocServer32" key without a value: no server, and the icon is not consulted.
    EXPECT_EQ(ClsidLookup(kLiveOnly, ScannedInstallation(), name), "");
    EXPECT_EQ(name, "Empty server");
    name = "as passed";
    EXPECT_EQ(ClsidLookup(kGhost, ScannedInstallation(), name), "");
    EXPECT_EQ(name, "as passed"); // missing class key: the caller's text stays
    EXPECT_EQ(ClsidLookup("", ScannedInstallation(), name), "");
    EXPECT_EQ(name, "as passed");
    EXPECT_EQ(ClsidLookup(kEnv, ScannedInstallation()), "%SystemRoot%\\filt\\env.dll"); // nothing expanded here

    // A server path beyond any fixed buffer is read whole.
    const std::string longPath = "C:\\" + std::string(300, 'l') + "\\long.dll";
    TestClass longServer("SOFTWARE", "{5A11E700-0007-4000-8000-00000000A007}");
    longServer.Server(longPath);
    EXPECT_EQ(ClsidLookup("{5A11E700-0007-4000-8000-00000000A007}", ScannedInstallation()), longPath);
    EXPECT_EQ(OpenKeyCount(), 0);
}

TEST_F(ShellLocations, ProtocolSubKeysListEveryClassValueAndTheirDisabledSubKeys) {
    const std::string k = kBase + "\\Filter";
    SetRegString(HKLM, k + "\\text/alpha", "CLSID", kAlpha);
    SetRegString(HKLM, k + "\\text/bare", "CLSID", kBare);
    SetRegString(HKLM, k + "\\text/env", "CLSID", kEnv);
    SetRegString(HKLM, k + "\\text/ghost", "CLSID", kGhost);
    SetRegString(HKLM, k + "\\text/noclass", "Other", kAlpha);
    SetRegString(HKLM, k + "\\AutorunsDisabled\\text/off", "CLSID", kBare);
    // Found again below a disabled pass: every "AutorunsDisabled" subkey met is scanned.
    SetRegString(HKLM, k + "\\AutorunsDisabled\\AutorunsDisabled\\text/deeper", "CLSID", kAlpha);

    const PassResult r = Scan("Filter", kCatExplorer, 29, "CLSID");
    ASSERT_EQ(r.count(), 6) << ::testing::PrintToString(r.names());
    const StartupEntry *alpha = r.byName("text/alpha");
    ASSERT_NE(alpha, nullptr);
    EXPECT_EQ(alpha->ItemName, kAlpha);
    EXPECT_EQ(alpha->ImagePath, "C:\\Hooks\\alpha.dll");
    EXPECT_EQ(alpha->ItemType, kItemSubKey);
    EXPECT_FALSE(alpha->Disabled);
    EXPECT_EQ(alpha->PassIndex, 1);
    EXPECT_EQ(alpha->Description, "");
    EXPECT_EQ(r.byName("text/bare")->ImagePath, kSys + "bare.dll");
    EXPECT_EQ(r.byName("text/env")->ImagePath, "C:\\WINDOWS\\filt\\env.dll");
    EXPECT_EQ(r.byName("text/ghost")->ImagePath, ""); // unregistered: listed all the same
    EXPECT_EQ(r.byName("text/ghost")->ItemName, kGhost);
    ASSERT_NE(r.byName("text/off"), nullptr);
    EXPECT_TRUE(r.byName("text/off")->Disabled);
    EXPECT_EQ(r.byName("text/off")->PassIndex, 1);
    EXPECT_EQ(r.byName("text/off")->ImagePath, kSys + "bare.dll");
    ASSERT_NE(r.byName("text/deeper"), nullptr);
    EXPECT_TRUE(r.byName("text/deeper")->Disabled);
    EXPECT_EQ(r.passes[1].EntryIndexes, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));

    // A subkey spelt "autorunsdisabled" is an ordinary subkey.
    SetRegString(HKLM, kBase + "\\Handler\\autorunsdisabled", "CLSID", kAlpha);
    const PassResult h = Scan("Handler", kCatExplorer, 30, "CLSID");
    ASSERT_EQ(h.count(), 1);
    EXPECT_EQ(h.entries[1].EntryName, "autorunsdisabled");
    EXPECT_FALSE(h.entries[1].Disabled);
    EXPECT_EQ(h.entries[1].ImagePath, "C:\\Hooks\\alpha.dll");
}

TEST_F(ShellLocations, PerUserDelayLoadListsOnlySubKeysWithADefaultValue) {
    const std::string k = kBase + "\\Delay";
    SetRegString(HKLM, k, "Direct", kAlpha);
    SetRegString(HKLM, k + "\\Loader", "", kBare);
    SetRegString(HKLM, k + "\\Nameless", "Other", kBare);
    const PassResult r = Scan("Delay", kCatExplorer, 35);
    ASSERT_EQ(r.count(), 1);
    EXPECT_EQ(r.entries[1].EntryName, "Loader");
    EXPECT_EQ(r.entries[1].ItemName, kBare);
    EXPECT_EQ(r.entries[1].ImagePath, kSys + "bare.dll");
}

TEST_F(ShellLocations, ActiveSetupResolvesTheStubCommand) {
    const std::string k = kBase + "\\Components";
    auto component = [&](const std::string &id, const char *title, const char *stub) {
        CreateRegKey(HKLM, k + "\\" + id);
        if (title != nullptr)
            SetRegString(HKLM, k + "\\" + id, "", title);
        if (stub != nullptr)
            SetRegString(HKLM, k + "\\" + id, "StubPath", stub);
    };
    component("{C1}", "Regsvr", "regsvr32.exe /s /n /i:U shell32.dll");
    component("{C2}", "Rundll", "rundll32.exe setupapi,InstallHinfSection DefaultInstall 132 C:\\x.inf");
    component("{C3}", "Quoted", "\"C:\\Program Files\\App\\setup.exe\" /install");
    component("{C4}", "Env", "%SystemRoot%\\inf\\unregmp2.exe /FirstLogon");
    component("{C5}", "No stub", nullptr);
    component("{C6}", "Control stub", "\x01setup.exe");
    component("{C7}", nullptr, "setup.exe");
    component("{C8}", "", "setup.exe");
    component("{C9}", "\tTabbed", "setup.exe");

    const PassResult r = Scan("Components", kCatExplorer, 31, "StubPath");
    ASSERT_EQ(r.count(), 4) << ::testing::PrintToString(r.names());
    EXPECT_EQ(r.byName("Regsvr")->ImagePath, kSys + "regsvr32.exe");
    EXPECT_EQ(r.byName("Regsvr")->ItemName, "{C1}");
    EXPECT_EQ(r.byName("Regsvr")->ItemType, kItemSubKey);
    EXPECT_EQ(r.byName("Rundll")->ImagePath, kSys + "setupapi.dll");
    EXPECT_EQ(r.byName("Quoted")->ImagePath, "C:\\Program Files\\App\\setup.exe");
    EXPECT_EQ(r.byName("Env")->ImagePath, "C:\\WINDOWS\\inf\\unregmp2.exe");
}

TEST_F(ShellLocations, ClassInValueNameOrDataAndTheDisabledValuesAfterTheLiveOnes) {
    const std::string sts = kBase + "\\SharedTaskScheduler";
    SetRegString(HKLM, sts, kAlpha, "Scheduler");
    SetRegString(HKLM, sts, kIconOnly, "Icon scheduler");
    SetRegString(HKLM, sts, kGhost, "Ghost");
    SetRegString(HKLM, sts + "\\AutorunsDisabled", kBare, "Switched off");
    SetRegString(HKLM, sts + "\\AutorunsDisabled\\AutorunsDisabled", kEnv, "Second level");
    const PassResult r33 = Scan("SharedTaskScheduler", kCatExplorer, 33);
    ASSERT_EQ(r33.count(), 3) << ::testing::PrintToString(r33.names());
    EXPECT_EQ(r33.entries[3].EntryName, "Switched off"); // after the live values
    EXPECT_TRUE(r33.entries[3].Disabled);
    EXPECT_EQ(r33.entries[3].ImagePath, "bare.dll"); // no system folder at this location
    EXPECT_EQ(r33.byName("Scheduler")->ItemName, kAlpha);
    EXPECT_EQ(r33.byName("Scheduler")->ImagePath, "C:\\Hooks\\alpha.dll");
    EXPECT_EQ(r33.byName("Scheduler")->ItemType, kItemNamedValue);
    EXPECT_FALSE(r33.byName("Scheduler")->Disabled);
    EXPECT_EQ(r33.byName("Icon scheduler")->ImagePath, "iconext.dll,4"); // comma kept here

    const std::string ssodl = kBase + "\\DelayLoad";
    SetRegString(HKLM, ssodl, "Tray", kBare);
    SetRegString(HKLM, ssodl, "Env", kEnv);
    SetRegString(HKLM, ssodl, "Ghost", kGhost);
    const PassResult r34 = Scan("DelayLoad", kCatExplorer, 34);
    ASSERT_EQ(r34.count(), 2);
    EXPECT_EQ(r34.byName("Tray")->ItemName, kBare);
    EXPECT_EQ(r34.byName("Tray")->ImagePath, kSys + "bare.dll");
    EXPECT_EQ(r34.byName("Env")->ImagePath, "C:\\WINDOWS\\filt\\env.dll");

    const std::string approved = kBase + "\\Approved";
    SetRegString(HKLM, approved, kIconOnly, "Icon extension");
    SetRegString(HKLM, approved, kEnv, "Env extension");
    const PassResult r37 = Scan("Approved", kCatExplorer, 37);
    ASSERT_EQ(r37.count(), 2);
    EXPECT_EQ(r37.byName("Icon extension")->ImagePath, kSys + "iconext.dll"); // icon index cut off
    EXPECT_EQ(r37.byName("Env extension")->ImagePath, "C:\\WINDOWS\\filt\\env.dll");

    const std::string hooks = kBase + "\\UrlSearchHooks";
    SetRegString(HKLM, hooks, kGhost, "");
    SetRegString(HKLM, hooks, kAlpha, "");
    const PassResult r41 = Scan("UrlSearchHooks", kCatInternetExplorer, 41);
    ASSERT_EQ(r41.count(), 2);
    ASSERT_NE(r41.byItem(kGhost), nullptr); // listed although no server is registered
    EXPECT_EQ(r41.byItem(kGhost)->ImagePath, "");
    EXPECT_EQ(r41.byItem(kAlpha)->EntryName, "alpha.dll");
    EXPECT_EQ(r41.byItem(kAlpha)->ImagePath, "C:\\Hooks\\alpha.dll");
}

TEST_F(ShellLocations, ShellExecuteHooksResolveBareFullAndVariableServers) {
    const std::string k = kBase + "\\ShellExecuteHooks";
    SetRegString(HKLM, k, kBare, "");
    SetRegString(HKLM, k, kAlpha, "");
    SetRegString(HKLM, k, kEnv, "");
    SetRegString(HKLM, k, kGhost, "");
    const PassResult r = Scan("ShellExecuteHooks", kCatExplorer, 36);
    ASSERT_EQ(r.count(), 3);
    EXPECT_EQ(r.byItem(kBare)->EntryName, "bare.dll");
    EXPECT_EQ(r.byItem(kBare)->ImagePath, kSys + "bare.dll");
    EXPECT_EQ(r.byItem(kBare)->ItemType, kItemNamedValue);
    EXPECT_EQ(r.byItem(kAlpha)->EntryName, "C:\\Hooks\\alpha.dll");
    EXPECT_EQ(r.byItem(kAlpha)->ImagePath, "C:\\Hooks\\alpha.dll");
    EXPECT_EQ(r.byItem(kEnv)->EntryName, "%SystemRoot%\\filt\\env.dll"); // the server text as registered
    EXPECT_EQ(r.byItem(kEnv)->ImagePath, "C:\\WINDOWS\\filt\\env.dll");
}

TEST_F(ShellLocations, ClassSubKeysAndBrowserHelperObjects) {
    const std::string columns = kBase + "\\ColumnHandlers";
    CreateRegKey(HKLM, columns + "\\" + kEnv);
    CreateRegKey(HKLM, columns + "\\" + kGhost);
    const PassResult r39 = Scan("ColumnHandlers", kCatExplorer, 39);
    ASSERT_EQ(r39.count(), 1);
    EXPECT_EQ(r39.entries[1].EntryName, "env.dll");
    EXPECT_EQ(r39.entries[1].ItemName, kEnv);
    EXPECT_EQ(r39.entries[1].ImagePath, "C:\\WINDOWS\\filt\\env.dll");
    EXPECT_EQ(r39.entries[1].ItemType, kItemSubKey);

    const std::string bho = kBase + "\\Browser Helper Objects";
    CreateRegKey(HKLM, bho + "\\" + kAlpha);
    CreateRegKey(HKLM, bho + "\\" + kBare);
    CreateRegKey(HKLM, bho + "\\" + kGhost);
    CreateRegKey(HKLM, bho + "\\AutorunsDisabled\\" + kEnv);
    const PassResult r40 = Scan("Browser Helper Objects", kCatInternetExplorer, 40);
    ASSERT_EQ(r40.count(), 3) << ::testing::PrintToString(r40.names());
    EXPECT_EQ(r40.byItem(kAlpha)->Description, "Alpha");
    EXPECT_EQ(r40.byItem(kAlpha)->EntryName, "alpha.dll");
    EXPECT_EQ(r40.byItem(kBare)->Description, "Browser Helper Object");
    EXPECT_EQ(r40.byItem(kBare)->ImagePath, "bare.dll");
    ASSERT_NE(r40.byItem(kEnv), nullptr);
    EXPECT_TRUE(r40.byItem(kEnv)->Disabled);
    EXPECT_EQ(r40.byItem(kEnv)->ImagePath, "C:\\WINDOWS\\filt\\env.dll"); // variable expanded
    EXPECT_FALSE(r40.byItem(kAlpha)->Disabled);

    const std::string toolbar = kBase + "\\Toolbar";
    CreateRegKey(HKLM, toolbar + "\\" + kAlpha);
    CreateRegKey(HKLM, toolbar + "\\" + kGhost);
    const PassResult r42 = Scan("Toolbar", kCatInternetExplorer, 42);
    ASSERT_EQ(r42.count(), 1);
    EXPECT_EQ(r42.entries[1].ItemName, kAlpha);
}

TEST_F(ShellLocations, BrowserExtensionsAreNamedByMenuTextElseByTheirProgram) {
    const std::string k = kBase + "\\Extensions";
    SetRegString(HKLM, k + "\\{E1}", "Exec", "C:\\Tools\\tool.exe");
    SetRegString(HKLM, k + "\\{E1}", "MenuText", "My Tool");
    SetRegString(HKLM, k + "\\{E2}", "Exec", "%ProgramFiles%\\Tool\\two.exe");
    SetRegString(HKLM, k + "\\{E3}", "MenuText", "No program");
    SetRegString(HKLM, k + "\\AutorunsDisabled\\{E4}", "Exec", "C:\\Tools\\off.exe");
    const PassResult r = Scan("Extensions", kCatInternetExplorer, 46);
    ASSERT_EQ(r.count(), 3) << ::testing::PrintToString(r.names());
    EXPECT_EQ(r.byItem("{E1}")->EntryName, "My Tool");
    EXPECT_EQ(r.byItem("{E1}")->ImagePath, "C:\\Tools\\tool.exe");
    EXPECT_EQ(r.byItem("{E1}")->ItemType, kItemSubKey);
    EXPECT_EQ(r.byItem("{E2}")->EntryName, "two.exe");
    EXPECT_EQ(r.byItem("{E2}")->ImagePath, "C:\\Program Files\\Tool\\two.exe");
    EXPECT_TRUE(r.byItem("{E4}")->Disabled);
    EXPECT_EQ(r.byItem("{E4}")->EntryName, "off.exe");
}

TEST_F(ShellLocations, AnotherInternetExplorerLocationIsOnlyLogged) {
    CreateRegKey(HKLM, kBase + "\\Other");
    SetRegString(HKLM, kBase + "\\Other\\{E1}", "Exec", "C:\\Tools\\tool.exe");
    CapturedLog log;
    const PassResult r = Scan("Other", kCatInternetExplorer, 47, "Value");
    EXPECT_EQ(r.count(), 0);
    EXPECT_EQ(log.lines(), (std::vector<std::string>{"47 " + kBase + "\\Other: Value"}));

    // A location key that does not open: nothing, not even a log line.
    const PassResult missing = Scan("Missing", kCatExplorer, 33);
    EXPECT_EQ(missing.count(), 0);
    EXPECT_EQ(log.lines().size(), 1u);
}

// An offline installation on drive D: its classes only, its folders and drive.
TEST(OfflineShellLocations, ClassesAndPathsComeFromTheOfflineInstallation) {
    TestKey remote(HKLM, "_REMOTE_SOFTWARE");
    ScannedInstall install("D:\\WINDOWS", true);
    TestClass live("SOFTWARE", kLiveOnly);
    live.Server("C:\\Live\\live.dll");
    TestClass full("_REMOTE_SOFTWARE", kAlpha);
    full.Server("C:\\Program Files\\Hook\\hook.dll");
    TestClass bare("_REMOTE_SOFTWARE", kBare);
    bare.Server("bare.dll");
    TestClass env("_REMOTE_SOFTWARE", kEnv);
    env.Server("%SystemRoot%\\filt\\env.dll");

    const std::string hooks = "_REMOTE_SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks";
    for (const std::string &c : {kAlpha, kBare, kEnv, kLiveOnly})
        SetRegString(HKLM, hooks, c, "");
    const PassResult r36 = ScanOnePass(HKLM, hooks, kCatExplorer, 36);
    ASSERT_EQ(r36.count(), 3) << ::testing::PrintToString(r36.names());
    EXPECT_EQ(r36.byItem(kAlpha)->ImagePath, "D:\\Program Files\\Hook\\hook.dll");
    EXPECT_EQ(r36.byItem(kBare)->ImagePath, "D:\\WINDOWS\\system32\\bare.dll");
    EXPECT_EQ(r36.byItem(kEnv)->ImagePath, "D:\\WINDOWS\\filt\\env.dll");
    EXPECT_EQ(r36.byItem(kLiveOnly), nullptr); // the running system's classes are not consulted

    const std::string filters = "_REMOTE_SOFTWARE\\Classes\\Protocols\\Filter";
    SetRegString(HKLM, filters + "\\text/bare", "CLSID", kBare);
    SetRegString(HKLM, filters + "\\text/live", "CLSID", kLiveOnly);
    const PassResult r29 = ScanOnePass(HKLM, filters, kCatExplorer, 29, "CLSID");
    ASSERT_EQ(r29.count(), 2);
    EXPECT_EQ(r29.byName("text/bare")->ImagePath, "D:\\WINDOWS\\system32\\bare.dll");
    EXPECT_EQ(r29.byName("text/live")->ImagePath, "");

    const std::string ext = "_REMOTE_SOFTWARE\\Microsoft\\Internet Explorer\\Extensions";
    SetRegString(HKLM, ext + "\\{E1}", "Exec", "%ProgramFiles%\\Tool\\two.exe");
    const PassResult r46 = ScanOnePass(HKLM, ext, kCatInternetExplorer, 46);
    ASSERT_EQ(r46.count(), 1);
    EXPECT_EQ(r46.entries[1].ImagePath, "D:\\Program Files\\Tool\\two.exe");
    EXPECT_EQ(OpenKeyCount(), 0);
}

} // namespace
