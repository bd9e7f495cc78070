// The search over the 14 category grids, free of any window: the search
// state, the text of a row as searched, and the forward and backward search
// from the selection or the last hit. Grids without filled rows are passed
// over, and a search ends after at most one full round over the grids.
#pragma once
#include <string>

#include "changes/shown_rows.h"

// What the search reads of the grids and how it shows a hit.
class SearchGrids {
  public:
    virtual ~SearchGrids() = default;
    // The last filled row of grid 1..14 (0 when it has none).
    virtual int LastRow(int grid) const = 0;
    virtual std::string Text(int grid, int row, int col) const = 0;
    virtual RowRef Ref(int grid, int row) const = 0;
    // Shows the grid's tab and selects the row (never toggling it).
    virtual void SelectHit(int grid, int row) = 0;
};

struct SearchState {
    std::string findText;     // the text searched for
    std::string lastFindText; // the text of the previous request
    bool searching = false;   // a search sequence is under way
    int startGrid = 0, startRow = 0;
    int lastHitGrid = 0, lastHitRow = 0;
    bool lastSearchUp = false; // the last successful search went backward
    void EndSequence() {
        searching = false;
        startGrid = startRow = lastHitGrid = lastHitRow = 0;
    }
};

// The row's text as searched: the location text of a header row, else
// columns 2 to 5 joined by tabs.
std::string RowSearchText(const SearchGrids &grids, int grid, int row);

// Case-insensitive containment, as the system compares text.
bool ContainsText(const std::string &text, const std::string &what);

// Search forward (or backward) from the selection (currentGrid,
// currentRow) or the last hit; true on a hit, which SelectHit has shown.
bool FindNextWord(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow);
bool FindPrevWord(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow);

// The message of a search that found nothing.
std::string CannotFindText(const std::string &findText);

// The Find dialog's initial text: the last search text cut to 30 characters.
std::string InitialFindText(const std::string &lastFindText);

// One request of the Find dialog: a changed text or a changed direction
// starts a new sequence at the selection. True on a hit; on a miss the
// caller shows CannotFindText.
bool FindRequest(SearchState &state, SearchGrids &grids, const std::string &text, bool down, int currentGrid,
                 int currentRow);

// F3: repeats the search in its last direction; with no search under way
// the Find dialog is to be opened instead.
enum class RepeatResult { OpenDialog, Hit, Miss };
RepeatResult RepeatSearch(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow);
