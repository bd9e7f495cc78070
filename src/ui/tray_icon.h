// The notification-area icon and the moves between a window and the
// notification area: adding and removing the icon of a form, the caption-zoom
// animation to and from the notification area (skipped where the taskbar has
// no notification area to aim at), and switching a window's always-on-top
// state.
#pragma once
#include <windows.h>

#include <shellapi.h>

#include <string>

// The icon's identifier and its callback message: the mouse-move message,
// whose lParam then carries the real mouse message in its low word.
constexpr UINT kTrayIconId = 1;
constexpr UINT kTrayCallbackMessage = WM_MOUSEMOVE;

// The record handed to the shell for the icon of form: first-version layout,
// message, icon and tip valid; the tip is the caption (at most 63
// characters), a NUL and blanks up to the field's end.
NOTIFYICONDATAA TrayIconRecord(HWND form, HICON icon, const std::string &caption);

// Adds the icon of form (its caption as the tip); false when the shell refused.
bool AddTrayIcon(HWND form, HICON icon);
// Removes it again: the same window and identifier.
bool RemoveTrayIcon(HWND form);

// The window rectangle of the notification area (the "TrayNotifyWnd" child of
// the taskbar); false when there is none.
bool FindTrayNotifyRect(RECT &rect);
// The caption-zoom animation from the window's rectangle to the notification
// area, and back; nothing is drawn when the notification area is missing.
// Neither shows nor hides the window.
void AnimateToTray(HWND form);
void AnimateFromTray(HWND form);

// Always on top, and back among the other windows; position, size and
// activation stay as they are.
void SetTopmost(HWND form);
void SetNotTopmost(HWND form);
