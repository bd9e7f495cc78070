// The main window's message handling: one line per message, each going to a
// small handler.
#include "ui/main_window.h"
#include "ui/main_window_grids.h"

#include <algorithm>

#include "ui/box_change_ui.h"
#include "resources/ids.h"
#include "ui/closing.h"
#include "ui/dialogs/agreement.h"
#include "ui/dialogs/environment.h"
#include "ui/dialogs/progress.h"
#include "ui/font_layout.h"
#include "ui/msgbox.h"

namespace {
MainWindow *&TheMainWindow() {
    static MainWindow *instance = nullptr;
    return instance;
}
constexpr int kMinWidth = 640;
constexpr int kMinHeight = 420;
} // namespace

MainWindow::MainWindow() { TheMainWindow() = this; }

MainWindow::~MainWindow() {
    if (TheMainWindow() == this)
        TheMainWindow() = nullptr;
    SetMsgBoxPicture(nullptr);
    SetMsgBoxOwner(nullptr);
}

MainWindow *MainWindow::Instance() { return TheMainWindow(); }

LRESULT MainWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        OnSize(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_COMMAND:
        return RunCommand(LOWORD(wp)) ? 0 : Default(msg, wp, lp);
    case WM_NOTIFY:
        OnNotify(*reinterpret_cast<const NMHDR *>(lp));
        return 0;
    case WM_DRAWITEM:
        OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT *>(lp));
        return TRUE;
    case WM_ACTIVATE:
        OnActivate(LOWORD(wp), HIWORD(wp) != 0);
        return 0;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_GETMINMAXINFO:
        OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO *>(lp));
        return 0;
    case WM_SETCURSOR:
        return ApplyScreenPointer() ? TRUE : Default(msg, wp, lp);
    case WM_TIMER:
        return wp == IDT_SNAP ? (OnSnapTimer(), 0) : Default(msg, wp, lp);
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DESTROY:
        SetMsgBoxPicture(nullptr);
        SetMsgBoxOwner(nullptr);
        PostQuitMessage(0);
        return 0;
    case WM_QUERYENDSESSION: // the session may end: nothing to ask
        return TRUE;
    case WM_ENDSESSION:
        if (wp != FALSE)
            QueryClose(CloseReason::Other);
        return 0;
    default:
        return Default(msg, wp, lp);
    }
}

void MainWindow::OnSize(int cx, int cy) { Layout(cx, cy); }

void MainWindow::OnNotify(const NMHDR &hdr) {
    if (hdr.hwndFrom == tabStrip_ && hdr.code == TCN_SELCHANGE)
        ShowChosenTab();
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO &info) {
    // Larger with a larger dialog font, never beyond the screen.
    const int fontHeight = FontHeight(UiFont());
    info.ptMinTrackSize.x = std::min(ScaledForFont(kMinWidth, fontHeight), GetSystemMetrics(SM_CXSCREEN));
    info.ptMinTrackSize.y = std::min(ScaledForFont(kMinHeight, fontHeight), GetSystemMetrics(SM_CYSCREEN));
}

// The control with the focus is kept when the window is left and gets it
// back when the window is activated again (the window itself never keeps it).
void MainWindow::OnActivate(int state, bool minimized) {
    if (state == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus != nullptr && IsChild(hwnd(), focus))
            focusOnActivate_ = focus;
    } else if (!minimized) {
        RestoreFocus();
    }
}

void MainWindow::OnClose() { QueryClose(CloseReason::User); }
