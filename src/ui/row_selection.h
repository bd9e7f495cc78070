// The selection of a grid row on the category grids' data: the row and its
// location header row become the selection state and the row is
// highlighted. The window side adds the menus, the file panel and the toggle.
#pragma once
#include <optional>

#include "ui/category_grids.h"
#include "ui/selection.h"
#include "ui/selection_rules.h"

// One grid's cells as the selection rules read them.
class ModelCells : public GridCells {
  public:
    explicit ModelCells(const GridModel &model) : model_(model) {}
    int Rows() const override { return model_.Rows(); }
    std::string Text(int row, int col) const override {
        return model_.ValidCell(row, col) ? model_.TextMatrix(row, col) : std::string();
    }
    RowRef Ref(int row) const override { return model_.Ref(row); }

  private:
    const GridModel &model_;
};

// Selects the current row of grid `index` (1..14): the previous selection
// loses its highlight, the state is written and the row highlighted. Returns
// what was selected (select false: nothing changed).
ClickTarget SelectGridRow(CategoryGrids &grids, SelectionState &selection, int index, SelectBy by);

// The row the selection names, while that row still shows what was selected
// (the same location and entry, or the same header row) and a selected entry
// is not deleted; none otherwise. Every command on the selection asks this
// one question, so that they agree on what is selected.
std::optional<RowRef> SelectedRow(const CategoryGrids &grids, const SelectionState &selection);
