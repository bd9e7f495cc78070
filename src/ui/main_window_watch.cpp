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
// The host the watch timer's hook (changes/snap_timer.h) leads to; null when
// none: it goes with its window.
MainWindow::WatchSide *hookedSide = nullptr;
} // namespace

// The watch code's host: made on the window's first watch command and going
// with the window, so that the watch timer's hook never outlives it.
class MainWindow::WatchSide : public WatchHost {
  public:
    explicit WatchSide(MainWindow &window) : window_(window) {
        HookSnapTimer(*this);
        hookedSide = this;
    }
    ~WatchSide() override {
        if (hookedSide != this)
            return;
        SnapTimer() = SnapTimerHook{};
        hookedSide = nullptr;
    }
    WatchSide(const WatchSide &) = delete;
    WatchSide &operator=(const WatchSide &) = delete;

    ChangeUi &Ui() override { return window_.Ui(); }
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

void MainWindow::WatchSideDelete::operator()(WatchSide *side) const { delete side; }

MainWindow::WatchSide &MainWindow::watchSide() {
    if (!watchSide_)
        watchSide_.reset(new WatchSide(*this));
    return *watchSide_;
}

// The check mark of "Watch for changes" is the wanted state; the start-up
// sets it before the watch code has seen it.
MainWindow::WatchSide &MainWindow::preparedWatchSide() {
    Watch().wanted = MenuChecked(IDM_WATCH);
    return watchSide();
}

void MainWindow::OnWatch(int) { WatchToggle(preparedWatchSide()); }

void MainWindow::OnStartWithWindows(int) { StartWithWindowsClick(preparedWatchSide()); }

void MainWindow::OnReSnap(int) { RebuildSnapshot(preparedWatchSide()); }

void MainWindow::OnSnapTimer() { WatchTick(preparedWatchSide()); }

void MainWindow::EndWatching() {
    watchSide().SetSnapTimer(false);
    Watch().running = false;
}
