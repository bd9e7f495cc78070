// Set-up shared by the tests that drive a main window in their own process on
// a laid-out scan: the usual locations, the window shown with its grids
// filled, and a pause to look at it.
#pragma once
#include "scan/state.h"

class MainWindow;

// The machine's Run key (logon) and Services key (drivers), without entries.
ScanLocation RunKeyLocation();
ScanLocation DriversLocation();
// Creates the window, fills its grids from the scan and shows it.
bool ShowWithGrids(MainWindow &window);
// Waits QM_GRID_HOLD milliseconds when set, so the window can be looked at.
void HoldForLook();
