// The main window's watch commands: "Watch for changes", "Start with Windows",
// "Rebuild Snapshot" and the 5-second watch timer. The work is the change
// code's (changes/watch.h, changes/startup_run.h); this file makes the main
// window the host it talks to.
#include <windows.h>

#include "changes/snap_timer.h"
#include "changes/startup_run.h"
#include "changes/watch.h"
#include "resources/ids.h"
#include "ui/grid_panel.h"
#include "ui/main_window.h"
#include "ui/scan_sequence.h"
#include "ui/shell_helpers.h"

namespace {

// The watch code's host: made on the window's first watch command and going
// with the window, so that the watch timer's hook never outlives it.
class MainWatchHost : public WatchHost {
  public:
    explicit MainWatchHost(MainWindow &window) : window_(window) { HookSnapTimer(*(hooked = this)); }
    ~MainWatchHost() override {
        if (hooked == this)
            SnapTimer() = SnapTimerHook{}, hooked = nullptr;
    }
    static inline MainWatchHost *hooked = nullptr; // the host the timer's hook leads to

    ChangeUi &Ui() override { return window_.Ui(); }
    std::string GetGridsText() override { return window_.grids().Data().GetGridsText(); }
    void OpenFolder(const std::string &folder) override { StartSystemProgram("explorer.exe", "\"" + folder + "\""); }
    void ShowMainWindow(bool show) override { window_.ShowMain(show); }

    void SetSnapTimer(bool on) override {
        if (on)
            SetTimer(window_.hwnd(), IDT_SNAP, kSnapTimerMs, nullptr);
        else
            KillTimer(window_.hwnd(), IDT_SNAP);
    }
    void SetWatchChecked(bool on) override { window_.CheckMenu(IDM_WATCH, on); }
    // The notification-area menu reads Watch().trayChecked when it opens.
    void SetTrayChecked(bool) override {}
    void SetStartChecked(bool on) override { window_.CheckMenu(IDM_STARTWITHWINDOWS, on); }
    void UnloadHives() override { ::UnloadHives(); }
    void RefreshGrids() override {
        window_.UnhighlightRow();
        window_.ClearFileInfo();
        window_.ClearGrids();
        window_.LoadGrids();
    }

  private:
    MainWindow &window_;
};

} // namespace

WatchHost &MainWindow::watchHost() {
    if (!watchHost_)
        watchHost_ = std::make_unique<MainWatchHost>(*this);
    return *watchHost_;
}

// The check mark of "Watch for changes" is the wanted state; the start-up
// sets it before the watch code has seen it.
WatchHost &MainWindow::preparedWatchHost() {
    Watch().wanted = MenuChecked(IDM_WATCH);
    return watchHost();
}

void MainWindow::OnWatch(int) { WatchToggle(preparedWatchHost()); }

void MainWindow::OnStartWithWindows(int) { StartWithWindowsClick(preparedWatchHost()); }

void MainWindow::OnReSnap(int) { RebuildSnapshot(preparedWatchHost()); }

// While the tick runs the commands on the shown records do nothing (RunCommand).
void MainWindow::OnSnapTimer() {
    if (tickRunning_)
        return;
    tickRunning_ = true;
    WatchTick(preparedWatchHost());
    tickRunning_ = false;
}

void MainWindow::EndWatching() {
    watchHost().SetSnapTimer(false);
    Watch().running = false;
}
