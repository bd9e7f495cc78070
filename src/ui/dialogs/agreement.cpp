#include "ui/dialogs/agreement.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>

#include "changes/watch.h"
#include "resources/ids.h"
#include "system/instance.h"
#include "ui/font_layout.h"
#include "ui/msgbox.h"
#include "ui/startup.h"

namespace {

// Client size and control places: the design's twips at 15 per pixel.
constexpr int kClientWidth = 699;
constexpr int kClientHeight = 570;
constexpr int kTextLeft = 4, kTextTop = 1, kTextGap = 7; // text box to buttons
constexpr int kButtonWidth = 81, kButtonHeight = 25, kButtonGap = 19;
constexpr int kRightMargin = 65, kBottomMargin = 5;
constexpr int kCaptionPadding = 16; // a button's edges round its caption

// The client size the work area leaves a dialog of the program's style.
SIZE WorkAreaClientSize() {
    const RECT work = WorkArea();
    RECT frame{0, 0, 0, 0};
    AdjustWindowRectEx(&frame, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, FALSE, WS_EX_DLGMODALFRAME);
    return SIZE{(work.right - work.left) - (frame.right - frame.left),
                (work.bottom - work.top) - (frame.bottom - frame.top)};
}

LRESULT CALLBACK TextSubclass(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR ref) {
    if (msg == WM_KEYDOWN)
        reinterpret_cast<AgreementDialog *>(ref)->OnTextKeyDown(static_cast<UINT>(wp));
    else if (msg == WM_NCDESTROY)
        RemoveWindowSubclass(wnd, TextSubclass, 1);
    return DefSubclassProc(wnd, msg, wp, lp);
}

} // namespace

std::string AgreementText() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(IDR_LICENSE_TEXT), MAKEINTRESOURCEA(10)); // RT_RCDATA
    if (res == nullptr)
        return "";
    HGLOBAL data = LoadResource(module, res);
    const char *bytes = data != nullptr ? static_cast<const char *>(LockResource(data)) : nullptr;
    if (bytes == nullptr)
        return "";
    const std::string raw(bytes, SizeofResource(module, res));
    std::string text;
    for (char c : raw) {
        if (c == '\r')
            continue;
        if (c == '\n')
            text += "\r\n";
        else
            text += c;
    }
    while (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    return text;
}

AgreementLayout LayOutAgreement(HFONT font, int maxWidth, int maxHeight) {
    const int fh = FontHeight(font);
    auto s = [fh](int design) { return ScaledForFont(design, fh); };
    auto at = [](int x, int y, int cx, int cy) { return RECT{x, y, x + cx, y + cy}; };
    AgreementLayout l;
    l.width = std::min(s(kClientWidth), maxWidth);
    l.height = std::min(s(kClientHeight), maxHeight);
    int buttonWidth = s(kButtonWidth);
    for (const char *caption : {"QUIT", "I AGREE", "Close"})
        buttonWidth = std::max(buttonWidth, WidthShowingText(TextWidth(font, caption), fh) + s(kCaptionPadding));
    const int buttonHeight = std::max(s(kButtonHeight), fh + s(10));
    const int buttonTop = l.height - s(kBottomMargin) - buttonHeight;
    // Right-aligned as designed; on a narrow screen the pair keeps to the
    // left edge rather than leave it.
    const int agreeLeft = std::max(l.width - s(kRightMargin) - buttonWidth, s(kTextLeft) + buttonWidth + s(kButtonGap));
    l.agree = at(agreeLeft, buttonTop, buttonWidth, buttonHeight);
    l.quit = at(agreeLeft - s(kButtonGap) - buttonWidth, buttonTop, buttonWidth, buttonHeight);
    l.text = at(s(kTextLeft), s(kTextTop), l.width - 2 * s(kTextLeft),
                std::max(buttonTop - s(kTextGap) - s(kTextTop), fh));
    return l;
}

bool AgreementDialog::CreateWindowOnce(HWND owner) {
    if (hwnd() != nullptr)
        return true;
    const SIZE room = WorkAreaClientSize();
    layout_ = LayOutAgreement(UiFont(), room.cx, room.cy);
    return CreateModeless(owner, kCaption, layout_.width, layout_.height);
}

bool AgreementDialog::OnInit() {
    HWND dlg = hwnd();
    auto child = [dlg](const char *cls, const std::string &text, DWORD style, const RECT &r, int id,
                       DWORD exStyle = 0) {
        return CreateChild(dlg, cls, text, style, r.left, r.top, r.right - r.left, r.bottom - r.top, id, exStyle);
    };
    const AgreementLayout &l = layout_;
    HWND text = child("EDIT", AgreementText(),
                      WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, l.text,
                      IDC_LICENSE_TEXT, WS_EX_CLIENTEDGE);
    SetWindowSubclass(text, TextSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
    child("BUTTON", "QUIT", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, l.quit, IDC_LICENSE_QUIT);
    HWND agree = child("BUTTON", "I AGREE", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, l.agree, IDC_LICENSE_CONTINUE);
    EnableWindow(agree, FALSE);
    // Shown for reading only: the close of a window that asks nothing.
    child("BUTTON", "Close", WS_TABSTOP | BS_PUSHBUTTON, l.agree, IDCANCEL);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMARA));
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SetFocus(text);
    return false; // focus set here
}

void AgreementDialog::LoadAtStart(std::function<void()> onAccepted) {
    onAccepted_ = std::move(onAccepted);
    readingOnly_ = false;
    StartFlags &flags = Start();
    if (!flags.agreementAccepted) {
        flags.agreementAccepted = ReadEulaAccepted();
        Watch().startWithWindows = ReadStartWithWindows();
        if (flags.agreementAccepted) {
            Continue();
            return;
        }
    }
    if (!CreateWindowOnce(nullptr)) {
        PostQuitMessage(1);
        return;
    }
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(GetDlgItem(hwnd(), IDC_LICENSE_TEXT));
}

void AgreementDialog::ShowForReading(HWND owner) {
    readingOnly_ = true;
    if (!CreateWindowOnce(owner))
        return;
    ShowWindow(GetDlgItem(hwnd(), IDC_LICENSE_QUIT), SW_HIDE);
    ShowWindow(GetDlgItem(hwnd(), IDC_LICENSE_CONTINUE), SW_HIDE);
    ShowWindow(GetDlgItem(hwnd(), IDCANCEL), SW_SHOW);
    ShowWindow(hwnd(), SW_SHOW);
}

void AgreementDialog::OnTextKeyDown(UINT key) {
    if (key == VK_NEXT && !readingOnly_)
        EnableWindow(GetDlgItem(hwnd(), IDC_LICENSE_CONTINUE), TRUE);
}

void AgreementDialog::Continue() {
    StartFlags &flags = Start();
    if (!flags.agreementAccepted && WriteEulaAccepted())
        flags.agreementAccepted = true;
    if (!flags.agreementAccepted) {
        const std::string prompt = IsAdmin() ? "Some local media may be read-only. Unable to continue."
                                             : "You do not have sufficient rights to run this program."
                                               " Try running it as an administrator.";
        MsgBoxEx(prompt, BoxStyle::kOkCriticalInfo, kProgramName);
        Destroy();
        PostQuitMessage(1);
        return;
    }
    if (hwnd() != nullptr)
        ShowWindow(hwnd(), SW_HIDE);
    if (onAccepted_)
        onAccepted_();
    Destroy();
}

void AgreementDialog::Quit() {
    const bool atStart = !readingOnly_;
    Destroy();
    if (atStart)
        PostQuitMessage(0);
}

INT_PTR AgreementDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM) {
    switch (msg) {
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_LICENSE_CONTINUE:
            if (!readingOnly_)
                Continue();
            return TRUE;
        case IDC_LICENSE_QUIT:
            if (!readingOnly_)
                Quit();
            return TRUE;
        case IDCANCEL: // the close box or Escape
            Quit();
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}
