#include "ui/search.h"

#include <windows.h>

#include "ui/navigation.h"
#include "ui/selection_rules.h"

namespace {

std::string Upper(std::string text) {
    if (!text.empty())
        CharUpperBuffA(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

bool Search(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow, bool forward) {
    if (currentGrid != state.lastHitGrid || currentRow != state.lastHitRow)
        state.EndSequence();
    int grid, row;
    if (state.searching) {
        grid = state.lastHitGrid;
        row = state.lastHitRow;
        if (grid == state.startGrid && row == state.startRow) {
            state.EndSequence();
            return false;
        }
    } else {
        grid = currentGrid < 1 ? 1 : currentGrid;
        row = currentRow < 1 ? 1 : currentRow;
        state.startGrid = grid;
        state.startRow = row;
    }
    const std::string what = Upper(state.findText);
    int last = grids.LastRow(grid);
    // Grid changes allowed: one full round brings the search back to its
    // starting grid; one more means the start row lies outside every filled
    // row and will never be met again.
    int gridChanges = 0;
    for (;;) {
        row += forward ? 1 : -1;
        while (row > last || row < 1) {
            if (++gridChanges > kTabCount) {
                state.EndSequence();
                return false;
            }
            grid = forward ? NextTab(grid) : PreviousTab(grid);
            last = grids.LastRow(grid);
            row = forward ? 1 : last;
        }
        if (Upper(RowSearchText(grids, grid, row)).find(what) != std::string::npos)
            break;
        if (grid == state.startGrid && row == state.startRow) {
            state.EndSequence();
            return false;
        }
    }
    state.lastHitGrid = grid;
    state.lastHitRow = row;
    grids.SelectHit(grid, row);
    state.searching = true;
    return true;
}

} // namespace

std::string RowSearchText(const SearchGrids &grids, int grid, int row) {
    RowTexts texts;
    for (int col = kColName; col <= kColImagePath; ++col)
        texts[static_cast<size_t>(col - kColName)] = grids.Text(grid, row, col);
    return RowLine(texts, grids.Ref(grid, row).IsHeader());
}

bool ContainsText(const std::string &text, const std::string &what) {
    return Upper(text).find(Upper(what)) != std::string::npos;
}

bool FindNextWord(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow) {
    return Search(state, grids, currentGrid, currentRow, true);
}

bool FindPrevWord(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow) {
    return Search(state, grids, currentGrid, currentRow, false);
}

std::string CannotFindText(const std::string &findText) { return "Cannot find \"" + findText + "\""; }

std::string InitialFindText(const std::string &lastFindText) { return lastFindText.substr(0, 30); }

bool FindRequest(SearchState &state, SearchGrids &grids, const std::string &text, bool down, int currentGrid,
                 int currentRow) {
    state.findText = text;
    if (state.findText != state.lastFindText)
        state.searching = false;
    state.lastFindText = state.findText;
    if (down) {
        if (state.lastSearchUp)
            state.searching = false;
        if (!FindNextWord(state, grids, currentGrid, currentRow))
            return false;
        state.lastSearchUp = false;
    } else {
        if (!state.lastSearchUp)
            state.searching = false;
        if (!FindPrevWord(state, grids, currentGrid, currentRow))
            return false;
        state.lastSearchUp = true;
    }
    return true;
}

RepeatResult RepeatSearch(SearchState &state, SearchGrids &grids, int currentGrid, int currentRow) {
    if (!state.searching)
        return RepeatResult::OpenDialog;
    const bool hit = state.lastSearchUp ? FindPrevWord(state, grids, currentGrid, currentRow)
                                        : FindNextWord(state, grids, currentGrid, currentRow);
    return hit ? RepeatResult::Hit : RepeatResult::Miss;
}
