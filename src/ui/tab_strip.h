// The tab strip's look: the tabs are drawn by the program, each with its
// icon and its caption (leading blanks aside) centred beside it, and sized
// from the measured captions so that every tab shows its whole caption and
// icon at any width of the window: where seven to a row do not fit, fewer
// do, in more rows. The tab shown gets the highlight colours behind its
// caption only, so its caption and icon both keep their contrast; the
// focused tab gets the focus rectangle round its caption.
#pragma once
#include <windows.h>

#include <commctrl.h>

#include <string>

// How the tabs share a row width: tabs per row and the width of each tab.
struct TabLayout {
    int perRow = 0;
    int tabWidth = 0;
};

// Space of a tab around its caption: the tab's own edges, the icon and the
// margins.
constexpr int kTabEdge = 3;    // the strip's frame on either side of a tab
constexpr int kTabPadding = 3; // inside the frame, on either side
constexpr int kTabIconSize = 16;
constexpr int kTabIconGap = 3; // between icon and caption

// The fewest rows (two at least, as designed) at which a row of count tabs
// of equal width fits rowWidth with the widest caption beside its icon.
TabLayout ChooseTabLayout(int count, int rowWidth, int widestCaption);
// The part of a tab, as the strip places it, that is drawn on; where the
// icon and the caption go inside that part.
RECT TabInterior(const RECT &placed);
RECT TabIconRect(const RECT &interior);
RECT TabCaptionRect(const RECT &interior);
// A caption as drawn: without the blanks that centred it on the design's tabs.
std::string TabCaptionText(const std::string &caption);

class TabStripLook {
  public:
    // Sizes the tabs of tabStrip (TCS_FIXEDWIDTH | TCS_OWNERDRAWFIXED) for
    // its present width; rowHeight is the height of a row of tabs.
    void Fit(HWND tabStrip, int rowHeight);
    // Draws one tab (WM_DRAWITEM from the tab strip).
    void Draw(const DRAWITEMSTRUCT &item, HIMAGELIST icons) const;
    // The layout chosen by the last Fit.
    const TabLayout &Layout() const { return layout_; }

  private:
    TabLayout layout_;
    int widest_ = 0; // the widest caption, measured once
};
