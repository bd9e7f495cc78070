// The main window and the notification area: loading and unloading the
// notification-area form, what its menu does to this window, "   Minimize To
// Tray", and the questions asked when the window closes.
#include <windows.h>

#include "changes/snap_timer.h"
#include "changes/watch.h"
#include "resources/ids.h"
#include "system/log.h"
#include "system/platform.h"
#include "ui/closing.h"
#include "ui/main_window.h"
#include "ui/msgbox.h"
#include "ui/tray_form.h"
#include "ui/tray_icon.h"

void MainWindow::SetWatchRunning(bool on) {
    const SnapTimerHook &timer = SnapTimer();
    if (timer.enable)
        timer.enable(on);
    else
        Watch().running = false; // watching was never switched on
}

void MainWindow::ToggleWatch() { RunCommand(IDM_WATCH); }

void MainWindow::Refresh() { RunCommand(IDM_REFRESH); }

void MainWindow::ExitProgram() { QueryClose(CloseReason::Program); }

void MainWindow::LoadTray() {
    if (!tray_)
        tray_ = std::make_unique<TrayForm>(*this);
    if (!tray_->loaded() && !tray_->Load())
        WriteLog("Grids the notification-area form could not be loaded");
}

void MainWindow::UnloadTray() {
    if (tray_)
        tray_->Unload();
}

void MainWindow::OnMinimize(int) {
    ShowWindow(hwnd(), SW_HIDE);
    AnimateToTray(hwnd());
}

namespace {

// A quit answered in the events that a scan or a snapshot build lets run
// (DoEvents) is carried out once that task is over: torn down beneath it, the
// task would go on loading and filling hives that nothing unloads before the
// process ends. The window waits here meanwhile.
MainWindow *&EndingWindow() {
    static MainWindow *window = nullptr;
    return window;
}

void CALLBACK EndOnceTaskIsOver(HWND, UINT, UINT_PTR timer, DWORD) {
    if (InsideDoEvents() || EndingWindow() == nullptr)
        return;
    KillTimer(nullptr, timer);
    MainWindow *window = EndingWindow();
    EndingWindow() = nullptr;
    window->QueryClose(CloseReason::Other);
}

} // namespace

bool MainWindow::QueryClose(CloseReason reason) {
    if (EndingWindow() == this)
        return true; // the end is on its way
    const CloseOutcome outcome = DecideClose(
        alreadyRunning_, reason, Watch().running,
        [](const std::string &prompt, int style, const std::string &title) { return MsgBoxEx(prompt, style, title); });
    switch (outcome) {
    case CloseOutcome::Keep:
        return false;
    case CloseOutcome::Hide:
        OnMinimize(IDM_MINIMIZE);
        return false;
    case CloseOutcome::Exit:
        break;
    }
    if (InsideDoEvents() && SetTimer(nullptr, 0, 100, EndOnceTaskIsOver) != 0) {
        EndingWindow() = this;
        return true;
    }
    CloseProgram();
    return true;
}

// The About dialog answers the Help menu's command; it is owned by the main
// window there.
void MainWindow::ShowAbout(HWND) { RunCommand(IDM_ABOUT); }
