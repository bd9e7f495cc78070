#include "ui/scan_sequence.h"

#include <windows.h>

#include <exception>

#include "changes/change_ui.h"
#include "changes/snap_timer.h"
#include "changes/watch.h"
#include "registry/access.h"
#include "system/files.h"
#include "registry/hives.h"
#include "registry/names.h"
#include "scan/driver.h"
#include "scan/fileinfo.h"
#include "scan/installations.h"
#include "scan/locations.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"
#include "ui/dialogs/environment.h"
#include "ui/msgbox.h"
#include "ui/shell_helpers.h"

ScanChoice &Choice() {
    static ScanChoice choice;
    return choice;
}

namespace {

// The progress bar as the file-information walk moves it, and the pointer.
class HostProgress : public FileInfoProgress {
  public:
    explicit HostProgress(ScanHost &host) : host_(host) {}
    double Value() override { return host_.Progress(); }
    void SetValue(double value) override { host_.SetProgress(value); }
    int Pointer() override { return pointer_; }
    void SetPointer(int pointer) override { pointer_ = pointer; }

  private:
    ScanHost &host_;
    int pointer_ = kPointerArrowBusy;
};

void Step(ScanHost &host, double progress) {
    host.SetProgress(progress);
    DoEvents();
}

// Ends a sequence as it must end on every path: no progress window, the
// window shown (or hidden in watch mode), the default pointer.
class SequenceEnd {
  public:
    explicit SequenceEnd(ScanHost &host) : host_(host) {}
    ~SequenceEnd() {
        if (!armed_)
            return;
        host_.CloseProgress();
        if (!Watch().watchAtStart)
            host_.ShowMain(true);
        host_.Ui().SetBusy(false);
    }
    void Disarm() { armed_ = false; }

  private:
    ScanHost &host_;
    bool armed_ = true;
};

// Scans the locations, then (unless starting to watch) reads the file
// information, then fills the grids and closes the progress.
void ScanThenFill(ScanHost &host, bool watching, double scannedAt) {
    {
        ScanOwnerPass pass;
        SetScope(watching);
    }
    Step(host, scannedAt);
    // File information (not when starting to watch).
    if (!Watch().watchAtStart) {
        HostProgress progress(host);
        LoadFileInfo(progress);
    }
    // The grids.
    host.LoadGrids();
    host.SetProgress(100);
    host.CloseProgress();
}

// The full scan without taking the guard (its caller holds it). A start in
// watch mode sets startWatching: the caller switches watching on once the
// guard is given back, since the snapshot's own scans need it.
bool FullScan(ScanHost &host, bool &startWatching) {
    SequenceEnd end(host);
    try {
        // 1. Nothing of an earlier scan is left.
        ResetLocations(ScanLocations());
        CloseOpenKeys();
        OpenKeys().assign(1, KeyTrack{});
        // The hives are unloaded while still listed: under Wine only a listed
        // hive is unloaded (and written back to its file first).
        UnloadSnapshotHives();
        ProfilesDir().clear();
        // 2.-3. Pointer and progress window.
        host.Ui().SetBusy(true);
        host.ShowProgress(!Watch().watchAtStart);
        // 4. Drives and installations.
        GetDriveList();
        LoadEnvironment();
        Step(host, 1);
        // 6. The installation and its hives.
        if (!SetDrive(host)) {
            end.Disarm();
            host.Ui().SetBusy(false);
            return false;
        }
        LoadUserHives();
        // 7. The locations, scanned.
        InitVersionFields();
        LoadPaths();
        ScanThenFill(host, false, 20);
        // 12. Watch mode, or the window.
        if (Watch().watchAtStart) {
            startWatching = true;
        } else {
            host.ShowMain(true);
        }
        host.Ui().SetBusy(false);
        end.Disarm();
    } catch (const std::exception &e) {
        WriteLog(std::string("LoadScan ") + e.what());
    } catch (...) {
        WriteLog("LoadScan unexpected error");
    }
    return true;
}

} // namespace

std::string SystemPathText(const std::string &folder) { return "System Path: " + folder; }
std::string OperatingSystemText(const std::string &family) { return "Operating System: " + family; }

bool ScanBusy() { return Scan().scanInProgress; }

std::vector<InstalledOS> BuildOSList(const ScanLocation &installations) {
    std::vector<InstalledOS> list;
    const auto &entries = installations.Entries;
    if (entries.empty())
        return {InstalledOS{}};
    list.push_back({entries[0].ImagePath, 0, entries[0].ItemName});
    const std::string running = LowerText(entries[0].ImagePath);
    for (size_t n = 1; n < entries.size(); ++n) {
        const StartupEntry &e = entries[n];
        if (!e.ImagePath.empty() && LowerText(e.ImagePath) != running)
            list.push_back({e.ImagePath, static_cast<short>(n), e.ItemName});
    }
    return list;
}

DriveChoice ChooseInstallation(const std::vector<InstalledOS> &list, bool skipWatchToggle, short chosenOS) {
    DriveChoice c;
    if (list.size() <= 1)
        return c;
    if (!skipWatchToggle) {
        c.selectedOS = list[1].Index;
        c.position = 1;
        return c;
    }
    // The kept choice, when it is still offered; otherwise the running system.
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i].Index == chosenOS && chosenOS > 0) {
            c.selectedOS = chosenOS;
            c.position = static_cast<int>(i);
        }
    return c;
}

bool SetDrive(ScanHost &host) {
    ScanChoice &choice = Choice();
    const std::vector<ScanLocation> &locations = ScanLocations();
    choice.osList = locations.empty() ? std::vector<InstalledOS>{InstalledOS{}} : BuildOSList(locations[0]);
    const DriveChoice c = ChooseInstallation(choice.osList, Watch().skipWatchToggle, choice.chosenOS);
    SelectedOS() = c.selectedOS;
    choice.position = c.position;
    host.SetDriveMenu(choice.osList);

    if (SelectedOS() > 0) {
        const std::string folder = choice.osList[static_cast<size_t>(choice.position)].SystemFolder;
        const std::string software = folder + "\\system32\\config\\software";
        const std::string system = folder + "\\system32\\config\\system";
        if (!FileExists(software) || !FileExists(system)) {
            SelectedOS() = 0;
            choice.position = 0;
            WriteLog("Remote hives for " + folder + " not found.");
        } else if (!RemoteHivesLoaded()) {
            const bool softwareLoaded = LoadHive(software, HKEY_LOCAL_MACHINE, kRemoteSoftware);
            const bool systemLoaded = LoadHive(system, HKEY_LOCAL_MACHINE, kRemoteSystem);
            if (!softwareLoaded || !systemLoaded) {
                const int answer = host.Ui().Ask("Unable to load remote hives. Scan current system?",
                                            BoxStyle::kYesNoCritical, "ERROR LOADING REMOTE HIVES");
                if (answer == IDNO) {
                    host.CloseProgress();
                    if (host.CloseMain())
                        return false;
                }
                SelectedOS() = 0;
                choice.position = 0;
            }
            Step(host, 10);
        }
    }
    host.CheckDriveItem(choice.position);
    const InstalledOS &shown = choice.osList[static_cast<size_t>(choice.position)];
    host.SetStatus(2, SystemPathText(shown.SystemFolder));
    host.SetStatus(3, OperatingSystemText(shown.OSName));
    host.EnableWatching(SelectedOS() == 0);
    choice.chosenOS = SelectedOS();
    return true;
}

void LoadUserHives() {
    if (SelectedOS() == 0)
        return;
    const std::string profiles = GetProfilesDir();
    if (profiles.empty())
        return;
    std::vector<std::string> kept;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((profiles + "*").c_str(), &data));
    for (BOOL more = static_cast<bool>(find); more; more = FindNextFileA(find.get(), &data)) {
        const std::string name = data.cFileName;
        if (name == "." || name == ".." || LowerText(name) == "default user")
            continue;
        if (FileExists(profiles + name + "\\NTUSER.DAT"))
            kept.push_back(name);
    }
    for (const std::string &name : kept)
        LoadHive(profiles + name + "\\NTUSER.DAT", HKEY_USERS, kRemotePrefix + name);
}

void UnloadHives() {
    CloseOpenKeys();
    KillProcess("regedit.exe");
    auto &hives = LoadedHives();
    const bool any = hives.size() > 1;
    for (size_t i = 1; i < hives.size(); ++i)
        UnloadHive(hives[i].Root, hives[i].SubKey);
    if (any)
        DisablePrivileges();
    hives.assign(1, LoadedHive{});
    Watch().watching = false;
    CloseEnvironmentWindow();
}

namespace {

void RefreshUnderGuard(ScanHost &host, bool &startWatching);

// Step 12 of a start in watch mode, run after the scan's guard is given back.
void StartWatchingAfterScan(ScanHost &host) {
    host.StartWatching();
    Watch().skipWatchToggle = false;
}

} // namespace

bool LoadScan(ScanHost &host) {
    bool startWatching = false;
    bool scanned = false;
    {
        ScanGuard guard;
        if (!guard.acquired()) {
            WriteLog("LoadScan a scan is already running");
            return false;
        }
        scanned = FullScan(host, startWatching);
    }
    if (startWatching)
        StartWatchingAfterScan(host);
    return scanned;
}

bool RefreshScan(ScanHost &host) {
    bool startWatching = false;
    {
        ScanGuard guard;
        if (!guard.acquired()) {
            WriteLog("Refresh a scan is already running");
            return false;
        }
        RefreshUnderGuard(host, startWatching);
    }
    if (startWatching)
        StartWatchingAfterScan(host);
    return true;
}

namespace {

void RefreshUnderGuard(ScanHost &host, bool &startWatching) {
    bool ended = false;
    {
        SequenceEnd end(host);
        if (SnapTimer().enable)
            SnapTimer().enable(false);
        Watch().skipWatchToggle = true;
        host.ShowMain(false);
        host.ClearGrids();
        host.ClearFileInfo();
        if (Choice().chosenOS == SelectedOS()) {
            try {
                ResetLocations(ScanLocations());
                host.ShowProgress(true);
                Step(host, 10);
                LoadEnvironment();
                Step(host, 30);
                LoadPaths();
                Step(host, 40);
                ScanThenFill(host, Watch().watching, 50);
                host.ShowMain(true);
                end.Disarm();
            } catch (const std::exception &e) {
                WriteLog(std::string("Refresh ") + e.what());
            } catch (...) {
                WriteLog("Refresh unexpected error");
            }
        } else {
            end.Disarm();
            UnloadHives();
            ended = !FullScan(host, startWatching);
        }
    }
    if (ended)
        return;
    if (host.WatchingEnabled() && host.WatchChecked()) {
        if (SnapTimer().enable)
            SnapTimer().enable(true);
    } else if (!host.WatchingEnabled()) {
        host.SetWatchChecked(false);
    }
    Watch().skipWatchToggle = false;
}

} // namespace

bool ChooseDrive(ScanHost &host, int position) {
    ScanChoice &choice = Choice();
    if (ScanBusy() || position < 0 || static_cast<size_t>(position) >= choice.osList.size())
        return false;
    host.CheckDriveItem(position);
    choice.chosenOS = choice.osList[static_cast<size_t>(position)].Index;
    return true;
}
