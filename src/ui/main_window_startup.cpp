// The main window's start-up sequence and its closing: the single-instance
// check, the log, the caption, the watch switch, the menu bitmaps, tooltips,
// toolbar and grids, the first scan, tab 1, and giving everything back when
// the window closes.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "registry/disabled_store.h"
#include "resources/ids.h"
#include "system/instance.h"
#include "system/log.h"
#include "ui/dialogs/agreement.h"
#include "changes/watch.h"
#include "ui/dialogs/progress.h"
#include "ui/main_window.h"
#include "ui/menu_icons.h"
#include "ui/font_layout.h"
#include "ui/msgbox.h"
#include "ui/startup.h"
#include "ui/tooltip.h"

namespace {
constexpr int kInitialWidth = 960;
constexpr int kInitialHeight = 680;
} // namespace

bool MainWindow::CreateHidden() {
    LoadImageLists();
    RegisterClassOnce(kClassName, icon_.get(), smallIcon_.get(), reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    // The design's size, larger with a larger dialog font, within the work
    // area (the taskbar leaves the status bar in sight).
    const int fontHeight = FontHeight(UiFont());
    const RECT at = CentredIn(WorkArea(), ScaledForFont(kInitialWidth, fontHeight),
                              ScaledForFont(kInitialHeight, fontHeight));
    if (!Create(kClassName, kProgramName, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0, at.left, at.top,
                at.right - at.left, at.bottom - at.top, nullptr, nullptr))
        return false;
    BuildMenuBar();
    CreateControls();
    CreateGrids();
    RECT r{};
    GetClientRect(hwnd(), &r);
    Layout(r.right, r.bottom);
    SelectTab(1);
    SetMsgBoxPicture(pic_.hwnd());
    SetMsgBoxOwner(hwnd());
    // The message loop gives the window the dialog keys: Tab and Shift+Tab
    // move the focus between the tab strip and the grid.
    AddModelessDialog(hwnd());
    return true;
}

HWND MainWindow::FindOtherInstance() {
    struct Search {
        DWORD self;
        HWND found;
    } search{GetCurrentProcessId(), nullptr};
    EnumWindows(
        [](HWND wnd, LPARAM lp) WINAPI -> BOOL {
            auto *s = reinterpret_cast<Search *>(lp);
            char cls[64] = {};
            GetClassNameA(wnd, cls, sizeof cls);
            DWORD pid = 0;
            GetWindowThreadProcessId(wnd, &pid);
            if (pid != s->self && lstrcmpA(cls, kClassName) == 0) {
                s->found = wnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool MainWindow::Load(const std::string &arguments) {
    // 1. Single instance: bring the first instance's window forward and end.
    if (!CheckSingleInstance()) {
        alreadyRunning_ = true;
        if (HWND other = FindOtherInstance()) {
            ShowWindow(other, SW_SHOWNORMAL);
            SetForegroundWindow(other);
            BringWindowToTop(other);
        } else {
            // Any program of the same user may hold the mutex: not ending
            // without a word lets the user find out why nothing starts.
            MsgBoxEx("Quillmara seems to be running already, but no Quillmara window can be found to bring "
                     "forward.\r\nAnother program may be holding its \"Quillmara Mutex\".\r\n\r\nEnd that "
                     "program, or log off and on again, then start Quillmara again.",
                     BoxStyle::kOkCritical, kProgramName);
        }
        CloseProgram();
        return false;
    }
    // 2. The log.
    StartLog();
    // What a run that died in the middle of a change left is finished before
    // anything is scanned.
    RecoverInterruptedChanges();
    // 3. Caption.
    SetWindowTextA(hwnd(), kProgramName);
    // 4. The watch switch, looked for in the arguments only.
    if (HasWatchSwitch(arguments)) {
        Watch().skipWatchToggle = true;
        Choice().chosenOS = 0;
        Watch().watchAtStart = true;
        CheckMenu(IDM_WATCH, true);
    }
    // 5. Menu bitmaps.
    LoadMenuBitmaps();
    // 6. Start with Windows.
    CheckMenu(IDM_STARTWITHWINDOWS, Watch().startWithWindows);
    // 7. Tooltips.
    LoadTooltips();
    // 8. Toolbar.
    LoadToolbar();
    // 9. Grid headers and column widths.
    LoadGridHeaders();
    // 10. The first scan; it shows the window (or, in watch mode, keeps it hidden).
    LoadFirstScan();
    // 11. Tab 1; the search starts there.
    SelectTab(1);
    selection.CurrentGrid = 1;
    StartSearch();
    // 12. The notification-area form.
    LoadTray();
    // 13. The window's icon.
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_.get()));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_.get()));
    return true;
}

// Start-up steps, each one call into the module that does the work.
void MainWindow::LoadMenuBitmaps() { ::LoadMenuBitmaps(hwnd(), menuIcons(), iconList()); }
void MainWindow::LoadTooltips() {
    SetTipOption(200);
    SetTipAlign(0);
    HookTooltips();
}

void MainWindow::LoadFirstScan() { LoadScan(*this); }

void MainWindow::CloseProgram() {
    EndWatching();
    CloseEnvironment();
    if (license_)
        license_->Destroy();
    CloseProgress();
    UnloadTray();
    UnhookTooltips();
    if (!alreadyRunning_) {
        UnloadHives();
        ReleaseInstanceMutex();
    }
    DestroyWindow(hwnd());
}
