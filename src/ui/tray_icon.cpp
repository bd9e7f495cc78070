#include "ui/tray_icon.h"

#include <cstring>

namespace {

constexpr UINT kPositionFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE; // 19

std::string CaptionOf(HWND form) {
    char text[256] = {};
    GetWindowTextA(form, text, sizeof text);
    return text;
}

void Animate(HWND form, bool toTray) {
    RECT tray{};
    if (!FindTrayNotifyRect(tray))
        return;
    RECT window{};
    GetWindowRect(form, &window);
    if (toTray)
        DrawAnimatedRects(form, IDANI_CAPTION, &window, &tray);
    else
        DrawAnimatedRects(form, IDANI_CAPTION, &tray, &window);
}

} // namespace

NOTIFYICONDATAA TrayIconRecord(HWND form, HICON icon, const std::string &caption) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = form;
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = kTrayCallbackMessage;
    data.hIcon = icon;
    constexpr size_t field = 64; // the tip field of the first-version layout
    std::memset(data.szTip, ' ', field);
    const size_t n = caption.size() < field - 1 ? caption.size() : field - 1;
    std::memcpy(data.szTip, caption.data(), n);
    data.szTip[n] = '\0';
    return data;
}

bool AddTrayIcon(HWND form, HICON icon) {
    NOTIFYICONDATAA data = TrayIconRecord(form, icon, CaptionOf(form));
    return Shell_NotifyIconA(NIM_ADD, &data) != FALSE;
}

bool RemoveTrayIcon(HWND form) {
    NOTIFYICONDATAA data = TrayIconRecord(form, nullptr, "");
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

bool FindTrayNotifyRect(RECT &rect) {
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar == nullptr)
        return false;
    for (HWND child = GetWindow(taskbar, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[128] = {};
        GetClassNameA(child, cls, sizeof cls);
        if (std::strstr(cls, "TrayNotifyWnd") != nullptr)
            return GetWindowRect(child, &rect) != FALSE;
    }
    return false;
}

void AnimateToTray(HWND form) { Animate(form, true); }

void AnimateFromTray(HWND form) { Animate(form, false); }

void SetTopmost(HWND form) { SetWindowPos(form, HWND_TOPMOST, 0, 0, 0, 0, kPositionFlags); }

void SetNotTopmost(HWND form) { SetWindowPos(form, HWND_NOTOPMOST, 0, 0, 0, 0, kPositionFlags); }
