// The main window's side of the scan sequence: the progress window, the
// Drive menu, the status panels, "   Watching", and the Refresh and Drive
// commands.
#include <windows.h>

#include "resources/ids.h"
#include "ui/box_change_ui.h"
#include "ui/closing.h"
#include "ui/dialogs/progress.h"
#include "ui/main_window.h"
#include "ui/menu_icons.h"
#include "ui/scan_sequence.h"

void MainWindow::OnRefresh(int) { RefreshScan(*this); }

ChangeUi &MainWindow::Ui() {
    if (!changeUi_) {
        changeUi_ = std::make_unique<BoxChangeUi>(hwnd());
        changeUi_->showProgress = [this](const std::string &label) {
            if (!progress_)
                progress_ = std::make_unique<ProgressWindow>();
            progress_->Open(label, true);
        };
        changeUi_->setProgress = [this](double percent) { SetProgress(percent); };
        changeUi_->hideProgress = [this] { CloseProgress(); };
    }
    return *changeUi_;
}

void MainWindow::OnDrive(int id) { ChooseDrive(*this, id - IDM_OS0); }

void MainWindow::ShowProgress(bool visible) {
    if (!progress_)
        progress_ = std::make_unique<ProgressWindow>();
    progress_->Open(ProgressWindow::kScanLabel, visible);
}

void MainWindow::SetProgress(double value) {
    if (progress_)
        progress_->SetValue(value);
}

double MainWindow::Progress() { return progress_ ? progress_->Value() : 0; }

void MainWindow::CloseProgress() {
    if (progress_)
        progress_->Close();
}

void MainWindow::SetDriveMenu(const std::vector<InstalledOS> &list) {
    HMENU drive = driveMenu();
    for (int id = IDM_OS0 + 1; id <= IDM_OS_LAST; ++id)
        DeleteMenu(drive, static_cast<UINT>(id), MF_BYCOMMAND);
    if (list.empty())
        return;
    ModifyMenuA(drive, IDM_OS0, MF_BYCOMMAND | MF_STRING, IDM_OS0, list[0].SystemFolder.c_str());
    for (size_t i = 1; i < list.size() && IDM_OS0 + static_cast<int>(i) <= IDM_OS_LAST; ++i)
        AppendMenuA(drive, MF_STRING, static_cast<UINT_PTR>(IDM_OS0 + static_cast<int>(i)),
                    list[i].SystemFolder.c_str());
    // Every Drive item shows the check pair, as the other check items do.
    TrackMenus(hwnd());
    for (int i = 0; i < GetMenuItemCount(drive); ++i)
        SetCheckPairIcon(hwnd(), IDM_OS0 + i);
    DrawMenuBar(hwnd());
}

void MainWindow::CheckDriveItem(int position) {
    HMENU drive = driveMenu();
    const int count = GetMenuItemCount(drive);
    for (int i = 0; i < count; ++i)
        CheckMenuItem(drive, static_cast<UINT>(IDM_OS0 + i),
                      MF_BYCOMMAND | (i == position ? MF_CHECKED : MF_UNCHECKED));
}

void MainWindow::SetStatus(int panel, const std::string &text) { SetStatusText(panel, text); }

// "Protect Startups" of the notification-area menu follows it; the form is
// loaded here at the latest.
void MainWindow::EnableWatching(bool enabled) {
    EnableWatchingMenu(enabled);
    LoadTray();
}

bool MainWindow::WatchingEnabled() { return WatchingMenuEnabled(); }

bool MainWindow::WatchChecked() { return MenuChecked(IDM_WATCH); }

void MainWindow::SetWatchChecked(bool checked) { CheckMenu(IDM_WATCH, checked); }

void MainWindow::ClearFileInfo() {
    for (HWND label : fileLabels_)
        SetWindowTextA(label, "");
    picFile_.Clear();
    picFile_.Refresh();
    UpdateFileTips();
}

void MainWindow::ShowMain(bool visible) {
    if (visible) {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        UpdateWindow(hwnd());
        SetForegroundWindow(hwnd());
        FocusShownGrid();
    } else {
        ShowWindow(hwnd(), SW_HIDE);
    }
}

// The close the program asks for itself: the quit question comes first.
bool MainWindow::CloseMain() { return QueryClose(CloseReason::Program); }

// Switching watching on at the end of a start in watch mode ("Watch for
// changes" with its mark already set).
void MainWindow::StartWatching() { OnWatch(IDM_WATCH); }
