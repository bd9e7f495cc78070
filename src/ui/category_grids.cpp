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
    {"", 0, kAlignGeneral},
    {"", 0, kAlignGeneral},
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
    const int g = loc.Category;
    GridModel &grid = Grid(g);
    const int row = NextRow(grid);
    grid.SetCellPicture(row, kColCheck, loc.MainKey != nullptr ? pictures.RegPic() : pictures.FilePic());
    const std::string &keyText = loc.Passes[static_cast<size_t>(pass)].KeyText;
    for (int c = kColName; c <= kColImagePath; ++c)
        grid.SetTextArray(CellIndex(row, c, g), keyText);
    grid.SetTextArray(CellIndex(row, kColLocation, g), std::to_string(location));
    grid.SetTextArray(CellIndex(row, kColEntry, g), "0");
    grid.SetMergeRow(row, true);
    grid.SetCellBackColor(row, kColName, kColorInactiveBorder);
}

void CategoryGrids::WriteEntryRow(int location, int entry, GridPictures &pictures) {
    ScanLocation &loc = ScanLocations()[static_cast<size_t>(location)];
    StartupEntry &item = loc.Entries[static_cast<size_t>(entry)];
    const int g = loc.Category;
    GridModel &grid = Grid(g);
    const int row = NextRow(grid);
    grid.SetCellFont(row, kColCheck, kCheckFont, kCheckFontSize);
    grid.SetCellAlignment(row, kColCheck, kAlignCenterCenter);
    grid.SetTextArray(CellIndex(row, kColCheck, g), item.Disabled ? kCheckOff : kCheckOn);
    grid.SetTextArray(CellIndex(row, kColLocation, g), std::to_string(location));
    grid.SetTextArray(CellIndex(row, kColEntry, g), std::to_string(entry));
    if (item.HasFile) {
        grid.SetCellPicture(row, kColIcon, pictures.FileIcon(item.ImagePath));
        grid.SetTextArray(CellIndex(row, kColPublisher, g), item.VersionInfo[1]);
    } else {
        grid.SetCellPicture(row, kColIcon, pictures.DisPic());
        grid.SetTextArray(CellIndex(row, kColPublisher, g), kUnableToAccess);
    }
    grid.SetTextArray(CellIndex(row, kColName, g), item.EntryName);
    grid.SetTextArray(CellIndex(row, kColDescription, g),
                      item.Description.empty() ? item.VersionInfo[2] : item.Description);
    grid.SetTextArray(CellIndex(row, kColImagePath, g), item.ImagePath);
    item.GridRow = static_cast<short>(row);
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
}

void CategoryGrids::ClearGrids(SelectionState &selection) {
    for (int g = 1; g <= kGridCount; ++g) {
        GridModel &grid = Grid(g);
        grid.SetRows(1);
        grid.SetRows(kGridMinRows);
        grid.SetRow(0);
    }
    // The rows of the old selection are gone: nothing may point at them.
    selection.Reset();
}

void CategoryGrids::UnhighlightRow(SelectionState &selection) {
    if (selection.CurrentGrid < 1)
        return;
    if (selection.CurrentGrid <= kGridCount && selection.CurrentRow >= 1) {
        GridModel &grid = Grid(selection.CurrentGrid);
        const GridColor back = selection.HeaderRowSelected ? kColorInactiveBorder : kColorWindow;
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
        if (!grid.TextArray(CellIndex(r, kColLocation, gridIndex)).empty())
            return r;
    return 0;
}

std::string CategoryGrids::GetGridsText() const {
    std::string text;
    size_t rows = 0;
    for (int g = 1; g <= kGridCount; ++g)
        rows += static_cast<size_t>(Grid(g).Rows());
    text.reserve(rows * 128);
    for (int g = 1; g <= kGridCount; ++g) {
        int index = g;
        const int last = GetLastRow(index);
        for (int r = 1; r <= last; ++r) {
            if (Cell(r, kColEntry, g) == "0") {
                text += Cell(r, kColName, g);
            } else {
                text += " + ";
                text += Cell(r, kColName, g);
                text += '\t';
                text += Cell(r, kColDescription, g);
                text += '\t';
                text += Cell(r, kColPublisher, g);
                text += '\t';
                text += Cell(r, kColImagePath, g);
            }
            text += "\r\n";
        }
    }
    return text;
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
