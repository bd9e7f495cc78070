// The navigation buttons' rules, free of any window: the previous and next
// category with wrap-around, the previous and next row with wrap-around and
// the row kept in view, the auto-repeat state and its interval, and the
// screen scale factor used to size the toolbar.
#pragma once

// Toolbar buttons, numbered from 1.
constexpr int kButtonFind = 1;
constexpr int kButtonRefresh = 2;
constexpr int kButtonJump = 3;
constexpr int kButtonDelete = 4;
constexpr int kButtonDisable = 5;
constexpr int kButtonSpacer = 6;
constexpr int kButtonPrevTab = 7;
constexpr int kButtonPrevRow = 8;
constexpr int kButtonNextRow = 9;
constexpr int kButtonNextTab = 10;
constexpr int kButtonExit = 11;
constexpr int kToolbarButtons = 11;
constexpr int kTabCount = 14;

constexpr bool IsNavButton(int button) { return button >= kButtonPrevTab && button <= kButtonNextTab; }
constexpr bool IsRowButton(int button) { return button == kButtonPrevRow || button == kButtonNextRow; }

// Tab 1 goes back to 14, tab 14 on to 1.
int PreviousTab(int tab);
int NextTab(int tab);

// Rows shown below the top row before the grid scrolls.
constexpr int kRowsInView = 17;

struct RowStep {
    bool moved = false; // false: the grid has no filled row
    int row = 0;
    int topRow = 0;
};
// One step of button 8 (previous row) or 9 (next row) in a grid whose last
// filled row is lastRow: row 1 goes back to the last row, the last row on to
// row 1; the top row follows so that the row stays in view.
RowStep StepRow(int button, int row, int lastRow, int topRow);

// The auto-repeat of a held navigation button.
constexpr int kNavFirstInterval = 300;
constexpr int kNavFastInterval = 100;
struct NavRepeat {
    int button = 0; // 7 to 10 while held, 0 when idle
    int ticks = 0;
    bool active() const { return button != 0; }
    // The button went down.
    void Start(int pressed) {
        button = pressed;
        ticks = 0;
    }
    // One timer tick; returns the interval the timer runs at from now on.
    int Tick();
    void Stop() {
        button = 0;
        ticks = 0;
    }
};

// Scale factor of a screen this many twips wide: 0.8, 1.0, 1.28, 1.6 for
// 640, 800, 1024 and 1280 pixels, 1.0 for any other width.
float ResizeFactor(long screenTwips);
// The factor of the screen the program runs on.
float Resize();
