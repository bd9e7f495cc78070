#include "ui/dialogs/progress.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

#include "resources/ids.h"
#include "system/log.h"

namespace {
constexpr int kWidth = 380;
constexpr int kHeight = 84;
int &PointerState() {
    static int pointer = 0;
    return pointer;
}
} // namespace

void SetScreenPointer(int pointer) {
    PointerState() = pointer;
    POINT p{};
    GetCursorPos(&p);
    SetCursorPos(p.x, p.y); // makes the window under the mouse ask for its cursor again
    if (!ApplyScreenPointer())
        SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
}

int ScreenPointer() { return PointerState(); }

bool ApplyScreenPointer() {
    LPCSTR id = nullptr;
    switch (PointerState()) {
    case 11:
        id = reinterpret_cast<LPCSTR>(IDC_WAIT);
        break;
    case 13:
        id = reinterpret_cast<LPCSTR>(IDC_APPSTARTING);
        break;
    default:
        return false;
    }
    SetCursor(LoadCursorA(nullptr, id));
    return true;
}

bool ProgressWindow::Open(const std::string &label, bool visible) {
    label_ = label;
    value_ = 0;
    if (hwnd() == nullptr && !CreateModeless(nullptr, "Quillmara", kWidth, kHeight)) {
        WriteLog("ProcProgress the window could not be made");
        return false;
    }
    SetDlgItemTextA(hwnd(), IDC_PROGRESS_LABEL, label_.c_str());
    SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETPOS, 0, 0);
    // Centred across the screen, at a third of its height.
    RECT r{};
    GetWindowRect(hwnd(), &r);
    const int x = (GetSystemMetrics(SM_CXSCREEN) - (r.right - r.left)) / 2;
    const int y = GetSystemMetrics(SM_CYSCREEN) / 3;
    SetWindowPos(hwnd(), HWND_TOP, x, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetScreenPointer(13);
    if (visible) {
        ShowWindow(hwnd(), SW_SHOWNORMAL);
        UpdateWindow(hwnd());
    }
    return true;
}

void ProgressWindow::Close() {
    if (hwnd() != nullptr)
        Destroy();
    SetScreenPointer(0);
}

void ProgressWindow::SetValue(double value) {
    value_ = std::clamp(value, 0.0, 100.0);
    if (hwnd() != nullptr)
        SendDlgItemMessageA(hwnd(), IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(std::floor(value_)), 0);
}

bool ProgressWindow::OnInit() {
    // A caption without a close box: the window goes when the work is done.
    SetWindowLongA(hwnd(), GWL_STYLE, GetWindowLongA(hwnd(), GWL_STYLE) & ~WS_SYSMENU);
    SetWindowPos(hwnd(), nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
    CreateChild(hwnd(), "STATIC", label_, WS_VISIBLE | SS_CENTER | SS_NOPREFIX, 12, 12, kWidth - 24, 18,
                IDC_PROGRESS_LABEL);
    HWND bar = CreateChild(hwnd(), PROGRESS_CLASSA, "", WS_VISIBLE, 12, 40, kWidth - 24, 20, IDC_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETRANGE32, 0, 100);
    return false;
}

INT_PTR ProgressWindow::HandleMessage(UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_SETCURSOR:
        if (ApplyScreenPointer()) {
            SetWindowLongPtrA(hwnd(), DWLP_MSGRESULT, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_COMMAND: // no button; Escape and the close box do nothing while it works
        return TRUE;
    default:
        return FALSE;
    }
}
