// The program's tooltips drawn on several lines: every tooltip window of the
// program's thread is taken over (subclassed; those created later are caught
// by a window-creation hook), sized to its text word-wrapped at a maximum
// width, centred on the mouse pointer and kept on the screen horizontally,
// and drawn in the system's status-bar font. A text starting with "<l>",
// "<c>" or "<r>" (any case) is drawn left-aligned, centred or right-aligned
// without the marker.
#pragma once
#include <windows.h>

#include <string>

// TipMaxWidth: the width in pixels at which tip texts wrap.
void SetTipOption(int width);
// TipAlign: mode 0 left, 1 right, anything else centred.
void SetTipAlign(int mode);
// Takes the tooltip windows over; false when it was already done.
bool HookTooltips();
// Gives them back, removes the hook and deletes the font.
void UnhookTooltips();
// (Re)creates the tip font from the system's status-bar font.
void CreateTipFont();

// Alignment codes.
constexpr int kTipLeft = 0;
constexpr int kTipCentre = 1;
constexpr int kTipRight = 2;

// The alignment SetTipAlign stores for a mode.
int TipAlignForMode(int mode);
// Removes a marker at the start of text; the alignment it names, else
// defaultAlign.
int TakeTipMarker(std::string &text, int defaultAlign);
// The tip's left edge: centred on the mouse, at least 0, and moved left so
// that it ends at the screen's right edge.
int TipLeft(int mouseX, int tipWidth, int screenWidth);
// The tip's size for a text of the given size and the system's border sizes.
SIZE TipSize(SIZE text, int borderCx, int borderCy);
// Whether a window class is a tooltip's (its first 8 characters, any case).
bool IsTipClass(const std::string &className);
// The text's size word-wrapped at TipMaxWidth in the tip font (marker removed).
SIZE MeasureTipText(HDC dc, std::string text);
