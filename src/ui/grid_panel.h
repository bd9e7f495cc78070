// The category grids of the main window: their data (CategoryGrids), their
// pictures and one grid window per category, each placed in the frame of its
// tab. The main window owns one GridPanel and handles the grids' events.
#pragma once
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "ui/category_grids.h"
#include "ui/grid_pictures.h"
#include "ui/grid_window.h"
#include "ui/selection.h"

class GridPanel {
  public:
    explicit GridPanel(GridEvents &events);

    // Creates the window of grid index (1..14) in parent at bounds; the
    // control id is IDC_GRID0 + index. exStyle 0 when the parent draws the edge.
    bool CreateGrid(int index, HWND parent, const RECT &bounds, DWORD exStyle = WS_EX_CLIENTEDGE);
    void MoveGrid(int index, const RECT &bounds);
    // The window of grid index, null before it was created.
    GridWindow *Window(int index);

    CategoryGrids &Data() { return data_; }
    GridImages &Pictures() { return images_; }

    // Fills the grids from ScanLocations(); they must have been emptied.
    void LoadGrids();
    void ClearGrids(SelectionState &selection) { data_.ClearGrids(selection); }
    void UnhighlightRow(SelectionState &selection) { data_.UnhighlightRow(selection); }
    // The options: set, then empty and refill.
    void SetIncludeEmpty(bool on, SelectionState &selection) { data_.SetIncludeEmpty(on, selection, images_); }
    void SetHideMicrosoft(bool on, SelectionState &selection) { data_.SetHideMicrosoft(on, selection, images_); }
    // File / Save: the "Save File" dialog for a text file, then the list of
    // all grids written to it; a failed write is told through tell.
    void SaveList(const std::function<void(const std::string &)> &tell);
    // Draws every pending change now.
    void Refresh();

  private:
    GridEvents &events_;
    CategoryGrids data_;
    GridImages images_;
    std::array<std::unique_ptr<GridWindow>, kGridCount + 1> windows_; // element 0 unused
};
