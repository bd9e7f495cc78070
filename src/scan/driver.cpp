#include "scan/driver.h"

#include <cstdlib>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/controlset.h"
#include "scan/locations.h"
#include "registry/values.h"
#include "scan/imagepath.h"
#include "scan/scan_memo.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "system/text.h"
#include "system/file_lookup.h"
#include "system/files.h"
#include "system/handles.h"
#include "system/log.h"

namespace {

std::string WithBackslash(std::string s) {
    if (s.empty() || s.back() != '\\')
        s += '\\';
    return s;
}

struct PassMaker {
    HKEY MainKey;
    std::vector<StartupEntry> &Entries;
    int Category;
    int LocIndex;
    const std::string &ValueName;
    int Scope;
    std::vector<ScanPass> &Passes;
    const InstallContext &Install;

    // Appends a pass headed keyText and scans path in it.
    void Add(const std::string &keyText, const std::string &path) {
        ScanPass pass;
        pass.KeyText = keyText;
        Passes.push_back(std::move(pass));
        LoadData(MainKey, path, Entries, Category, LocIndex, ValueName, Scope, Passes, false, Install);
    }
    void Add(const std::string &path) { Add(RootName(MainKey) + path, path); }
};

// Per-user passes of the running system: one per ProfileList SID, with the
// local system account first when the list does not begin with it.
void UserPassesByProfileList(PassMaker &make, const std::string &keyPath) {
    const std::vector<std::string> sids = ScanListSubKeys(HKEY_LOCAL_MACHINE, kProfileList).names;
    for (size_t i = 0; i < sids.size(); ++i) {
        if (i == 0 && sids[0] != "S-1-5-18")
            make.Add("S-1-5-18\\" + keyPath);
        make.Add(sids[i] + "\\" + keyPath);
    }
}

// Per-user passes of an offline installation: one per loaded "_REMOTE_" hive.
void UserPassesByRemoteHives(PassMaker &make, const std::string &keyPath) {
    const std::string rest = RemoveAll(keyPath, kRemotePrefix + "*\\");
    for (const std::string &name : ScanListSubKeys(HKEY_USERS, "").names) {
        if (HasRemotePrefix(name))
            make.Add(name + "\\" + rest);
    }
}

// An offline installation's profile folders, and the user hives in them, are
// read only from a local drive: a profile named on a share would log the
// program on to that machine with the administrator's credentials.
bool OnLocalDrive(const std::string &folder) {
    if (IsLocalDrivePath(folder))
        return true;
    WriteLog("The profile folder " + folder + " is not on a local drive; not read");
    return false;
}

// Folder passes below every profile of the installation's ProfileList.
void ProfileFolderPasses(PassMaker &make, const std::string &keyPath, bool offline) {
    const std::string listPath = offline ? kRemoteProfileList : kProfileList;
    for (const std::string &name : ScanListSubKeys(HKEY_LOCAL_MACHINE, listPath).names) {
        ScopedKey profile(OpenKey(HKEY_LOCAL_MACHINE, listPath + "\\" + name));
        if (!profile)
            continue;
        const RegValue image = ReadValue(profile.get(), "ProfileImagePath");
        if (!image.present)
            continue;
        // The profile folder is named as the installation sees it: move it
        // onto the drive through which this program sees the installation.
        const std::string folder = RemapDrive(ExpandEnvVars(image.Text(), make.Install), make.Install);
        if (offline && !OnLocalDrive(folder))
            continue;
        make.Add(folder + keyPath, folder + keyPath);
    }
}

} // namespace

namespace {
// An image is a file: a folder of that name (". . ." resolves to the system
// folder) is no image file.
bool ImageFileExists(const std::string &path) { return FileMatchExists(TrimBlanks(path)); }
} // namespace

void TestImageFiles(std::vector<StartupEntry> &entries) {
    for (size_t j = 1; j < entries.size(); ++j) {
        StartupEntry &e = entries[j];
        if (ImageFileExists(e.ImagePath)) {
            e.HasFile = true;
            continue;
        }
        // The same path without "\system32", compared in any case.
        const std::string candidate = ReplaceAllNoCase(e.ImagePath, "\\system32", "");
        if (candidate != e.ImagePath && ImageFileExists(candidate)) {
            e.ImagePath = candidate;
            e.HasFile = true;
        }
    }
}

void RelayUsers(HKEY MainKey, const std::string &KeyPath, std::vector<StartupEntry> &Entries, int Category,
                int LocIndex, const std::string &ValueName, int Scope, std::vector<ScanPass> &Passes,
                const InstallContext &install) {
    if (LocIndex > 0)
        Entries.assign(1, StartupEntry{});
    PassMaker make{MainKey, Entries, Category, LocIndex, ValueName, Scope, Passes, install};
    if (MainKey == HKEY_LOCAL_MACHINE) {
        make.Add(KeyPath);
    } else if (MainKey == HKEY_USERS) {
        if (Scope == kScopeUsers)
            UserPassesByProfileList(make, KeyPath);
        else if (Scope == kScopeUsersOffline)
            UserPassesByRemoteHives(make, KeyPath);
    } else if (MainKey == nullptr) {
        switch (Scope) {
        case kScopeEveryProfile:
        case kScopeEveryProfileOffline:
            ProfileFolderPasses(make, KeyPath, Scope == kScopeEveryProfileOffline);
            break;
        case kScopeProfilesFolder:
        case kScopeProfilesFolderOffline: {
            const std::string folder = GetProfilesDir(install) + KeyPath;
            make.Add(folder, folder);
            break;
        }
        case kScopeWindowsFolder:
        case kScopeWindowsFolderOffline:
            // The task scan puts the Windows folder in front itself.
            make.Add(install.windowsDir + KeyPath, KeyPath);
            break;
        default:
            break;
        }
    }
}

void ScanAllLocations(std::vector<ScanLocation> &locations, bool offline, const InstallContext &install) {
    for (int n = 1; n <= UpperBound(locations); ++n) {
        ScanLocation &loc = locations[static_cast<size_t>(n)];
        loc.Passes.assign(1, ScanPass{});
        const std::string keyPath = (offline ? loc.RemotePath : loc.LocalPath) + loc.Path;
        RelayUsers(loc.MainKey, keyPath, loc.Entries, loc.Category, n, loc.ValueName, loc.Scope, loc.Passes, install);
        const RemoteLookupsRefused remote(NamesFromUsers(loc.MainKey, loc.Scope));
        TestImageFiles(loc.Entries);
    }
}

bool SetScope(bool ForceLocal) {
    ScanGuard guard;
    if (!guard.acquired()) {
        WriteLog("SetScope a scan is already running");
        return false;
    }
    ScanMemoScope memo;
    auto &locations = ScanLocations();
    const InstallContext install = ScannedInstallation();
    if (!ForceLocal) {
        ScopedKey system(OpenKey(HKEY_LOCAL_MACHINE, kRemoteSystem));
        ScopedKey software(OpenKey(HKEY_LOCAL_MACHINE, kRemoteSoftware));
        if (system && software) {
            SetControlSet(kHiveRemoteSystem);
            // Every scope moves to its offline twin, one higher.
            for (int n = 1; n <= UpperBound(locations); ++n)
                locations[static_cast<size_t>(n)].Scope += 1;
            ScanAllLocations(locations, true, install);
            return true;
        }
    }
    ScopedKey system(OpenKey(HKEY_LOCAL_MACHINE, "SYSTEM"));
    ScopedKey software(OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE"));
    if (!system || !software) {
        WriteLog("SetScope the running system's SYSTEM or SOFTWARE key does not open");
        return true;
    }
    SetControlSet(kHiveSystem);
    ScanAllLocations(locations, false, install);
    return true;
}

std::string GetProfilesDir() { return GetProfilesDir(ScannedInstallation()); }

std::string GetProfilesDir(const InstallContext &install) {
    if (!ProfilesDir().empty())
        return ProfilesDir();
    const std::string listPath = install.offline ? kRemoteProfileList : kProfileList;

    // The list's own "ProfilesDirectory".
    {
        ScopedKey list(OpenKey(HKEY_LOCAL_MACHINE, listPath));
        if (list) {
            const RegValue dir = ReadValue(list.get(), "ProfilesDirectory");
            std::string s = dir.present ? ExpandEnvVars(dir.Text(), install) : "";
            if (!s.empty()) {
                s = RemapDrive(WithBackslash(s), install);
                if ((!install.offline || OnLocalDrive(s)) && FolderExists(s))
                    return ProfilesDir() = s;
            }
        }
    }
    // The folder that holds a profile of the list (the first two are skipped).
    {
        ScopedKey list(OpenKey(HKEY_LOCAL_MACHINE, listPath));
        if (list) {
            const auto names = EnumSubKeys(list.get());
            for (size_t i = 2; i < names.size(); ++i) {
                std::string s;
                {
                    ScopedKey profile(OpenKey(HKEY_LOCAL_MACHINE, listPath + "\\" + names[i]));
                    if (!profile)
                        continue;
                    const RegValue image = ReadValue(profile.get(), "ProfileImagePath");
                    if (!image.present)
                        continue;
                    s = ExpandEnvVars(image.Text(), install);
                }
                const auto cut = s.size() > 3 ? s.find('\\', 3) : std::string::npos;
                if (cut != std::string::npos)
                    s.resize(cut);
                if (s.empty())
                    continue;
                s = RemapDrive(WithBackslash(s), install);
                if ((!install.offline || OnLocalDrive(s)) && FolderExists(s))
                    return ProfilesDir() = s;
            }
        }
    }
    // The running program's "ProfilesDir" variable.
    const char *env = std::getenv("ProfilesDir");
    const std::string value = env != nullptr ? ExpandEnvVars(env, install) : "";
    if (!value.empty()) {
        const std::string s = WithBackslash(value);
        if (FolderExists(s))
            return ProfilesDir() = s;
    }
    WriteLog("Cannot find profile directory!");
    return "";
}
