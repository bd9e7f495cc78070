#include <gtest/gtest.h>

#include <tuple>

#include "scan/locations.h"
#include "scan/state.h"

namespace {

// An independent copy of the location table: category, root (L = machine,
// U = users, F = folder), local and offline prefix texts, scope, path, value.
struct Row {
    int category;
    char root;
    const char *local;
    const char *remote;
    int scope;
    const char *path;
    const char *value;
};

constexpr const char *SW = "SOFTWARE\\";
constexpr const char *SY = "SYSTEM\\";
constexpr const char *RSW = "_REMOTE_SOFTWARE\\";
constexpr const char *RSY = "_REMOTE_SYSTEM\\";
constexpr const char *RU = "_REMOTE_*\\SOFTWARE\\";
constexpr const char *TS = "Microsoft\\Windows NT\\CurrentVersion\\TerminalServer\\Install\\Software";
constexpr const char *WL = "Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

const std::string kTsCv = std::string(TS) + "\\Microsoft\\Windows\\CurrentVersion\\";

const Row kExpected[] = {
    {1, 'L', SY, RSY, 1, "ControlSet001\\Control\\Terminal Server\\Wds\\rdpwd", "StartupPrograms"},
    {1, 'L', SW, RSW, 1, WL, "AppSetup"},
    {1, 'L', SW, RSW, 1, "Policies\\Microsoft\\Windows\\System\\Scripts\\Startup", ""},
    {1, 'U', SW, RU, 3, "Policies\\Microsoft\\Windows\\System\\Scripts\\Logon", ""},
    {1, 'L', SW, RSW, 1, "Policies\\Microsoft\\Windows\\System\\Scripts\\Logon", ""},
    {1, 'L', SW, RSW, 1, WL, "Userinit"},
    {1, 'U', SW, RU, 3, "Microsoft\\Windows\\CurrentVersion\\Policies\\System", "Shell"},
    {1, 'U', SW, RU, 3, WL, "Shell"},
    {1, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Policies\\System", "Shell"},
    {1, 'L', SW, RSW, 1, WL, "Shell"},
    {1, 'L', SW, RSW, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Taskman", ""},
    {1, 'L', SW, RSW, 1, nullptr, ""}, // 12: TS ...\Runonce
    {1, 'L', SW, RSW, 1, TS, ""},
    {1, 'L', SW, RSW, 1, nullptr, ""}, // 14: TS ...\Run
    {1, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Run", ""},
    {1, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\RunOnceEx", ""},
    {1, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
    {1, 'F', "", "", 5, "All Users\\Start Menu\\Programs\\Startup\\", ""},
    {1, 'F', "", "", 1, "\\Start Menu\\Programs\\Startup\\", ""},
    {1, 'U', SW, RU, 3, "Microsoft\\Windows NT\\CurrentVersion\\Windows\\Load", ""},
    {1, 'U', SW, RU, 3, "Microsoft\\Windows NT\\CurrentVersion\\Windows\\Run", ""},
    {1, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", ""},
    {1, 'U', SW, RU, 3, "Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", ""},
    {1, 'U', SW, RU, 3, "Microsoft\\Windows\\CurrentVersion\\Run", ""},
    {1, 'U', SW, RU, 3, "Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
    {1, 'U', SW, RU, 3, nullptr, ""}, // 26: TS ...\Runonce
    {1, 'U', SW, RU, 3, nullptr, ""}, // 27: TS ...\RunonceEx
    {1, 'U', SW, RU, 3, nullptr, ""}, // 28: TS ...\Run
    {2, 'L', SW, RSW, 1, "Classes\\Protocols\\Filter", "CLSID"},
    {2, 'L', SW, RSW, 1, "Classes\\Protocols\\Handler", "CLSID"},
    {2, 'L', SW, RSW, 1, "Microsoft\\Active Setup\\Installed Components", "StubPath"},
    {2, 'U', SW, RU, 3, "Microsoft\\Active Setup\\Installed Components", "StubPath"},
    {2, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler", ""},
    {2, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", ""},
    {2, 'U', SW, RU, 3, "Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", ""},
    {2, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", ""},
    {2, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", ""},
    {2, 'U', SW, RU, 3, "Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", ""},
    {2, 'L', SW, RSW, 1, "Classes\\Folder\\Shellex\\ColumnHandlers", ""},
    {3, 'L', SW, RSW, 1, "Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", ""},
    {3, 'U', SW, RU, 3, "Microsoft\\Internet Explorer\\UrlSearchHooks", ""},
    {3, 'L', SW, RSW, 1, "Microsoft\\Internet Explorer\\Toolbar", ""},
    {3, 'U', SW, RU, 3, "Microsoft\\Internet Explorer\\Explorer Bars", ""},
    {3, 'L', SW, RSW, 1, "Microsoft\\Internet Explorer\\Explorer Bars", ""},
    {3, 'U', SW, RU, 3, "Microsoft\\Internet Explorer\\Extensions", ""},
    {3, 'L', SW, RSW, 1, "Microsoft\\Internet Explorer\\Extensions", ""},
    {14, 'F', "", "", 7, "\\Tasks\\", ""},
    {4, 'L', SY, RSY, 1, "ControlSet001\\Services", ""},
    {9, 'L', SY, RSY, 1, "ControlSet001\\Services", ""},
    {10, 'L', SY, RSY, 1, "ControlSet001\\Control\\Session Manager", "BootExecute"},
    {11, 'L', SW, RSW, 1, "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options", "Debugger"},
    {11, 'L', SW, RSW, 1, "Microsoft\\Command Processor", "AutoRun"},
    {11, 'U', SW, RU, 3, "Microsoft\\Command Processor", "AutoRun"},
    {11, 'L', SW, RSW, 1, "Classes\\Exefile\\Shell\\Open\\Command", "(Default)"},
    {12, 'L', SW, RSW, 1, "Microsoft\\Windows NT\\CurrentVersion\\Windows", "Appinit_Dlls"},
    {13, 'L', SY, RSY, 1, "ControlSet001\\Control\\Session Manager\\KnownDlls", ""},
    {5, 'L', SW, RSW, 1, WL, "System"},
    {5, 'L', SW, RSW, 1, WL, "UIHost"},
    {5, 'L', SW, RSW, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify", "DLLName"},
    {5, 'L', SW, RSW, 1, WL, "GinaDLL"},
    {5, 'L', SW, RSW, 1, WL, "Taskman"},
    {5, 'U', "", "", 3, "Control Panel\\Desktop", "SCRNSAVE.EXE"},
    {5, 'L', SY, RSY, 1, "ControlSet001\\Control\\BootVerificationProgram", "ImageName"},
    {6, 'L', SY, RSY, 1, "ControlSet001\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries", ""},
    {7, 'L', SY, RSY, 1, "ControlSet001\\Control\\Print\\Monitors", ""},
    {8, 'L', SY, RSY, 1, "ControlSet001\\Control\\Lsa", "Authentication Packages"},
    {8, 'L', SY, RSY, 1, "ControlSet001\\Control\\Lsa", "Notification Packages"},
    {8, 'L', SY, RSY, 1, "ControlSet001\\Control\\Lsa", "Security Packages"},
};

std::string ExpectedPath(int n) {
    switch (n) {
    case 12:
    case 26:
        return kTsCv + "Runonce";
    case 27:
        return kTsCv + "RunonceEx";
    case 14:
    case 28:
        return kTsCv + "Run";
    default:
        return kExpected[n - 1].path;
    }
}

TEST(LocationTable, HoldsTheSixtyEightRowsInOrder) {
    ResetLocations(ScanLocations());
    LoadPaths();
    const auto &locations = ScanLocations();
    ASSERT_EQ(UpperBound(locations), 68);
    EXPECT_EQ(locations[0].Category, 0);
    for (int n = 1; n <= 68; ++n) {
        SCOPED_TRACE(n);
        const Row &row = kExpected[n - 1];
        const ScanLocation &loc = locations[static_cast<size_t>(n)];
        EXPECT_EQ(loc.Category, row.category);
        const HKEY root = row.root == 'L' ? HKEY_LOCAL_MACHINE : row.root == 'U' ? HKEY_USERS : nullptr;
        EXPECT_EQ(loc.MainKey, root);
        EXPECT_EQ(loc.LocalPath, row.local);
        EXPECT_EQ(loc.RemotePath, row.remote);
        EXPECT_EQ(loc.Scope, row.scope);
        EXPECT_EQ(loc.Path, ExpectedPath(n));
        EXPECT_EQ(loc.ValueName, row.value);
        EXPECT_EQ(UpperBound(loc.Entries), 0);
        EXPECT_EQ(UpperBound(loc.Passes), 0);
    }
    // Without a reset the rows are appended again.
    LoadPaths();
    EXPECT_EQ(UpperBound(ScanLocations()), 136);
    EXPECT_EQ(ScanLocations()[69].ValueName, "StartupPrograms");
    ResetLocations(ScanLocations());
}

TEST(LocationTable, PrefixesAndCategoryNames) {
    EXPECT_EQ(HiveCodePrefix(1), "SOFTWARE\\");
    EXPECT_EQ(HiveCodePrefix(3), HiveCodePrefix(1));
    EXPECT_EQ(HiveCodePrefix(2), "SYSTEM\\");
    EXPECT_EQ(HiveCodePrefix(4), "_REMOTE_SOFTWARE\\");
    EXPECT_EQ(HiveCodePrefix(5), "_REMOTE_SYSTEM\\");
    EXPECT_EQ(HiveCodePrefix(6), "_REMOTE_*\\SOFTWARE\\");
    for (int code : {0, 7, 8, -1})
        EXPECT_EQ(HiveCodePrefix(code), "");
    const char *names[] = {"Environment", "Logon", "Explorer", "Internet Explorer", "Services",
                           "WinLogon", "Winsock Providers", "Print Monitors", "LSA Providers", "Drivers",
                           "Boot Execute", "Image Hijacks", "AppInit", "Known DLL's", "Task Scheduler"};
    for (int i = 0; i <= 14; ++i)
        EXPECT_EQ(CategoryName(i), names[i]);
    EXPECT_EQ(CategoryName(15), "");
    EXPECT_EQ(CategoryName(-1), "");
}

} // namespace
