#include "ui/grid_model.h"

#include <algorithm>

namespace {
const std::string kNoText;
const GridFont kDefaultFont;
const RowRef kNoRow;
constexpr std::string_view kEllipsis = "...";

// The longest head of text (at most limit characters) that still fits when
// tail follows it; tail alone when no head does.
std::string KeepHead(std::string_view text, size_t limit, std::string_view tail, int width,
                     const TextMeasure &measure) {
    auto joined = [&](size_t n) { return std::string(text.substr(0, n)).append(tail); };
    size_t low = 0, high = std::min(limit, text.size());
    while (low < high) {
        const size_t mid = (low + high + 1) / 2;
        if (measure(joined(mid)) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return joined(low);
}
} // namespace

std::string FitCellText(const std::string &text, int width, const TextMeasure &measure) {
    if (text.empty() || measure(text) <= width)
        return text;
    const size_t slash = text.find_last_of('\\');
    if (slash != std::string::npos && slash + 1 < text.size()) {
        const std::string tail = std::string(kEllipsis) + text.substr(slash);
        if (measure(tail) <= width)
            return KeepHead(text, slash, tail, width, measure);
        // Not even the file name fits: as much of it as does.
        return KeepHead(tail, tail.size(), kEllipsis, width, measure);
    }
    return KeepHead(text, text.size(), kEllipsis, width, measure);
}

GridModel::GridModel(int cols, int rows)
    : cols_(std::max(cols, 1)), rows_(std::max(rows, kFixedRows)),
      cells_(static_cast<size_t>(cols_) * static_cast<size_t>(rows_)), rowInfo_(static_cast<size_t>(rows_)),
      colWidth_(static_cast<size_t>(cols_), kDefaultColWidth), colAlign_(static_cast<size_t>(cols_), kAlignGeneral),
      fonts_(1) {}

void GridModel::SetCols(int cols) {
    cols = std::max(cols, 1);
    if (cols == cols_)
        return;
    std::vector<Cell> cells(static_cast<size_t>(cols) * static_cast<size_t>(rows_));
    const int keep = std::min(cols, cols_);
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < keep; ++c)
            cells[static_cast<size_t>(r * cols + c)] = std::move(cells_[static_cast<size_t>(r * cols_ + c)]);
    cells_ = std::move(cells);
    cols_ = cols;
    colWidth_.resize(static_cast<size_t>(cols), kDefaultColWidth);
    colAlign_.resize(static_cast<size_t>(cols), kAlignGeneral);
    ClampCursor();
    Reshaped();
}

void GridModel::SetRows(int rows) {
    rows = std::max(rows, kFixedRows);
    if (rows == rows_)
        return;
    // Dropped rows take their data with them: a later growth gives empty rows.
    cells_.resize(static_cast<size_t>(rows) * static_cast<size_t>(cols_));
    rowInfo_.resize(static_cast<size_t>(rows));
    rows_ = rows;
    ClampCursor();
    Reshaped();
}

void GridModel::Reserve(int rows) {
    cells_.reserve(static_cast<size_t>(rows) * static_cast<size_t>(cols_));
    rowInfo_.reserve(static_cast<size_t>(rows));
}

void GridModel::RemoveItem(int row) {
    if (row < kFixedRows || row >= rows_)
        return;
    const auto first = cells_.begin() + static_cast<std::ptrdiff_t>(row) * cols_;
    cells_.erase(first, first + cols_);
    rowInfo_.erase(rowInfo_.begin() + row);
    --rows_;
    ClampCursor();
    Reshaped();
}

void GridModel::ClampCursor() {
    row_ = std::clamp(row_, 0, rows_ - 1);
    col_ = std::clamp(col_, 0, cols_ - 1);
    topRow_ = std::clamp(topRow_, kFixedRows, std::max(rows_ - 1, kFixedRows));
}

void GridModel::SetRow(int row) {
    if (row >= 0 && row < rows_) {
        row_ = row;
        vacated_ = false;
    }
}

void GridModel::SetRowVacated(int row) {
    if (row >= 0 && row < rows_) {
        row_ = row;
        vacated_ = true;
    }
}

void GridModel::SetCol(int col) {
    if (col >= 0 && col < cols_)
        col_ = col;
}

void GridModel::SetTopRow(int row) {
    const int top = std::clamp(row, kFixedRows, std::max(rows_ - 1, kFixedRows));
    if (top == topRow_)
        return;
    topRow_ = top;
    Reshaped();
}

int GridModel::ColWidth(int col) const { return col >= 0 && col < cols_ ? colWidth_[static_cast<size_t>(col)] : 0; }

void GridModel::SetColWidth(int col, int twips) {
    if (col < 0 || col >= cols_)
        return;
    colWidth_[static_cast<size_t>(col)] = std::max(twips, 0);
    Reshaped();
}

GridAlign GridModel::ColAlignment(int col) const {
    return col >= 0 && col < cols_ ? colAlign_[static_cast<size_t>(col)] : kAlignGeneral;
}

void GridModel::SetColAlignment(int col, GridAlign alignment) {
    if (col < 0 || col >= cols_)
        return;
    colAlign_[static_cast<size_t>(col)] = alignment;
    Reshaped();
}

GridModel::Cell *GridModel::CellAt(int row, int col) {
    return ValidCell(row, col) ? &cells_[static_cast<size_t>(CellIndex(row, col))] : nullptr;
}

const GridModel::Cell *GridModel::CellAt(int row, int col) const {
    return ValidCell(row, col) ? &cells_[static_cast<size_t>(CellIndex(row, col))] : nullptr;
}

const std::string &GridModel::TextArray(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= cells_.size())
        return kNoText;
    return cells_[static_cast<size_t>(index)].text;
}

void GridModel::SetTextArray(int index, std::string text) {
    if (index < 0 || static_cast<size_t>(index) >= cells_.size())
        return;
    std::string &cell = cells_[static_cast<size_t>(index)].text;
    if (cell == text)
        return;
    cell = std::move(text);
    Touched(index / cols_);
}

GridColor GridModel::CellBackColor(int row, int col) const {
    const Cell *cell = CellAt(row, col);
    return cell ? cell->back : kGridDefaultColor;
}

void GridModel::SetCellBackColor(int row, int col, GridColor color) {
    if (Cell *cell = CellAt(row, col); cell && cell->back != color) {
        cell->back = color;
        Touched(row);
    }
}

GridColor GridModel::CellForeColor(int row, int col) const {
    const Cell *cell = CellAt(row, col);
    return cell ? cell->fore : kGridDefaultColor;
}

void GridModel::SetCellForeColor(int row, int col, GridColor color) {
    if (Cell *cell = CellAt(row, col); cell && cell->fore != color) {
        cell->fore = color;
        Touched(row);
    }
}

const GridFont &GridModel::CellFont(int row, int col) const {
    const Cell *cell = CellAt(row, col);
    return cell ? fonts_[cell->font] : kDefaultFont;
}

void GridModel::SetCellFont(int row, int col, const std::string &name, float size) {
    Cell *cell = CellAt(row, col);
    if (!cell)
        return;
    // Cells share a small table of fonts, so a cell carries a number, not a name.
    const GridFont font{name, size};
    auto found = std::find(fonts_.begin(), fonts_.end(), font);
    if (found == fonts_.end()) {
        if (fonts_.size() > 0xFFFF)
            return;
        fonts_.push_back(font);
        found = fonts_.end() - 1;
    }
    const auto index = static_cast<std::uint16_t>(found - fonts_.begin());
    if (cell->font != index) {
        cell->font = index;
        Touched(row);
    }
}

GridAlign GridModel::CellAlignment(int row, int col) const {
    const Cell *cell = CellAt(row, col);
    return cell ? cell->align : kAlignFromColumn;
}

GridAlign GridModel::EffectiveAlignment(int row, int col) const {
    const GridAlign own = CellAlignment(row, col);
    return own == kAlignFromColumn ? ColAlignment(col) : own;
}

void GridModel::SetCellAlignment(int row, int col, GridAlign alignment) {
    if (Cell *cell = CellAt(row, col); cell && cell->align != alignment) {
        cell->align = alignment;
        Touched(row);
    }
}

PictureId GridModel::CellPicture(int row, int col) const {
    const Cell *cell = CellAt(row, col);
    return cell ? cell->picture : 0;
}

void GridModel::SetCellPicture(int row, int col, PictureId picture) {
    if (Cell *cell = CellAt(row, col); cell && cell->picture != picture) {
        cell->picture = picture;
        Touched(row);
    }
}

bool GridModel::MergeRow(int row) const { return row >= 0 && row < rows_ && rowInfo_[static_cast<size_t>(row)].merge; }

void GridModel::SetMergeRow(int row, bool merge) {
    if (row < 0 || row >= rows_ || rowInfo_[static_cast<size_t>(row)].merge == merge)
        return;
    rowInfo_[static_cast<size_t>(row)].merge = merge;
    Touched(row);
}

const RowRef &GridModel::Ref(int row) const {
    return row >= 0 && row < rows_ ? rowInfo_[static_cast<size_t>(row)].ref : kNoRow;
}

void GridModel::SetRef(int row, const RowRef &ref) {
    if (row >= 0 && row < rows_)
        rowInfo_[static_cast<size_t>(row)].ref = ref;
}

void GridModel::Touched(int row) {
    if (listener_)
        listener_->RowsChanged(row, row);
}

void GridModel::Reshaped() {
    if (listener_)
        listener_->LayoutChanged();
}
