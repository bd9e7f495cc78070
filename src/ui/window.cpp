#include "ui/window.h"

#include <algorithm>
#include <vector>

#include "ui/font_layout.h"
#include "ui/gdi.h"

namespace {

// The modeless dialogs alive now: the message loop offers each message to them.
std::vector<HWND> &ModelessDialogs() {
    static std::vector<HWND> list;
    return list;
}

void ForgetModeless(HWND wnd) {
    auto &list = ModelessDialogs();
    for (auto it = list.begin(); it != list.end(); ++it)
        if (*it == wnd) {
            list.erase(it);
            return;
        }
}

// An empty dialog template: no controls, the given size in dialog units.
std::vector<WORD> EmptyTemplate(DWORD style, int cxDlu, int cyDlu) {
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto *dt = reinterpret_cast<DLGTEMPLATE *>(t.data());
    dt->style = style;
    dt->cdit = 0;
    dt->cx = static_cast<short>(cxDlu);
    dt->cy = static_cast<short>(cyDlu);
    return t; // menu, class and title words stay 0
}

// The keyboard accelerators of one window, translated before anything else.
struct LoopAccelerators {
    HWND target = nullptr;
    HACCEL table = nullptr;
};
LoopAccelerators &Accelerators() {
    static LoopAccelerators accelerators;
    return accelerators;
}

bool TranslateForDialogs(MSG &msg) {
    const LoopAccelerators &acc = Accelerators();
    if (acc.table != nullptr && IsWindow(acc.target) && TranslateAcceleratorA(acc.target, acc.table, &msg))
        return true;
    for (HWND dlg : ModelessDialogs())
        if (IsWindow(dlg) && IsDialogMessageA(dlg, &msg))
            return true;
    return false;
}

} // namespace

void AddModelessDialog(HWND dialog) {
    auto &list = ModelessDialogs();
    list.erase(std::remove_if(list.begin(), list.end(), [](HWND wnd) { return !IsWindow(wnd); }), list.end());
    if (std::find(list.begin(), list.end(), dialog) == list.end())
        list.push_back(dialog);
}

void SetLoopAccelerators(HWND target, HACCEL table) { Accelerators() = {target, table}; }

Window::~Window() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool Window::RegisterClassOnce(const char *className, HICON icon, HICON smallIcon, HBRUSH background, UINT style) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &existing))
        return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = Trampoline;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = icon;
    wc.hIconSm = smallIcon;
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.hbrBackground = background;
    wc.lpszClassName = className;
    return RegisterClassExA(&wc) != 0;
}

bool Window::Create(const char *className, const std::string &caption, DWORD style, DWORD exStyle, int x, int y, int cx,
                    int cy, HWND parent, HMENU menu) {
    return CreateWindowExA(exStyle, className, caption.c_str(), style, x, y, cx, cy, parent, menu,
                           GetModuleHandleA(nullptr), this) != nullptr;
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return Default(msg, wp, lp); }

LRESULT CALLBACK Window::Trampoline(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto *cs = reinterpret_cast<CREATESTRUCTA *>(lp);
        auto *self = static_cast<Window *>(cs->lpCreateParams);
        if (self != nullptr) {
            self->hwnd_ = wnd;
            SetWindowLongPtrA(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    }
    auto *self = reinterpret_cast<Window *>(GetWindowLongPtrA(wnd, GWLP_USERDATA));
    if (self == nullptr)
        return DefWindowProcA(wnd, msg, wp, lp);
    if (msg == WM_NCDESTROY) {
        const LRESULT r = self->HandleMessage(msg, wp, lp);
        SetWindowLongPtrA(wnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
        return r;
    }
    return self->HandleMessage(msg, wp, lp);
}

Dialog::~Dialog() { Destroy(); }

void Dialog::Destroy() {
    if (hwnd_ == nullptr)
        return;
    if (modal_)
        EndDialog(hwnd_, IDCANCEL);
    else
        DestroyWindow(hwnd_);
}

namespace {
// Dialog units for a client size in pixels, with the dialog font's base units.
void PixelsToDlu(int cx, int cy, int &cxDlu, int &cyDlu) {
    WindowDc dc(nullptr);
    SelectGuard font(dc.get(), UiFont());
    TEXTMETRICA tm{};
    GetTextMetricsA(dc.get(), &tm);
    SIZE size{};
    GetTextExtentPoint32A(dc.get(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", 52, &size);
    const int baseX = std::max<int>(1, (size.cx / 26 + 1) / 2);
    const int baseY = std::max<int>(1, tm.tmHeight);
    cxDlu = MulDiv(cx, 4, baseX);
    cyDlu = MulDiv(cy, 8, baseY);
}
constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

// Gives the dialog its client size and puts it in the middle of the work
// area (a taskbar covers none of it).
void SizeAndCentre(HWND wnd, int clientWidth, int clientHeight) {
    RECT r{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&r, GetWindowLongA(wnd, GWL_STYLE), FALSE, GetWindowLongA(wnd, GWL_EXSTYLE));
    const int cx = r.right - r.left, cy = r.bottom - r.top;
    const RECT at = CentredIn(WorkArea(), cx, cy);
    SetWindowPos(wnd, nullptr, at.left, at.top, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
}
} // namespace

bool Dialog::CreateModeless(HWND owner, const std::string &caption, int clientWidth, int clientHeight) {
    int cx = 0, cy = 0;
    PixelsToDlu(clientWidth, clientHeight, cx, cy);
    auto t = EmptyTemplate(kDialogStyle, cx, cy);
    modal_ = false;
    HWND wnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE *>(t.data()), owner,
                                          Trampoline, reinterpret_cast<LPARAM>(this));
    if (wnd == nullptr)
        return false;
    SizeAndCentre(wnd, clientWidth, clientHeight);
    SetWindowTextA(wnd, caption.c_str());
    ModelessDialogs().push_back(wnd);
    return true;
}

INT_PTR Dialog::RunModal(HWND owner, const std::string &caption, int clientWidth, int clientHeight) {
    int cx = 0, cy = 0;
    PixelsToDlu(clientWidth, clientHeight, cx, cy);
    auto t = EmptyTemplate(kDialogStyle, cx, cy);
    modal_ = true;
    caption_ = caption;
    clientWidth_ = clientWidth;
    clientHeight_ = clientHeight;
    return DialogBoxIndirectParamA(GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE *>(t.data()), owner,
                                   Trampoline, reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::HandleMessage(UINT, WPARAM, LPARAM) { return FALSE; }

INT_PTR CALLBACK Dialog::Trampoline(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_INITDIALOG) {
        auto *self = reinterpret_cast<Dialog *>(lp);
        if (self == nullptr)
            return FALSE;
        self->hwnd_ = wnd;
        SetWindowLongPtrA(wnd, DWLP_USER, lp);
        if (self->modal_) {
            SizeAndCentre(wnd, self->clientWidth_, self->clientHeight_);
            SetWindowTextA(wnd, self->caption_.c_str());
        }
        return self->OnInit() ? TRUE : FALSE;
    }
    auto *self = reinterpret_cast<Dialog *>(GetWindowLongPtrA(wnd, DWLP_USER));
    if (self == nullptr)
        return FALSE;
    if (msg == WM_NCDESTROY) {
        ForgetModeless(wnd);
        self->HandleMessage(msg, wp, lp);
        SetWindowLongPtrA(wnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->OnDestroyed();
        return FALSE;
    }
    return self->HandleMessage(msg, wp, lp);
}

HWND CreateChild(HWND parent, const char *className, const std::string &text, DWORD style, int x, int y, int cx, int cy,
                 int id, DWORD exStyle) {
    HWND wnd = CreateWindowExA(exStyle, className, text.c_str(), style | WS_CHILD, x, y, cx, cy, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (wnd != nullptr)
        SendMessageA(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(UiFont()), FALSE);
    return wnd;
}

HFONT UiFont() {
    static FontHandle font([] {
        NONCLIENTMETRICSA ncm{};
        ncm.cbSize = sizeof ncm;
        if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
            return CreateFontIndirectA(&ncm.lfMessageFont);
        return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }());
    return font.get();
}

int RunMessageLoop(const std::function<bool()> &ended) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!TranslateForDialogs(msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (ended && ended())
            return 0;
    }
    return static_cast<int>(msg.wParam);
}

void PumpPendingEvents() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (TranslateForDialogs(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}
