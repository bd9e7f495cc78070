// The command dispatch of the main window: one row per menu or control id
// (or range of ids) leading to a member function. Add a row for each new
// command.
#include <algorithm>
#include <iterator>
#include <optional>

#include "changes/watch.h"
#include "resources/ids.h"
#include "ui/closing.h"
#include "ui/dialogs/agreement.h"
#include "ui/main_window.h"
#include "ui/menu_bar.h"

const std::vector<MainWindow::CommandRow> &MainWindow::CommandTable() {
    static const std::vector<CommandRow> table = {
        // Watching
        {IDM_WATCH, IDM_WATCH, &MainWindow::OnWatch},
        {IDM_STARTWITHWINDOWS, IDM_STARTWITHWINDOWS, &MainWindow::OnStartWithWindows},
        {IDM_RESNAP, IDM_RESNAP, &MainWindow::OnReSnap},
        // The rest
        {IDM_EXIT, IDM_EXIT, &MainWindow::OnExit},
        {IDM_TAB0 + 1, IDM_TAB0 + kCategories, &MainWindow::OnCategory},
        {IDM_LICENSE, IDM_LICENSE, &MainWindow::OnShowLicense},
        {IDM_SAVE, IDM_SAVE, &MainWindow::OnSave},
        {IDM_EMPTY, IDM_EMPTY, &MainWindow::OnIncludeEmpty},
        {IDM_MICRO, IDM_MICRO, &MainWindow::OnHideMicrosoft},
        {IDM_REFRESH, IDM_REFRESH, &MainWindow::OnRefresh},
        {IDM_OS0, IDM_OS_LAST, &MainWindow::OnDrive},
        {IDM_DISABLE, IDM_DISABLE, &MainWindow::OnDisable},
        {IDM_DELETE, IDM_DELETE, &MainWindow::OnDelete},
        {IDM_SEARCH, IDM_SEARCH, &MainWindow::OnSearch},
        {IDM_FINDNEXT, IDM_FINDNEXT, &MainWindow::OnFindNext},
        {IDM_NEXTTAB, IDM_PREVTAB, &MainWindow::OnTabKey},
        {IDM_COPY, IDM_COPY, &MainWindow::OnCopy},
        {IDM_HELP, IDM_HELP, &MainWindow::OnShowHelp},
        {IDM_ENVIRONMENT, IDM_ENVIRONMENT, &MainWindow::OnEnvironment},
        {IDM_ABOUT, IDM_ABOUT, &MainWindow::OnAbout},
        {IDM_JUMP, IDM_JUMP, &MainWindow::OnJump},
        {IDM_EXPLORE, IDM_EXPLORE, &MainWindow::OnExplore},
        {IDM_PROPS, IDM_PROPS, &MainWindow::OnProperties},
        {IDM_GOOGLE, IDM_GOOGLE, &MainWindow::OnWebSearch},
        {IDC_TOOLBUTTON0 + 1, IDC_TOOLBUTTON0 + kToolbarButtons, &MainWindow::OnToolbarButton},
        {IDM_BACKUP, IDM_BACKUP, &MainWindow::OnBackup},
        {IDM_RESTORE, IDM_RESTORE, &MainWindow::OnRestore},
        {IDM_BACKUPALL, IDM_BACKUPALL, &MainWindow::OnBackupAll},
        {IDM_RESTOREALL, IDM_RESTOREALL, &MainWindow::OnRestoreAll},
        {IDM_MINIMIZE, IDM_MINIMIZE, &MainWindow::OnMinimize},
    };
    return table;
}

namespace {

// The commands that work on the records the grids show (the Entry menu's,
// Save and Backup All): while one runs, the watch tick leaves the records
// and the grids alone.
bool WorksOnRecords(int id) {
    return id == IDM_SAVE || id == IDM_BACKUPALL ||
           std::find(std::begin(kEntryCommands), std::end(kEntryCommands), id) != std::end(kEntryCommands);
}

} // namespace

bool MainWindow::RunCommand(int id) {
    for (const CommandRow &row : CommandTable())
        if (id >= row.first && id <= row.last) {
            std::optional<CommandRunning> running;
            if (WorksOnRecords(id))
                running.emplace();
            (this->*row.handler)(id);
            return true;
        }
    return false;
}

void MainWindow::OnExit(int) {
    CloseEnvironment();
    QueryClose(CloseReason::Program);
}

// A tab chosen in the Category menu: selecting a tab from code raises no
// notification, so the tab change runs here.
void MainWindow::OnCategory(int id) {
    SelectTab(id - IDM_TAB0);
    ShowChosenTab();
}

void MainWindow::OnShowLicense(int) {
    if (license_ && license_->hwnd() != nullptr) {
        SetForegroundWindow(license_->hwnd());
        return;
    }
    license_ = std::make_unique<AgreementDialog>();
    license_->ShowForReading(hwnd());
}
