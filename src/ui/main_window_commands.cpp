// The command table of the main window and its dispatch: one row per command
// (ui/commands.h), each leading to a member function. Add a row for each new
// command.
#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

#include "changes/watch.h"
#include "resources/ids.h"
#include "ui/closing.h"
#include "ui/commands.h"
#include "ui/dialogs/agreement.h"
#include "ui/grid_window.h"
#include "ui/main_window.h"
#include "ui/menu_bar.h"
#include "ui/navigation.h"

namespace {

using M = MainWindow;
using E = EnabledWhen;
using P = MenuPlace;
constexpr CommandKeys kNoKey{};
constexpr CommandKeys WindowKey(WORD key, BYTE modifiers = 0, WORD other = 0, BYTE otherModifiers = 0) {
    return {KeyScope::Window, {{key, modifiers}, {other, otherModifiers}}, false};
}
constexpr CommandKeys GridKey(WORD key, BYTE modifiers = 0) { return {KeyScope::Grid, {{key, modifiers}, {}}, false}; }
constexpr CommandKeys AnyShiftKey(WORD key) { return {KeyScope::Window, {{key, 0}, {}}, true}; }

constexpr CommandRow Tab(int tab, const char *caption) {
    return {IDM_TAB0 + tab, IDM_TAB0 + tab, kMenuCategory, P::Item, caption, 0, kNoKey, E::Always, false,
            &M::OnCategory};
}

// id, last id, menu, place, caption, toolbar button, keys, enabled, on the records, handler.
constexpr CommandRow kCommands[] = {
    {IDM_SEARCH, IDM_SEARCH, kMenuFile, P::Item, "   Find", kButtonFind, kNoKey, E::Always, false, &M::OnSearch},
    {IDM_SAVE, IDM_SAVE, kMenuFile, P::Item, "   Save", 0, kNoKey, E::Always, true, &M::OnSave},
    {IDM_REFRESH, IDM_REFRESH, kMenuFile, P::Item, "   Refresh", kButtonRefresh, WindowKey(VK_F5), E::Always, false,
     &M::OnRefresh},
    {IDM_EXIT, IDM_EXIT, kMenuFile, P::Item, "   Exit", kButtonExit, kNoKey, E::Always, false, &M::OnExit},

    {IDM_DISABLE, IDM_DISABLE, kMenuEntry, P::Item, "   Disable / Enable", kButtonDisable, GridKey(VK_SPACE),
     E::EntryRow, true, &M::OnDisable},
    {IDM_DELETE, IDM_DELETE, kMenuEntry, P::Item, "   Delete", kButtonDelete, GridKey(VK_DELETE), E::EntryRow, true,
     &M::OnDelete},
    {IDM_COPY, IDM_COPY, kMenuEntry, P::Item, "   Copy", 0, GridKey('C', FCONTROL), E::AnyRow, true, &M::OnCopy},
    {IDM_BACKUP, IDM_BACKUP, kMenuEntry, P::Item, "   Backup", 0, kNoKey, E::HeaderRow, true, &M::OnBackup},
    {IDM_RESTORE, IDM_RESTORE, kMenuEntry, P::Item, "   Restore", 0, kNoKey, E::HeaderRow, true, &M::OnRestore},
    // Enter does what a double click does.
    {IDM_JUMP, IDM_JUMP, kMenuEntry, P::Item, "   Jump to...", kButtonJump, GridKey(VK_RETURN), E::AnyRow, true,
     &M::OnJump},
    {IDM_GOOGLE, IDM_GOOGLE, kMenuEntry, P::AfterSeparator, "   Google...", 0, kNoKey, E::AnyRow, true,
     &M::OnWebSearch},
    {IDM_EXPLORE, IDM_EXPLORE, kMenuEntry, P::Item, "   Explore...", 0, kNoKey, E::EntryRow, true, &M::OnExplore},
    {IDM_PROPS, IDM_PROPS, kMenuEntry, P::Item, "   Properties...", 0, kNoKey, E::EntryRow, true, &M::OnProperties},

    Tab(1, "   Logon"),
    Tab(2, "   Explorer"),
    Tab(3, "   Internet Explorer"),
    Tab(4, "   Services"),
    Tab(5, "   Winlogon"),
    Tab(6, "   Winsock"),
    Tab(7, "   Print Monitors"),
    Tab(8, "   LSA Providers"),
    Tab(9, "   Drivers"),
    Tab(10, "   Boot Execute"),
    Tab(11, "   Image Hijacks"),
    Tab(12, "   Appinit"),
    Tab(13, "   Known Dlls"),
    Tab(14, "   Task Scheduler"),

    {IDM_BACKUPALL, IDM_BACKUPALL, kMenuOptions, P::Item, "   Backup All Registry Keys", 0, kNoKey, E::Always, true,
     &M::OnBackupAll},
    {IDM_EMPTY, IDM_EMPTY, kMenuOptions, P::Item, "   Include Empty Locations", 0, kNoKey, E::Always, false,
     &M::OnIncludeEmpty},
    {IDM_MICRO, IDM_MICRO, kMenuOptions, P::Item, "   Hide Microsoft Entries", 0, kNoKey, E::Always, false,
     &M::OnHideMicrosoft},
    {IDM_RESTOREALL, IDM_RESTOREALL, kMenuOptions, P::Item, "   Restore All Keys", 0, kNoKey, E::Always, false,
     &M::OnRestoreAll},
    {IDM_WATCH, IDM_WATCH, kMenuOptions, P::Watching, "Watch for changes", 0, kNoKey, E::Always, false, &M::OnWatch},
    {IDM_STARTWITHWINDOWS, IDM_STARTWITHWINDOWS, kMenuOptions, P::Watching, "Start with Windows", 0, kNoKey,
     E::Always, false, &M::OnStartWithWindows},
    {IDM_RESNAP, IDM_RESNAP, kMenuOptions, P::Watching, "Rebuild Snapshot", 0, kNoKey, E::Always, false,
     &M::OnReSnap},

    {IDM_OS0, IDM_OS0, kMenuDrive, P::Item, "   Current OS", 0, kNoKey, E::Always, false, &M::OnDrive},
    // The offline installations, added to the Drive menu at scan time.
    {IDM_OS0 + 1, IDM_OS_LAST, kMenuDrive, P::None, nullptr, 0, kNoKey, E::Always, false, &M::OnDrive},

    {IDM_MINIMIZE, IDM_MINIMIZE, kMenuWindow, P::Item, "   Minimize To Tray", 0, kNoKey, E::Always, false,
     &M::OnMinimize},
    {IDM_ENVIRONMENT, IDM_ENVIRONMENT, kMenuWindow, P::Item, "   Show Environment", 0, kNoKey, E::Always, false,
     &M::OnEnvironment},
    {IDM_LICENSE, IDM_LICENSE, kMenuWindow, P::Item, "   Show License", 0, kNoKey, E::Always, false,
     &M::OnShowLicense},

    {IDM_HELP, IDM_HELP, kMenuHelp, P::Item, "   Help", 0, WindowKey(VK_F1), E::Always, false, &M::OnShowHelp},
    {IDM_ABOUT, IDM_ABOUT, kMenuHelp, P::Item, "   About", 0, kNoKey, E::Always, false, &M::OnAbout},

    // Keys only. F3 repeats the search whatever the shift state; the tab
    // keys of a Windows list window change the tab.
    {IDM_FINDNEXT, IDM_FINDNEXT, -1, P::None, nullptr, 0, AnyShiftKey(VK_F3), E::Always, false, &M::OnFindNext},
    {IDM_NEXTTAB, IDM_NEXTTAB, -1, P::None, nullptr, 0, WindowKey(VK_TAB, FCONTROL, VK_NEXT, FCONTROL), E::Always,
     false, &M::OnTabKey},
    {IDM_PREVTAB, IDM_PREVTAB, -1, P::None, nullptr, 0, WindowKey(VK_TAB, FCONTROL | FSHIFT, VK_PRIOR, FCONTROL),
     E::Always, false, &M::OnTabKey},
};

// The grid's shift state as accelerator modifiers.
BYTE Modifiers(int shift) {
    return static_cast<BYTE>(((shift & kGridShift) ? FSHIFT : 0) | ((shift & kGridCtrl) ? FCONTROL : 0) |
                             ((shift & kGridAlt) ? FALT : 0));
}

} // namespace

bool EnabledFor(EnabledWhen when, Selected selected) {
    switch (when) {
    case EnabledWhen::Always:
        return true;
    case EnabledWhen::AnyRow:
        return selected != Selected::Nothing;
    case EnabledWhen::EntryRow:
        return selected == Selected::EntryRow;
    case EnabledWhen::HeaderRow:
        return selected == Selected::HeaderRow;
    }
    return false;
}

std::span<const CommandRow> Commands() { return kCommands; }

const CommandRow *FindCommand(int id) {
    for (const CommandRow &row : kCommands)
        if (row.Has(id))
            return &row;
    return nullptr;
}

int ToolbarCommand(int button) {
    if (button < 1 || button > kToolbarButtons)
        return 0;
    for (const CommandRow &row : kCommands)
        if (row.button == button)
            return row.id;
    return 0;
}

int GridKeyCommand(WORD key, int shift) {
    const BYTE modifiers = Modifiers(shift);
    for (const CommandRow &row : kCommands)
        if (row.keys.scope == KeyScope::Grid)
            for (const CommandKey &k : row.keys.keys)
                if (k.key != 0 && k.key == key && (row.keys.anyShift || k.modifiers == modifiers))
                    return row.id;
    return 0;
}

HACCEL BuildAccelerators() {
    std::vector<ACCEL> table;
    for (const CommandRow &row : kCommands) {
        if (row.keys.scope != KeyScope::Window)
            continue;
        for (const CommandKey &k : row.keys.keys) {
            if (k.key == 0)
                continue;
            const auto command = static_cast<WORD>(row.id);
            if (!row.keys.anyShift) {
                table.push_back({static_cast<BYTE>(FVIRTKEY | k.modifiers), k.key, command});
                continue;
            }
            for (BYTE state = 0; state < 8; ++state)
                table.push_back({static_cast<BYTE>(FVIRTKEY | ((state & 1) ? FSHIFT : 0) |
                                                   ((state & 2) ? FCONTROL : 0) | ((state & 4) ? FALT : 0)),
                                 k.key, command});
        }
    }
    return CreateAcceleratorTableA(table.data(), static_cast<int>(table.size()));
}

// Toolbar buttons run the command of their row. A command that is switched
// off does nothing, whoever sends it. The commands on the shown records and
// the watch tick hold each other off: while one such command runs (its
// questions and dialogs included) a tick does nothing, and while a tick runs
// (it lets window events run while it reads files) such a command does
// nothing, so that neither acts on records the other is replacing.
bool MainWindow::RunCommand(int id) {
    if (id > IDC_TOOLBUTTON0 && id <= IDC_TOOLBUTTON0 + kToolbarButtons) {
        if (const int command = ToolbarCommand(id - IDC_TOOLBUTTON0))
            RunCommand(command);
        return true;
    }
    const CommandRow *row = FindCommand(id);
    if (row == nullptr)
        return false;
    if (row->enabled != EnabledWhen::Always && !MenuEnabled(row->id))
        return true;
    std::optional<CommandRunning> running;
    if (row->onRecords) {
        if (tickRunning_)
            return true;
        running.emplace();
    }
    (this->*row->handler)(id);
    return true;
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
