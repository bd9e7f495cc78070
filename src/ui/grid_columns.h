// Columns of a category grid, as the selection and search code read them.
#pragma once

constexpr int kColCheck = 0;
constexpr int kColIcon = 1;
constexpr int kColName = 2;
constexpr int kColImagePath = 5;
constexpr int kColLocation = 6; // hidden: index into ScanLocations()
constexpr int kColEntry = 7;    // hidden: entry number, "0" on a header row
