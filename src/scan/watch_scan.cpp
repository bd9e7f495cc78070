#include "scan/watch_scan.h"

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/driver.h"
#include "scan/imagepath.h"
#include "scan/scan_memo.h"
#include "scan/scanner.h"
#include "scan/state.h"

namespace {

// A new array numbered like ScanLocations(), holding only the definitions.
std::vector<ScanLocation> CopyDefinitions() {
    const auto &source = ScanLocations();
    std::vector<ScanLocation> copy(source.size());
    for (size_t n = 1; n < source.size(); ++n) {
        const ScanLocation &from = source[n];
        ScanLocation &to = copy[n];
        to.Category = from.Category;
        to.Path = from.Path;
        to.LocalPath = from.LocalPath;
        to.MainKey = from.MainKey;
        to.RemotePath = from.RemotePath;
        to.ValueName = from.ValueName;
        to.Scope = from.Scope;
    }
    return copy;
}

// Scans a fresh copy of the definitions, each location through scanOne, into
// target. False (target untouched) when another scan is running.
template <typename ScanOne> bool ScanCopy(std::vector<ScanLocation> &target, ScanOne scanOne) {
    ScanGuard guard;
    if (!guard.acquired())
        return false;
    ScanMemoScope memo;
    std::vector<ScanLocation> locations = CopyDefinitions();
    const InstallContext install = ScannedInstallation();
    for (int n = 1; n <= UpperBound(locations); ++n)
        scanOne(locations[static_cast<size_t>(n)], n, install);
    target = std::move(locations);
    return true;
}

} // namespace

bool WatchRescan() {
    return ScanCopy(WatchLocations(), [](ScanLocation &loc, int n, const InstallContext &install) {
        RelayUsers(loc.MainKey, loc.LocalPath + loc.Path, loc.Entries, loc.Category, n, loc.ValueName, loc.Scope,
                   loc.Passes, install);
    });
}

bool TakeSnapshot() {
    return ScanCopy(SnapshotLocations(), [](ScanLocation &loc, int n, const InstallContext &install) {
        const std::string keyPath = loc.RemotePath + loc.Path;
        if (loc.MainKey != nullptr)
            RelayUsers(loc.MainKey, keyPath, loc.Entries, loc.Category, n, loc.ValueName, loc.Scope + 1, loc.Passes,
                       install);
        else
            ScanStartupFolders(loc.MainKey, keyPath, loc.Entries, loc.Category, n, loc.ValueName, loc.Scope, loc.Passes,
                               install);
    });
}

std::string GetRemoteEnvironment() {
    const InstallContext install = ScannedInstallation();
    const std::string &windows = install.windowsDir;
    std::string text;
    const std::string keyPath = (install.offline ? kRemoteSystem : std::string("SYSTEM")) + "\\" + CurrentControlSet() +
                                "\\Control\\Session Manager\\Environment";
    {
        ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, keyPath));
        for (const NamedRegValue &v : EnumValues(key.get()))
            text += v.name + "=" + ExpandEnvVars(v.value.Text(), install) + "\r\n";
    }
    text += "ProfilesDir=" + ProfilesDir() + "\r\n";
    const auto slash = windows.rfind('\\');
    text += "SystemDrive=" + (slash == std::string::npos ? std::string() : windows.substr(0, slash)) + "\r\n";
    text += "SystemRoot=" + windows;
    return text;
}
