// The message box every prompt of the program goes through: the system's box
// with the main window's picture in place of the standard icon, wide enough
// that no line of the prompt wraps (up to the screen's width) and, on
// request, button captions of the caller's choice or no buttons at all. A
// short-lived hook on this thread adjusts the box when it is activated and is
// removed when the box itself is destroyed. Tests answer boxes through the
// seam below instead of a window.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Style numbers the program uses (button set + icon + default + modality).
namespace BoxStyle {
constexpr int kOk = 0;
constexpr int kOkCritical = 16;
constexpr int kYesNoCritical = 20;
constexpr int kOkInfo = 64;
constexpr int kYesNoCancelInfo = 67;
constexpr int kYesNoInfo = 68;
constexpr int kOkCriticalInfo = 80;
constexpr int kYesNoWarnDefaultNo = 308;
constexpr int kOkInfoSystemModal = 4160;
constexpr int kYesNoCancelInfoSystemModal = 4163;
} // namespace BoxStyle

// Shows the box and returns the code of the button pressed (1 OK, 2 Cancel,
// 6 Yes, 7 No). captions, when given, rename the buttons in their order.
int MsgBoxEx(const std::string &prompt, int style, const std::string &title,
             const std::vector<std::string> *captions = nullptr, bool hideButtons = false);

// The picture shown in the box in place of the icon (the main window's hidden
// picture) and the window that owns boxes; null before the main window exists,
// when boxes show without the picture.
void SetMsgBoxPicture(HWND picture);
void SetMsgBoxOwner(HWND owner);
// The style actually handed to the system for a style number: the critical
// and information bits together (80) show the critical icon.
UINT SystemBoxStyle(int style);
// The id of the style's default button (IDOK, IDYES, IDNO, ...).
int DefaultButtonId(int style);
// True when the style shows an icon, so that the picture takes its place.
bool StyleHasIcon(int style);
// How much wider a box gets so that its longest prompt line (pixels) fits
// its text, no wider than the screen allows: 0 when it fits already.
int BoxGrowthForLine(int longestLine, int textWidth, int boxWidth, int screenWidth);
// The width a box's text needs in font so that every line of prompt shows
// whole, with the room a line's glyphs may take beyond its measured width.
int PromptTextWidth(HFONT font, const std::string &prompt);
// The prompt's lines (CR LF, LF or CR ends a line).
std::vector<std::string> PromptLines(const std::string &prompt);

// Test seam: when set, MsgBoxEx asks the answerer instead of showing a box.
struct BoxRequest {
    std::string prompt;
    int style = 0;
    std::string title;
};
using BoxAnswerer = std::function<int(const BoxRequest &)>;
void SetBoxAnswerer(BoxAnswerer answerer);
