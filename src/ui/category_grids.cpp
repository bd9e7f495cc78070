#include "ui/category_grids.h"

#include <exception>

#include "scan/state.h"
#include "system/files.h"
#include "system/log.h"

namespace {

struct ColumnLayout {
    const char *caption;
    int width; // twips
    GridAlign alignment;
};

constexpr std::array<ColumnLayout, kGridCols> kColumns = {{
    {"", 280, kAlignGeneral},
    {"", 240, kAlignGeneral},
    {"Autorun Entry", 2000, kAlignLeftCenter},
    {"Description", 2800, kAlignLeftCenter},
    {"Publisher", 2000, kAlignLeftCenter},
    {"Image Path", 5500, kAlignGeneral},
}};

bool PassHasEntry(const ScanLocation &location, int pass) {
    for (int e = 1; e <= UpperBound(location.Entries); ++e)
        if (location.Entries[static_cast<size_t>(e)].PassIndex == pass)
            return true;
    return false;
}

} // namespace

bool AllMicrosoft(const ScanLocation &location, int pass) {
    for (int e = 1; e <= UpperBound(location.Entries); ++e) {
        const StartupEntry &entry = location.Entries[static_cast<size_t>(e)];
        if (entry.PassIndex == pass && !entry.IsMicrosoft)
            return false;
    }
    return true;
}

CategoryGrids::CategoryGrids() { SetUpColumns(); }

GridModel &CategoryGrids::Grid(int index) {
    return grids_[static_cast<size_t>(index >= 1 && index <= kGridCount ? index : 1)];
}

const GridModel &CategoryGrids::Grid(int index) const {
    return grids_[static_cast<size_t>(index >= 1 && index <= kGridCount ? index : 1)];
}

void CategoryGrids::SetUpColumns() {
    for (int g = 1; g <= kGridCount; ++g) {
        GridModel &grid = Grid(g);
        grid.SetCols(kGridCols);
        grid.SetRows(kGridMinRows);
        for (int c = 0; c < kGridCols; ++c) {
            const ColumnLayout &layout = kColumns[static_cast<size_t>(c)];
            grid.SetTextArray(CellIndex(0, c, g), layout.caption);
            grid.SetColWidth(c, layout.width);
            grid.SetColAlignment(c, layout.alignment);
        }
        grid.SetRow(0);
    }
}

int CategoryGrids::CellIndex(int row, int col, int gridIndex) const { return Grid(gridIndex).CellIndex(row, col); }

const std::string &CategoryGrids::Cell(int row, int col, int gridIndex) const {
    return Grid(gridIndex).TextArray(CellIndex(row, col, gridIndex));
}

int CategoryGrids::NextRow(GridModel &grid) {
    if (grid.Row() + 2 > grid.Rows())
        grid.SetRows(grid.Rows() + 1);
    grid.SetRow(grid.Row() + 1);
    return grid.Row();
}

void CategoryGrids::WriteHeaderRow(int location, int pass, GridPictures &pictures) {
    const ScanLocation &loc = ScanLocations()[static_cast<size_t>(location)];
    GridModel &grid = Grid(loc.Category);
    const int row = NextRow(grid);
    WriteRowTexts(grid, row, RowRef{location, pass, 0});
    grid.SetCellPicture(row, kColCheck, loc.MainKey != nullptr ? pictures.RegPic() : pictures.FilePic());
    grid.SetMergeRow(row, true);
    grid.SetCellBackColor(row, kColName, kColorInactiveBorder);
}

void CategoryGrids::WriteEntryRow(int location, int entry, GridPictures &pictures) {
    const StartupEntry &item = ScanLocations()[static_cast<size_t>(location)].Entries[static_cast<size_t>(entry)];
    GridModel &grid = Grid(ScanLocations()[static_cast<size_t>(location)].Category);
    const int row = NextRow(grid);
    WriteRowTexts(grid, row, RowRef{location, item.PassIndex, entry});
    grid.SetCellFont(row, kColCheck, kCheckFont, kCheckFontSize);
    grid.SetCellAlignment(row, kColCheck, kAlignCenterCenter);
    grid.SetTextMatrix(row, kColCheck, CheckGlyph(item.Disabled));
    grid.SetCellPicture(row, kColIcon, item.HasFile ? pictures.FileIcon(item.ImagePath) : pictures.DisPic());
}

void CategoryGrids::WriteRowTexts(GridModel &grid, int row, const RowRef &ref) {
    grid.SetRef(row, ref);
    const RowTexts texts = TextsOf(ScanLocations(), ref);
    for (int c = kColName; c <= kColImagePath; ++c)
        grid.SetTextMatrix(row, c, texts[static_cast<size_t>(c - kColName)]);
}

void CategoryGrids::LoadGrids(GridPictures &pictures) {
    try {
        auto &locations = ScanLocations();
        for (int l = 1; l <= UpperBound(locations); ++l) {
            const ScanLocation &loc = locations[static_cast<size_t>(l)];
            if (loc.Category < 1 || loc.Category > kGridCount)
                continue;
            const int passes = UpperBound(loc.Passes);
            if (UpperBound(loc.Entries) < 1) {
                if (options_.IncludeEmpty)
                    for (int p = 1; p <= passes; ++p)
                        WriteHeaderRow(l, p, pictures);
                continue;
            }
            for (int p = 1; p <= passes; ++p) {
                if (!PassHasEntry(loc, p))
                    continue;
                if (!options_.IncludeEmpty && options_.HideMicrosoft && AllMicrosoft(loc, p))
                    continue;
                WriteHeaderRow(l, p, pictures);
                for (int e = 1; e <= UpperBound(loc.Entries); ++e) {
                    const StartupEntry &item = loc.Entries[static_cast<size_t>(e)];
                    if (item.PassIndex != p || item.Deleted || (options_.HideMicrosoft && item.IsMicrosoft))
                        continue;
                    WriteEntryRow(l, e, pictures);
                }
            }
        }
    } catch (const std::exception &error) {
        WriteLog(std::string("LoadGrids ") + error.what());
    }
    // The current row was the write cursor: after the fill no row is reached,
    // so the first step down reaches the first row.
    for (int g = 1; g <= kGridCount; ++g)
        Grid(g).SetRow(0);
}

void CategoryGrids::ClearGrids(SelectionState &selection) {
    for (int g = 1; g <= kGridCount; ++g) {
        GridModel &grid = Grid(g);
        grid.SetRows(1);
        grid.SetRows(kGridMinRows);
        grid.SetRow(0);
    }
    // The selected row is gone: the selection names no row (and with that
    // no entry) until the next click.
    selection.CurrentRow = 0;
}

void CategoryGrids::UnhighlightRow(SelectionState &selection) {
    if (selection.CurrentGrid < 1)
        return;
    if (selection.CurrentGrid <= kGridCount && selection.CurrentRow >= 1) {
        GridModel &grid = Grid(selection.CurrentGrid);
        // The row may show something else by now (a Delete moves rows up).
        const GridColor back = grid.Ref(selection.CurrentRow).IsHeader() ? kColorInactiveBorder : kColorWindow;
        for (int c = kColName; c <= kColImagePath; ++c) {
            grid.SetCellBackColor(selection.CurrentRow, c, back);
            grid.SetCellForeColor(selection.CurrentRow, c, kColorWindowText);
        }
    }
    selection.Reset();
}

int CategoryGrids::GetLastRow(int &gridIndex) const {
    if (gridIndex < 1 || gridIndex > kGridCount) {
        WriteLog("Invalid GridIndex = " + std::to_string(gridIndex));
        gridIndex = 1;
        return 0;
    }
    // Rows taken out by Delete leave empty rows at the end of any grid, so
    // the last filled row is searched for, not assumed.
    const GridModel &grid = Grid(gridIndex);
    for (int r = grid.Rows() - 1; r >= 1; --r)
        if (grid.Ref(r).Filled())
            return r;
    return 0;
}

std::vector<RowRef> CategoryGrids::ShownRows() const {
    std::vector<RowRef> rows;
    for (int g = 1; g <= kGridCount; ++g) {
        int index = g;
        const int last = GetLastRow(index);
        for (int r = 1; r <= last; ++r)
            rows.push_back(Grid(g).Ref(r));
    }
    return rows;
}

std::string CategoryGrids::GetGridsText() const {
    std::string text;
    for (int g = 1; g <= kGridCount; ++g) {
        int index = g;
        const int last = GetLastRow(index);
        const GridModel &grid = Grid(g);
        for (int r = 1; r <= last; ++r) {
            const bool header = grid.Ref(r).IsHeader();
            RowTexts cells;
            for (int c = kColName; c <= kColImagePath; ++c)
                cells[static_cast<size_t>(c - kColName)] = grid.TextMatrix(r, c);
            text.append(header ? "" : " + ").append(RowLine(cells, header)).append("\r\n");
        }
    }
    return text;
}

void CategoryGrids::SetCheck(int gridIndex, int row, bool disabled) {
    Grid(gridIndex).SetTextMatrix(row, kColCheck, CheckGlyph(disabled));
}

void CategoryGrids::SetIncludeEmpty(bool on, SelectionState &selection, GridPictures &pictures) {
    options_.IncludeEmpty = on;
    ClearGrids(selection);
    LoadGrids(pictures);
}

void CategoryGrids::SetHideMicrosoft(bool on, SelectionState &selection, GridPictures &pictures) {
    options_.HideMicrosoft = on;
    ClearGrids(selection);
    LoadGrids(pictures);
}

void SaveGridsList(const CategoryGrids &grids, SaveListUi &ui) {
    const std::string file = ui.AskSaveFile();
    if (file.empty())
        return;
    const std::string text = grids.GetGridsText();
    if (WriteStringToFile(file, text) != static_cast<long>(text.size()))
        ui.Tell(kSaveFailed);
}
