// The data of one grid, kept apart from the window that draws it: a flat array
// of cells addressed row * Cols + col (text, back and text colour, font,
// alignment, 16x16 picture), the column captions' row (row 0, the one fixed
// row), column widths and alignments, per row a merge flag and the records
// the row shows, the current cell and the top visible row. No window here: the grid code is tested on it, and
// GridWindow draws it, told of every change through GridListener.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "changes/shown_rows.h"

// A colour as the grid code stores it: an RGB value (0x00BBGGRR), or a
// system colour index n stored as 0x80000000 | n. 0 stands for the grid's
// default colour (window background, window text).
using GridColor = std::uint32_t;
constexpr GridColor kGridDefaultColor = 0;
constexpr GridColor kSysColorFlag = 0x80000000u;
constexpr GridColor kColorActiveCaption = 0x80000002u;  // selected row, back
constexpr GridColor kColorWindow = 0x80000005u;         // entry row, back
constexpr GridColor kColorWindowText = 0x80000008u;     // every row, text
constexpr GridColor kColorInactiveBorder = 0x8000000Bu; // header row, back
constexpr GridColor kColorHighlightText = 0x8000000Eu;  // selected row, text

// Alignment of a cell's text: 0..8 are left/centre/right x top/centre/bottom,
// 9 the grid's general alignment (left, vertically centred), and
// kAlignFromColumn takes the column's alignment.
enum GridAlign : std::int8_t {
    kAlignFromColumn = -1,
    kAlignLeftTop = 0,
    kAlignLeftCenter = 1,
    kAlignLeftBottom = 2,
    kAlignCenterTop = 3,
    kAlignCenterCenter = 4,
    kAlignCenterBottom = 5,
    kAlignRightTop = 6,
    kAlignRightCenter = 7,
    kAlignRightBottom = 8,
    kAlignGeneral = 9
};

// A 16x16 picture known to whoever draws the grid; 0 is none.
using PictureId = std::uint32_t;

// One font named by a cell; the default font has an empty name.
struct GridFont {
    std::string name;
    float size = 0;
    bool operator==(const GridFont &) const = default;
};

// Told of changes so that only what changed is drawn again.
class GridListener {
  public:
    virtual ~GridListener() = default;
    // Cells of rows first..last changed (texts, colours, pictures, merging).
    virtual void RowsChanged(int first, int last) = 0;
    // The shape changed: row or column count, widths, alignment, top row.
    virtual void LayoutChanged() = 0;
};

// The text a cell shows in width pixels, measure giving a text's width: the
// whole text when it fits, else a shortened one ending or broken by "...".
// A text holding a backslash is a path (image path, key or folder): it keeps
// its last part, the file name, and loses its middle; any other text loses
// its end.
using TextMeasure = std::function<int(std::string_view)>;
std::string FitCellText(const std::string &text, int width, const TextMeasure &measure);

class GridModel {
  public:
    static constexpr int kFixedRows = 1;
    static constexpr int kDefaultColWidth = 960; // twips

    explicit GridModel(int cols = 2, int rows = 2);

    void SetListener(GridListener *listener) { listener_ = listener; }

    // Shape. Rows never falls below the fixed row; shrinking drops the rows
    // at the end with everything they hold, growing appends empty rows.
    int Cols() const { return cols_; }
    void SetCols(int cols);
    int Rows() const { return rows_; }
    void SetRows(int rows);
    void Reserve(int rows);
    // Takes one row out; the rows below move up, with what they show.
    void RemoveItem(int row);

    // Current cell and first visible scrolling row.
    int Row() const { return row_; }
    void SetRow(int row);
    // The current row as the place a row was taken out of: the row standing
    // there now was never reached, so the next step down reaches it (and a
    // step up the row above). Any SetRow ends it.
    void SetRowVacated(int row);
    bool RowVacated() const { return vacated_; }
    int Col() const { return col_; }
    void SetCol(int col);
    int TopRow() const { return topRow_; }
    void SetTopRow(int row);

    // Columns. A width of 0 hides the column; its cells keep their texts.
    int ColWidth(int col) const;
    void SetColWidth(int col, int twips);
    GridAlign ColAlignment(int col) const;
    void SetColAlignment(int col, GridAlign alignment);

    // Cells, through their flat index (CellIndex) or row and column.
    int CellIndex(int row, int col) const { return row * cols_ + col; }
    bool ValidCell(int row, int col) const { return row >= 0 && row < rows_ && col >= 0 && col < cols_; }
    const std::string &TextArray(int index) const;
    void SetTextArray(int index, std::string text);
    const std::string &TextMatrix(int row, int col) const { return TextArray(CellIndex(row, col)); }
    void SetTextMatrix(int row, int col, std::string text) { SetTextArray(CellIndex(row, col), std::move(text)); }

    GridColor CellBackColor(int row, int col) const;
    void SetCellBackColor(int row, int col, GridColor color);
    GridColor CellForeColor(int row, int col) const;
    void SetCellForeColor(int row, int col, GridColor color);
    // Font of the cell; the default font has an empty name and size 0.
    const GridFont &CellFont(int row, int col) const;
    void SetCellFont(int row, int col, const std::string &name, float size);
    // The cell's own alignment (kAlignFromColumn when it has none) and the
    // one it is drawn with.
    GridAlign CellAlignment(int row, int col) const;
    GridAlign EffectiveAlignment(int row, int col) const;
    void SetCellAlignment(int row, int col, GridAlign alignment);
    PictureId CellPicture(int row, int col) const;
    void SetCellPicture(int row, int col, PictureId picture);

    // Merge flag of a row: cells kMergeFirst to kMergeLast drawn as one.
    static constexpr int kMergeFirst = 2;
    static constexpr int kMergeLast = 5;
    bool MergeRow(int row) const;
    void SetMergeRow(int row, bool merge);

    // The records a row shows; an empty reference for a row that shows none.
    const RowRef &Ref(int row) const;
    void SetRef(int row, const RowRef &ref);

    const std::string &ToolTipText() const { return toolTip_; }
    void SetToolTipText(std::string text) { toolTip_ = std::move(text); }

  private:
    struct Cell {
        std::string text;
        GridColor back = kGridDefaultColor;
        GridColor fore = kGridDefaultColor;
        PictureId picture = 0;
        std::uint16_t font = 0; // index into fonts_
        GridAlign align = kAlignFromColumn;
    };
    Cell *CellAt(int row, int col);
    const Cell *CellAt(int row, int col) const;
    void Touched(int row);
    void Reshaped();
    void ClampCursor();

    int cols_;
    int rows_;
    int row_ = 0;
    bool vacated_ = false;
    int col_ = 0;
    int topRow_ = kFixedRows;
    struct RowInfo {
        bool merge = false;
        RowRef ref;
    };
    std::vector<Cell> cells_;
    std::vector<RowInfo> rowInfo_;
    std::vector<int> colWidth_;
    std::vector<GridAlign> colAlign_;
    std::vector<GridFont> fonts_;
    std::string toolTip_;
    GridListener *listener_ = nullptr;
};
