// Sizes taken from the font in use: the design's pixel sizes (laid out for
// the 8-point dialog font at 96 dots per inch) grown with a larger font, text
// measured on one line or wrapped, the widths of the main window's
// status-bar panels, and the screen's work area that windows are placed in.
// Plain code on a font handle: no window is needed.
#pragma once
#include <windows.h>

#include <string>

// The height of the font the design's sizes were made for.
constexpr int kDesignFontHeight = 13;

// The character height of a font (its tmHeight).
int FontHeight(HFONT font);
// A design size in pixels for a font of fontHeight: as designed up to the
// design's font, larger in proportion above it.
int ScaledForFont(int designPixels, int fontHeight);
// The width of text on one line, and the height of text wrapped to width, in
// font (as a static control draws it).
int TextWidth(HFONT font, const std::string &text);
int WrappedTextHeight(HFONT font, const std::string &text, int width);
// The width a control needs to show whole a text measured `measured` pixels
// wide in a font of fontHeight. Under Wine a line's glyphs reach past its
// measured width (by some 3 % at 120 DPI) and a static control drops the
// glyph that does not fit, so a few per cent and a few pixels are left.
int WidthShowingText(int measured, int fontHeight);
// text broken into lines ("\r\n") at blanks, each line at most width wide
// (a word wider than that stands on a line of its own). A static control
// given the lines and a few pixels more than width draws them as they are.
std::string WrapText(HFONT font, const std::string &text, int width);

// The primary screen's work area (the screen less the taskbar), and a
// window of width x height centred in an area and kept within it.
RECT WorkArea();
RECT CentredIn(const RECT &area, int width, int height);

// The status bar's panels: 1 the help text, 2 the system path, 3 the
// operating system (reaching to the right edge, size grip included).
struct StatusWidths {
    int help = 0;
    int path = 0;
    int system = 0;
};
// The panels for a client width. Panels 2 and 3 keep their design widths
// while the help panel has room for its longest text; where it has not, they
// give way down to what their own texts need (the path first), and below
// that the path alone is cut. Panel 3 is never narrower than its text.
StatusWidths ChooseStatusWidths(int clientWidth, int helpNeed, int pathNeed, int systemNeed, int pathDesign,
                                int systemDesign);
