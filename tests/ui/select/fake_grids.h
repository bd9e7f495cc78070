// Grids laid out by a test: rows of eight cells, row 0 the captions.
#pragma once
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/search.h"
#include "ui/selection_rules.h"

using Row = std::vector<std::string>;

inline Row Header(const std::string &location, const std::string &number) {
    return {"", "", location, "", "", "", number, "0"};
}
inline Row Entry(const std::string &name, const std::string &description, const std::string &publisher,
                 const std::string &path, const std::string &number, const std::string &entry) {
    return {"\xFE", "", name, description, publisher, path, number, entry};
}
inline Row EmptyRow() { return Row(8); }

class FakeGrid : public GridCells {
  public:
    explicit FakeGrid(std::vector<Row> rows = {}) : rows_(std::move(rows)) {
        rows_.insert(rows_.begin(), Row{"", "", "Autorun Entry", "Description", "Publisher", "Image Path", "", ""});
    }
    int Rows() const override { return static_cast<int>(rows_.size()); }
    std::string Text(int row, int col) const override { return rows_.at(row).at(col); }
    // The records a row shows, from its hidden location and entry numbers.
    RowRef Ref(int row) const override {
        const Row &cells = rows_.at(row);
        if (row < 1 || cells[6].empty())
            return {};
        return {std::stoi(cells[6]), 1, std::stoi(cells[7])};
    }
    int LastRow() const {
        for (int r = Rows() - 1; r >= 1; --r)
            if (!rows_[r][6].empty())
                return r;
        return 0;
    }

  private:
    std::vector<Row> rows_;
};

class FakeGrids : public SearchGrids {
  public:
    std::map<int, FakeGrid> grids;
    int currentGrid = 0, currentRow = 0;
    int selections = 0;
    int LastRow(int grid) const override {
        auto it = grids.find(grid);
        return it == grids.end() ? 0 : it->second.LastRow();
    }
    std::string Text(int grid, int row, int col) const override { return grids.at(grid).Text(row, col); }
    RowRef Ref(int grid, int row) const override { return grids.at(grid).Ref(row); }
    void SelectHit(int grid, int row) override {
        currentGrid = grid;
        currentRow = row;
        ++selections;
    }
};
