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

class MainWatchHost : public WatchHost {
  public:
    explicit MainWatchHost(MainWindow &window) : window_(window) { HookSnapTimer(*this); }

    ChangeUi &Ui() override { return window_.changeUi(); }
    std::vector<RowRef> ShownRows() override { return window_.grids().Data().ShownRows(); }
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

MainWatchHost &HostOf(MainWindow &window) {
    static MainWatchHost host(window);
    return host;
}

// The check mark of "Watch for changes" is the wanted state; the start-up
// sets it before the watch code has seen it.
MainWatchHost &Prepared(MainWindow &window) {
    Watch().wanted = window.MenuChecked(IDM_WATCH);
    return HostOf(window);
}

} // namespace

void MainWindow::OnWatch(int) { WatchToggle(Prepared(*this)); }

void MainWindow::OnStartWithWindows(int) { StartWithWindowsClick(Prepared(*this)); }

void MainWindow::OnReSnap(int) { RebuildSnapshot(Prepared(*this)); }

void MainWindow::OnSnapTimer() { WatchTick(Prepared(*this)); }

void MainWindow::EndWatching() {
    HostOf(*this).SetSnapTimer(false);
    Watch().running = false;
}
