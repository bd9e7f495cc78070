#include "ui/dialogs/environment.h"

#include <windows.h>

#include "resources/ids.h"
#include "scan/state.h"
#include "scan/watch_scan.h"
#include "ui/font_layout.h"
#include "ui/window.h"

namespace {
constexpr int kClientWidth = 520;
constexpr int kClientHeight = 400;
// The design's size, larger with a larger dialog font.
int ClientWidth() { return ScaledForFont(kClientWidth, FontHeight(UiFont())); }
int ClientHeight() { return ScaledForFont(kClientHeight, FontHeight(UiFont())); }
// The window that is open, for CloseEnvironmentWindow.
EnvironmentDialog *openWindow = nullptr;
} // namespace

std::string ListLocalEnvironment(const char *block) {
    std::string text;
    const char *entry = block;
    while (true) {
        const std::string line = entry != nullptr ? std::string(entry) : std::string();
        text += line + "\r\n";
        if (line.empty())
            break;
        entry += line.size() + 1;
    }
    return text;
}

std::string EnvironmentText() {
    if (SelectedOS() != 0)
        return GetRemoteEnvironment();
    char *block = GetEnvironmentStringsA();
    std::string text = ListLocalEnvironment(block);
    if (block != nullptr)
        FreeEnvironmentStringsA(block);
    return text;
}

EnvironmentDialog::~EnvironmentDialog() {
    if (openWindow == this)
        openWindow = nullptr;
}

void CloseEnvironmentWindow() {
    if (openWindow != nullptr)
        openWindow->Destroy();
}

void EnvironmentDialog::Open(HWND owner) {
    if (hwnd() == nullptr && !CreateModeless(owner, kCaption, ClientWidth(), ClientHeight()))
        return;
    openWindow = this;
    SetDlgItemTextA(hwnd(), IDC_ENV_TEXT, EnvironmentText().c_str());
    ShowWindow(hwnd(), SW_SHOWNORMAL);
    SetForegroundWindow(hwnd());
}

bool EnvironmentDialog::OnInit() {
    HWND dlg = hwnd();
    CreateChild(dlg, "EDIT", "",
                WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                    ES_AUTOHSCROLL,
                0, 0, ClientWidth(), ClientHeight(), IDC_ENV_TEXT, WS_EX_CLIENTEDGE);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_QUILLMARA));
    SendMessageA(dlg, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    return true;
}

INT_PTR EnvironmentDialog::HandleMessage(UINT msg, WPARAM wp, LPARAM) {
    if (msg == WM_COMMAND && LOWORD(wp) == IDCANCEL) {
        Destroy();
        return TRUE;
    }
    return FALSE;
}
