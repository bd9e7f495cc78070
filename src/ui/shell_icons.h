// The shell icon of a file's type, drawn into a picture of the grids or the
// file panel.
#pragma once
#include <windows.h>

#include <string>

// Icon flags of the callers: the small icon of a file's type for the grids,
// the large one for the file panel (both taken from the name alone).
constexpr UINT kSmallTypeIcon = 273; // SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | SHGFI_SMALLICON
constexpr UINT kLargeTypeIcon = 272; // SHGFI_ICON | SHGFI_USEFILEATTRIBUTES

// Where an icon is drawn: a device context (for a picture that keeps its
// image, a memory bitmap's), the area that is cleared first and whose top-left
// corner takes the icon, and the window repainted afterwards (may be null).
struct IconBox {
    HDC dc = nullptr;
    RECT area{};
    HWND window = nullptr;
    COLORREF background = RGB(255, 255, 255);
};
// Draws the file's shell icon, 16 pixels for kSmallTypeIcon and 32 for any
// other flags; false (box untouched) when the shell gives no icon.
bool DrawFileIcon(const std::string &fileName, const IconBox &box, UINT flags);
