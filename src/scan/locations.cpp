#include "scan/locations.h"

#include <windows.h>

#include <array>

#include "registry/controlset.h"
#include "registry/names.h"
#include "scan/state.h"
#include "system/text.h"

namespace {

enum Root { kNone, kHklm, kHku };

struct LocationRow {
    int category;
    Root root;
    int localCode;
    int remoteCode;
    int scope;
    const char *path;
    const char *valueName;
};

// Rows 1 to 68, in this order; the numbers are fixed (file names, the
// control-set rewrite and the entry actions depend on them).
constexpr std::array<LocationRow, kLocationCount> kRows{{
    {1, kHklm, 2, 5, 1, "ControlSet001\\Control\\Terminal Server\\Wds\\rdpwd", "StartupPrograms"},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "AppSetup"},
    {1, kHklm, 1, 4, 1, "Policies\\Microsoft\\Windows\\System\\Scripts\\Startup", ""},
    {1, kHku, 3, 6, 3, "Policies\\Microsoft\\Windows\\System\\Scripts\\Logon", ""},
    {1, kHklm, 1, 4, 1, "Policies\\Microsoft\\Windows\\System\\Scripts\\Logon", ""},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Userinit"},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows\\CurrentVersion\\Policies\\System", "Shell"},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Policies\\System", "Shell"},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Shell"},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Taskman", ""},
    {1, kHklm, 1, 4, 1,
     "Microsoft\\Windows "
     "NT\\CurrentVersion\\TerminalServer\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\Runonce",
     ""},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\TerminalServer\\Install\\Software", ""},
    {1, kHklm, 1, 4, 1,
     "Microsoft\\Windows "
     "NT\\CurrentVersion\\TerminalServer\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     ""},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Run", ""},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\RunOnceEx", ""},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
    {1, kNone, 0, 7, 5, "All Users\\Start Menu\\Programs\\Startup\\", ""},
    {1, kNone, 0, 7, 1, "\\Start Menu\\Programs\\Startup\\", ""},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows NT\\CurrentVersion\\Windows\\Load", ""},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows NT\\CurrentVersion\\Windows\\Run", ""},
    {1, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", ""},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer\\Run", ""},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows\\CurrentVersion\\Run", ""},
    {1, kHku, 3, 6, 3, "Microsoft\\Windows\\CurrentVersion\\RunOnce", ""},
    {1, kHku, 3, 6, 3,
     "Microsoft\\Windows "
     "NT\\CurrentVersion\\TerminalServer\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\Runonce",
     ""},
    {1, kHku, 3, 6, 3,
     "Microsoft\\Windows "
     "NT\\CurrentVersion\\TerminalServer\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\RunonceEx",
     ""},
    {1, kHku, 3, 6, 3,
     "Microsoft\\Windows "
     "NT\\CurrentVersion\\TerminalServer\\Install\\Software\\Microsoft\\Windows\\CurrentVersion\\Run",
     ""},
    {2, kHklm, 1, 4, 1, "Classes\\Protocols\\Filter", "CLSID"},
    {2, kHklm, 1, 4, 1, "Classes\\Protocols\\Handler", "CLSID"},
    {2, kHklm, 1, 4, 1, "Microsoft\\Active Setup\\Installed Components", "StubPath"},
    {2, kHku, 3, 6, 3, "Microsoft\\Active Setup\\Installed Components", "StubPath"},
    {2, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Explorer\\SharedTaskScheduler", ""},
    {2, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", ""},
    {2, kHku, 3, 6, 3, "Microsoft\\Windows\\CurrentVersion\\ShellServiceObjectDelayLoad", ""},
    {2, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Explorer\\ShellExecuteHooks", ""},
    {2, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", ""},
    {2, kHku, 3, 6, 3, "Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved", ""},
    {2, kHklm, 1, 4, 1, "Classes\\Folder\\Shellex\\ColumnHandlers", ""},
    {3, kHklm, 1, 4, 1, "Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects", ""},
    {3, kHku, 3, 6, 3, "Microsoft\\Internet Explorer\\UrlSearchHooks", ""},
    {3, kHklm, 1, 4, 1, "Microsoft\\Internet Explorer\\Toolbar", ""},
    {3, kHku, 3, 6, 3, "Microsoft\\Internet Explorer\\Explorer Bars", ""},
    {3, kHklm, 1, 4, 1, "Microsoft\\Internet Explorer\\Explorer Bars", ""},
    {3, kHku, 3, 6, 3, "Microsoft\\Internet Explorer\\Extensions", ""},
    {3, kHklm, 1, 4, 1, "Microsoft\\Internet Explorer\\Extensions", ""},
    {14, kNone, 0, 7, 7, "\\Tasks\\", ""},
    {4, kHklm, 2, 5, 1, "ControlSet001\\Services", ""},
    {9, kHklm, 2, 5, 1, "ControlSet001\\Services", ""},
    {10, kHklm, 2, 5, 1, "ControlSet001\\Control\\Session Manager", "BootExecute"},
    {11, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Image File Execution Options", "Debugger"},
    {11, kHklm, 1, 4, 1, "Microsoft\\Command Processor", "AutoRun"},
    {11, kHku, 3, 6, 3, "Microsoft\\Command Processor", "AutoRun"},
    {11, kHklm, 1, 4, 1, "Classes\\Exefile\\Shell\\Open\\Command", "(Default)"},
    {12, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Windows", "Appinit_Dlls"},
    {13, kHklm, 2, 5, 1, "ControlSet001\\Control\\Session Manager\\KnownDlls", ""},
    {5, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "System"},
    {5, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "UIHost"},
    {5, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify", "DLLName"},
    {5, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "GinaDLL"},
    {5, kHklm, 1, 4, 1, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Taskman"},
    {5, kHku, 0, 7, 3, "Control Panel\\Desktop", "SCRNSAVE.EXE"},
    {5, kHklm, 2, 5, 1, "ControlSet001\\Control\\BootVerificationProgram", "ImageName"},
    {6, kHklm, 2, 5, 1, "ControlSet001\\Services\\WinSock2\\Parameters\\Protocol_Catalog9\\Catalog_Entries", ""},
    {7, kHklm, 2, 5, 1, "ControlSet001\\Control\\Print\\Monitors", ""},
    {8, kHklm, 2, 5, 1, "ControlSet001\\Control\\Lsa", "Authentication Packages"},
    {8, kHklm, 2, 5, 1, "ControlSet001\\Control\\Lsa", "Notification Packages"},
    {8, kHklm, 2, 5, 1, "ControlSet001\\Control\\Lsa", "Security Packages"},
}};

HKEY RootOf(Root root) {
    switch (root) {
    case kHklm:
        return HKEY_LOCAL_MACHINE;
    case kHku:
        return HKEY_USERS;
    default:
        return nullptr;
    }
}

} // namespace

void LoadPaths() {
    auto &locations = ScanLocations();
    for (const LocationRow &row : kRows) {
        ScanLocation loc;
        loc.Path = row.path;
        loc.Category = row.category;
        loc.MainKey = RootOf(row.root);
        loc.LocalPath = HiveCodePrefix(row.localCode);
        loc.RemotePath = HiveCodePrefix(row.remoteCode);
        loc.ValueName = row.valueName;
        loc.Scope = row.scope;
        locations.push_back(std::move(loc));
    }
}

std::string HiveCodePrefix(int code) {
    switch (code) {
    case kHiveSoftware:
    case kHiveUserSoftware:
        return "SOFTWARE\\";
    case kHiveSystem:
        return "SYSTEM\\";
    case kHiveRemoteSoftware:
        return kRemoteSoftware + "\\";
    case kHiveRemoteSystem:
        return kRemoteSystem + "\\";
    case kHiveRemoteUserSoftware:
        return kRemotePrefix + "*\\SOFTWARE\\";
    default:
        return "";
    }
}

std::vector<int> SystemHiveLocations() {
    std::vector<int> numbers;
    for (size_t i = 0; i < kRows.size(); ++i)
        if (kRows[i].localCode == kHiveSystem)
            numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

void SetControlSet(int code) {
    CurrentControlSet() = GetCurrentControlSet(code);
    auto &locations = ScanLocations();
    for (int n : SystemHiveLocations()) {
        if (n > UpperBound(locations))
            continue;
        std::string &path = locations[static_cast<size_t>(n)].Path;
        // The control set's name is the first 13 characters, or the longer
        // name of the running set where that stands in for it.
        const size_t length = path.rfind(std::string(kCurrentSetName) + "\\", 0) == 0 ? 17 : 13;
        const std::string from = path.substr(0, length);
        if (from.empty())
            continue;
        path = ReplaceAll(path, from, CurrentControlSet());
    }
}

std::string CategoryName(int category) {
    static constexpr std::array<const char *, 15> kNames{
        "Environment",       "Logon",          "Explorer",      "Internet Explorer", "Services",     "WinLogon",
        "Winsock Providers", "Print Monitors", "LSA Providers", "Drivers",           "Boot Execute", "Image Hijacks",
        "AppInit",           "Known DLL's",    "Task Scheduler"};
    if (category < 0 || category >= static_cast<int>(kNames.size()))
        return "";
    return kNames[static_cast<size_t>(category)];
}
