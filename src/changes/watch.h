// The watch mode: the switch ("Watch for changes"), the way back to idle, the
// 5-second tick that re-scans the running system and compares it with the
// snapshot, the change prompt with its answers, and "Rebuild Snapshot".
//
// States (wanted = the menu's check mark, running = the timer):
//   idle            not wanted, not running, no snapshot
//   snapshot ready  not wanted, not running, snapshot loaded (after a rebuild
//                   or Cancel in the prompt)
//   running         wanted, running, snapshot loaded
//   paused          wanted, not running, snapshot loaded (during the prompt,
//                   a Refresh or a Restore)
#pragma once
#include <string>

#include "changes/snapshot.h"

struct WatchState {
    bool wanted = false;           // "Watch for changes" is checked
    bool running = false;          // the watch timer runs
    bool watching = false;         // a snapshot is built or loaded and read back
    bool skipWatchToggle = false;  // the switch acts on the check mark as it stands
    bool watchAtStart = false;     // started hidden in watch mode, window not shown yet
    bool trayChecked = false;      // "Protect Startups" of the notification-area menu
    bool promptOpen = false;       // the change prompt is being worked through
    bool startWithWindows = false; // the Run value is registered
    int commandsRunning = 0;       // commands on the shown records now running
};

WatchState &Watch();

// Held while a command works on the records the grids show, its questions,
// dialogs and messages included: the watch tick then does nothing (the timer
// runs on, and the next tick comes 5 s later), so that no re-scan or change
// prompt replaces the records under the command.
class CommandRunning {
  public:
    CommandRunning() { ++Watch().commandsRunning; }
    ~CommandRunning() { --Watch().commandsRunning; }
    CommandRunning(const CommandRunning &) = delete;
    CommandRunning &operator=(const CommandRunning &) = delete;
};

constexpr unsigned kSnapTimerMs = 5000;

// What the watch code needs from the main window besides the snapshot's needs.
class WatchHost : public SnapshotHost {
  public:
    // Mirrors of the state on the screen: the timer, the two check marks.
    virtual void SetSnapTimer(bool on) = 0;
    virtual void SetWatchChecked(bool on) = 0;
    virtual void SetTrayChecked(bool on) = 0;
    virtual void SetStartChecked(bool on) = 0;
    // Closes the keys still open and unloads every hive the program loaded
    // (the snapshot's included), then drops the privileges.
    virtual void UnloadHives() = 0;
    // Fills the grids again from ScanLocations().
    virtual void RefreshGrids() = 0;
};

// "Watch for changes" clicked (also the tray's "Protect Startups" and the end
// of a start in watch mode).
void WatchToggle(WatchHost &host);
// Timer off, check mark off, no snapshot, every loaded hive unloaded.
void StopWatch(WatchHost &host);
// One tick of the watch timer.
void WatchTick(WatchHost &host);
// "Rebuild Snapshot": stops watching, builds a new snapshot and reads it back;
// watching stays off. True when built.
bool RebuildSnapshot(WatchHost &host);
// Asks about every record of ChangeList() and applies the answers.
void ProcessChanges(WatchHost &host);

// Unloads the "_REMOTE_" hives and drops them from the loaded-hives list.
void UnloadSnapshotHives();

constexpr const char *kSnapshotError = "Unable to start registry watching due to error loading snapshot.";
