// The selection of the main window: which grid, row and column were clicked,
// whether the row is a location header row, and the location, entry and
// location header row it leads to. Every Entry command reads it through
// SelectedRow (ui/row_selection.h), which checks that the row still shows it.
#pragma once

struct SelectionState {
    int CurrentGrid = 0;           // 1..14, 0 when nothing is selected
    int CurrentRow = 0;            // grid row, 0 when no row is selected (also after the grids were emptied)
    int CurrentCol = 0;            // column that was clicked
    bool HeaderRowSelected = true; // the row is a location header row
    int CurrentLocation = 0;       // index into ScanLocations(), as the row's RowRef holds it
    int CurrentEntry = 0;          // index into that location's Entries(); 0 on a header row
    int CurrentLocationRow = 0;    // header row at or above CurrentRow, 0 when none

    // Nothing selected.
    void Reset() { *this = SelectionState{}; }
};
