#include "ui/dialogs/agreement.h"

#include <windows.h>

#include <commctrl.h>

#include "changes/watch.h"
#include "resources/ids.h"
#include "system/instance.h"
#include "ui/msgbox.h"
#include "ui/startup.h"

namespace {

// Client size and control positions: the design's twips at 15 per pixel.
constexpr int kClientWidth = 699;
constexpr int kClientHeight = 570;

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

bool AgreementDialog::CreateWindowOnce() {
    if (hwnd() != nullptr)
        return true;
    return CreateModeless(nullptr, kCaption, kClientWidth, kClientHeight);
}

bool AgreementDialog::OnInit() {
    HWND dlg = hwnd();
    HWND text = CreateChild(dlg, "EDIT", AgreementText(),
                            WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL, 4, 1,
                            691, 532, IDC_LICENSE_TEXT, WS_EX_CLIENTEDGE);
    SetWindowSubclass(text, TextSubclass, 1, reinterpret_cast<DWORD_PTR>(this));
    CreateChild(dlg, "BUTTON", "QUIT", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 453, 540, 81, 25, IDC_LICENSE_QUIT);
    HWND agree = CreateChild(dlg, "BUTTON", "I AGREE", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 553, 539, 81, 25,
                             IDC_LICENSE_CONTINUE);
    EnableWindow(agree, FALSE);
    // Shown for reading only: the close of a window that asks nothing.
    CreateChild(dlg, "BUTTON", "Close", WS_TABSTOP | BS_PUSHBUTTON, 553, 539, 81, 25, IDCANCEL);
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
    if (!CreateWindowOnce()) {
        PostQuitMessage(1);
        return;
    }
    ShowWindow(hwnd(), SW_SHOW);
    SetForegroundWindow(hwnd());
    SetFocus(GetDlgItem(hwnd(), IDC_LICENSE_TEXT));
}

void AgreementDialog::ShowForReading() {
    readingOnly_ = true;
    if (!CreateWindowOnce())
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
