// The scan sequence of the main window: the full scan (LoadScan), Refresh,
// the choice of the installation (SetDrive, the Drive menu's list), the
// offline installation's user hives, and unloading every hive again. The
// sequence holds the scan guard from its start to the filled grids, so that
// no Refresh, watch tick, Drive change or snapshot build runs inside it from
// an event it lets through. What it shows goes through ScanHost, which the
// main window implements (and tests replace).
#pragma once
#include <string>
#include <vector>

#include "scan/records.h"

class ChangeUi;

// One installation the Drive menu offers; element 0 is the running system.
struct InstalledOS {
    std::string SystemFolder; // its Windows folder, also the Drive item's caption
    short Index = 0;          // its entry in the installations list (SelectedOS, ChosenOS)
    std::string OSName;       // "2000 / XP", "Vista / Windows 7" or "Unknown"
};

// The choice of installation, kept between scans.
struct ScanChoice {
    short chosenOS = 0;              // wanted for the next scan (the Drive menu)
    std::vector<InstalledOS> osList; // what the Drive menu offers
    int position = 0;                // element of osList being scanned
};
ScanChoice &Choice();

// The installations the Drive menu offers: the running system, then every
// entry with a Windows folder other than the running system's (ignoring case).
std::vector<InstalledOS> BuildOSList(const ScanLocation &installations);

struct DriveChoice {
    short selectedOS = 0;
    int position = 0;
};
// Which installation to scan: at a normal start the first offline one; with
// skipWatchToggle the one kept in chosenOS, or the running system when it is
// no longer offered.
DriveChoice ChooseInstallation(const std::vector<InstalledOS> &list, bool skipWatchToggle, short chosenOS);

// What the sequence shows and asks; the main window's side.
class ScanHost {
  public:
    virtual ~ScanHost() = default;
    // The progress window: loaded (shown unless visible is false), its bar
    // (0..100) and unloading it.
    virtual void ShowProgress(bool visible) = 0;
    virtual void SetProgress(double value) = 0;
    virtual double Progress() = 0;
    virtual void CloseProgress() = 0;
    // The questions and the arrow-and-hourglass pointer, as the change code
    // gets them.
    virtual ChangeUi &Ui() = 0;
    // Drive menu: item 0 gets list[0]'s folder, items 1.. are made anew.
    virtual void SetDriveMenu(const std::vector<InstalledOS> &list) = 0;
    virtual void CheckDriveItem(int position) = 0;
    virtual void SetStatus(int panel, const std::string &text) = 0;
    // "   Watching" (and the tray's watch item) enabled; "Watch for changes".
    virtual void EnableWatching(bool enabled) = 0;
    virtual bool WatchingEnabled() = 0;
    virtual bool WatchChecked() = 0;
    virtual void SetWatchChecked(bool checked) = 0;
    virtual void ClearGrids() = 0;
    virtual void ClearFileInfo() = 0;
    virtual void LoadGrids() = 0;
    virtual void ShowMain(bool visible) = 0;
    // Runs the main window's close sequence; true when the program is ending.
    virtual bool CloseMain() = 0;
    // Switches watching on at the end of a start in watch mode.
    virtual void StartWatching() = 0;
};

// The full scan. Returns false when it did not run (another scan holds the
// guard) or the program is ending.
bool LoadScan(ScanHost &host);
// Refresh: the same installation again (locations and entries only), or the
// full scan of the one chosen in the Drive menu. False when refused.
bool RefreshScan(ScanHost &host);
// A Drive menu item was chosen: records it for the next Refresh. False (and
// nothing changes) while a scan runs.
bool ChooseDrive(ScanHost &host, int position);
// Builds the Drive menu's list, chooses the installation and mounts its
// SOFTWARE and SYSTEM hives. False when the user chose to end the program.
bool SetDrive(ScanHost &host);
// Mounts the user hives of the offline installation being scanned.
void LoadUserHives();
// Closes every open key, ends the registry editor, unloads every hive the
// program loaded and drops the privileges; watching is off afterwards and the
// Environment window is closed.
void UnloadHives();

// True while a scan sequence (or a scan of the engine) runs.
bool ScanBusy();

// The status texts.
std::string SystemPathText(const std::string &folder);
std::string OperatingSystemText(const std::string &family);
