#include "ui/toolbar.h"

#include <windowsx.h>

#include "resources/ids.h"

namespace {

// Width of the spacer at design size, in pixels.
constexpr int kSpacerWidth = 24;
// The credit picture's side.
constexpr int kCreditSize = 20;

const char *const kTooltips[kToolbarButtons + 1] = {"",
                                                    "Search for text in any category...",
                                                    "Rescan with selected options.",
                                                    "Jump to the location of the selected entry.",
                                                    "Permanently delete the autorun of the selected entry.",
                                                    "Disable or enable the autorun of the selected entry.",
                                                    "",
                                                    "Move to the previous category.",
                                                    "Select the previous entry.",
                                                    "Select the next entry.",
                                                    "Move to the next category.",
                                                    "Quit the program and unload any remote hives."};

int ButtonOfCommand(UINT_PTR command) {
    const int button = static_cast<int>(command) - IDC_TOOLBUTTON0;
    return button >= 1 && button <= kToolbarButtons ? button : 0;
}

} // namespace

std::string ToolbarTooltip(int button) {
    return button >= 1 && button <= kToolbarButtons ? kTooltips[button] : std::string();
}

MainToolbar::~MainToolbar() {
    if (hwnd_ != nullptr) {
        StopRepeat();
        RemoveWindowSubclass(hwnd_, SubclassProc, 0);
    }
}

HWND MainToolbar::Create(HWND parent, HIMAGELIST images, float scale, ToolbarEvents *events) {
    events_ = events;
    hwnd_ = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                            WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                CCS_NORESIZE | CCS_NOPARENTALIGN,
                            0, 0, 100, 30, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TOOLBAR)),
                            GetModuleHandleA(nullptr), nullptr);
    if (hwnd_ == nullptr)
        return nullptr;
    SendMessageA(hwnd_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageA(hwnd_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images));
    TBBUTTON buttons[kToolbarButtons] = {};
    for (int i = 1; i <= kToolbarButtons; ++i) {
        TBBUTTON &b = buttons[i - 1];
        b.idCommand = IDC_TOOLBUTTON0 + i;
        b.fsState = TBSTATE_ENABLED;
        if (i == kButtonSpacer) {
            b.fsStyle = BTNS_SEP;
            b.iBitmap = scale < 1.0f ? kSpacerWidth * 6 / 10 : kSpacerWidth;
        } else {
            b.fsStyle = BTNS_BUTTON;
            b.iBitmap = i - 1;
        }
        b.iString = -1;
    }
    SendMessageA(hwnd_, TB_ADDBUTTONSA, kToolbarButtons, reinterpret_cast<LPARAM>(buttons));
    SetWindowSubclass(hwnd_, SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
    // Buttons 3 to 5 wait for a selected row.
    for (int b = kButtonJump; b <= kButtonDisable; ++b)
        EnableButton(b, false);
    return hwnd_;
}

HWND MainToolbar::AddCreditPicture(HICON icon) {
    credit_ = CreateWindowExA(
        0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_ICON | SS_NOTIFY | SS_CENTERIMAGE, 0, 0, kCreditSize, kCreditSize,
        hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_CREDITPIC)), GetModuleHandleA(nullptr), nullptr);
    SendMessageA(credit_, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    PlaceCredit();
    return credit_;
}

void MainToolbar::PlaceCredit() {
    if (credit_ == nullptr)
        return;
    RECT client{};
    GetClientRect(hwnd_, &client);
    MoveWindow(credit_, client.right - kCreditSize - 4, (client.bottom - kCreditSize) / 2, kCreditSize, kCreditSize,
               TRUE);
}

void MainToolbar::EnableButton(int button, bool enabled) {
    SendMessageA(hwnd_, TB_ENABLEBUTTON, IDC_TOOLBUTTON0 + button, MAKELPARAM(enabled ? TRUE : FALSE, 0));
}

bool MainToolbar::ButtonEnabled(int button) const {
    return SendMessageA(hwnd_, TB_ISBUTTONENABLED, IDC_TOOLBUTTON0 + button, 0) != 0;
}

RECT MainToolbar::ButtonRect(int button) const {
    RECT rect{};
    SendMessageA(hwnd_, TB_GETITEMRECT, static_cast<WPARAM>(button - 1), reinterpret_cast<LPARAM>(&rect));
    return rect;
}

int MainToolbar::HitTest(int x) const {
    // Both edges belong to the button; the first button that holds x wins.
    for (int b = 1; b <= kToolbarButtons; ++b) {
        const RECT r = ButtonRect(b);
        if (r.left <= x && x <= r.right)
            return b;
    }
    return 0;
}

void MainToolbar::StopRepeat() {
    if (!repeat_.active())
        return;
    repeat_.Stop();
    KillTimer(hwnd_, IDT_NAV);
}

LRESULT CALLBACK MainToolbar::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR data) {
    auto *self = reinterpret_cast<MainToolbar *>(data);
    if (self == nullptr || self->hwnd_ != wnd)
        return DefSubclassProc(wnd, msg, wp, lp);
    return self->OnMessage(msg, wp, lp);
}

LRESULT MainToolbar::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const LRESULT result = DefSubclassProc(hwnd_, msg, wp, lp);
        OnButtonDown(GET_X_LPARAM(lp));
        return result;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
        const bool held = repeat_.active();
        StopRepeat();
        const LRESULT result = DefSubclassProc(hwnd_, msg, wp, lp);
        if (held && GetCapture() == hwnd_)
            ReleaseCapture();
        return result;
    }
    case WM_SIZE: {
        const LRESULT result = DefSubclassProc(hwnd_, msg, wp, lp);
        PlaceCredit();
        return result;
    }
    case WM_CAPTURECHANGED:
        StopRepeat();
        return DefSubclassProc(hwnd_, msg, wp, lp);
    case WM_TIMER:
        if (wp == IDT_NAV) {
            OnTimer();
            return 0;
        }
        break;
    case WM_MOUSEMOVE:
        if (events_ != nullptr)
            events_->ToolbarMouseMove();
        break;
    case WM_NOTIFY:
        if (OnTooltipText(lp))
            return 0;
        break;
    case WM_NCDESTROY: {
        HWND wnd = hwnd_;
        StopRepeat();
        RemoveWindowSubclass(wnd, SubclassProc, 0);
        hwnd_ = nullptr;
        return DefSubclassProc(wnd, msg, wp, lp);
    }
    default:
        break;
    }
    return DefSubclassProc(hwnd_, msg, wp, lp);
}

void MainToolbar::OnButtonDown(int x) {
    const int button = HitTest(x);
    if (!IsNavButton(button) || !ButtonEnabled(button))
        return;
    StopRepeat();
    // Hold the mouse so that its release anywhere ends the repeat.
    if (GetCapture() != hwnd_)
        SetCapture(hwnd_);
    repeat_.Start(button);
    SetTimer(hwnd_, IDT_NAV, kNavFirstInterval, nullptr);
    if (events_ != nullptr)
        events_->NavigationStep(button);
}

void MainToolbar::OnTimer() {
    if (!repeat_.active()) {
        KillTimer(hwnd_, IDT_NAV);
        return;
    }
    // The row buttons speed up from the fourth tick on.
    const int interval = repeat_.Tick();
    if (repeat_.ticks == 4 && interval != kNavFirstInterval)
        SetTimer(hwnd_, IDT_NAV, static_cast<UINT>(interval), nullptr);
    if (events_ != nullptr)
        events_->NavigationStep(repeat_.button);
}

bool MainToolbar::OnTooltipText(LPARAM lp) {
    auto *hdr = reinterpret_cast<NMHDR *>(lp);
    if (hdr == nullptr)
        return false;
    const int button = ButtonOfCommand(hdr->idFrom);
    if (button == 0)
        return false;
    static std::string text;
    text = ToolbarTooltip(button);
    if (hdr->code == TTN_GETDISPINFOA) {
        auto *info = reinterpret_cast<NMTTDISPINFOA *>(lp);
        info->lpszText = text.data();
        info->hinst = nullptr;
        return true;
    }
    if (hdr->code == TTN_GETDISPINFOW) {
        static wchar_t wide[128];
        MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, 128);
        auto *info = reinterpret_cast<NMTTDISPINFOW *>(lp);
        info->lpszText = wide;
        info->hinst = nullptr;
        return true;
    }
    return false;
}
