#include "ui/navigation.h"

#include <windows.h>

int PreviousTab(int tab) { return tab <= 1 ? kTabCount : tab - 1; }

int NextTab(int tab) { return tab >= kTabCount ? 1 : tab + 1; }

RowStep StepRow(int button, int row, int lastRow, int topRow) {
    RowStep step;
    if (lastRow < 1 || !IsRowButton(button))
        return step;
    step.moved = true;
    if (button == kButtonPrevRow)
        step.row = row < 2 ? lastRow : row - 1;
    else
        step.row = row > lastRow - 1 ? 1 : row + 1;
    step.topRow = topRow;
    if (step.topRow < step.row - kRowsInView)
        step.topRow = step.row - kRowsInView;
    else if (step.topRow > step.row)
        step.topRow = step.row;
    if (step.topRow < 1)
        step.topRow = 1;
    return step;
}

int NavRepeat::Tick() {
    ++ticks;
    return IsRowButton(button) && ticks >= 4 ? kNavFastInterval : kNavFirstInterval;
}

float ResizeFactor(long screenTwips) {
    switch (screenTwips) {
    case 9600:
        return 0.8f;
    case 12000:
        return 1.0f;
    case 15360:
        return 1.28f;
    case 19200:
        return 1.6f;
    default:
        return 1.0f;
    }
}

float Resize() { return ResizeFactor(static_cast<long>(GetSystemMetrics(SM_CXSCREEN)) * 15); }
