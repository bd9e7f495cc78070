// The part of the main window that holds the category grids: the object that
// hands the grids' events to the main window's handlers, and the grid panel.
// Included where the main window is made and destroyed.
#pragma once
#include "ui/grid_panel.h"
#include "ui/main_window.h"

// Hands the grids' events to the main window's handlers.
class MainWindow::GridEventSink : public GridEvents {
  public:
    explicit GridEventSink(MainWindow &owner) : owner_(owner) {}
    void GridClick(GridWindow &grid, GridInput how) override { owner_.OnGridClick(grid, how); }
    void GridMouseDown(GridWindow &grid, const GridMouse &mouse) override { owner_.OnGridMouseDown(grid, mouse); }
    void GridMouseUp(GridWindow &grid, const GridMouse &mouse) override { owner_.OnGridMouseUp(grid, mouse); }
    void GridMouseMove(GridWindow &grid, const GridMouse &mouse) override { owner_.OnGridMouseMove(grid, mouse); }
    void GridDblClick(GridWindow &grid) override { owner_.OnGridDblClick(grid); }
    void GridMenuKey(GridWindow &grid) override { owner_.OnGridMenuKey(grid); }
    bool GridKey(GridWindow &grid, WORD key, int shift) override { return owner_.OnGridKey(grid, key, shift); }

  private:
    MainWindow &owner_;
};
