// Set-up shared by the tests that start Quillmara.exe on the live system:
// the agreement counted as accepted while a test runs, and a main window in
// the test's own process laid out from the same live scan, so that a test
// knows where the program's grid shows a row.
#pragma once
#include <windows.h>

#include "registry/values.h"

class MainWindow;

// Marks the agreement as accepted; returns the value it had, for
// RestoreAgreement.
RegValue AcceptAgreement();
// Puts back the value AcceptAgreement found (or removes it when there was none).
void RestoreAgreement(const RegValue &saved);

// Scans the running installation as the program does; false when the scan fails.
bool ScanLiveSystem();
// Creates mirror hidden and fills its grids from the current scan.
bool LoadMirror(MainWindow &mirror);
// The middle of a cell, as a mouse message's position.
LPARAM CellCentre(const RECT &cell);
