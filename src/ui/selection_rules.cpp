#include "ui/selection_rules.h"

#include <windows.h>

#include <oleauto.h>

#include <cmath>

const char *const kFilePanelHelp = "Information on Selected File";
const char *const kFileIconHelp = "File Icon";
const char *const kLocationHelp = "Location of Startup Entry in the Registry or File System";

ClickTarget ResolveClick(const GridCells &grid, int row, int col, SelectBy by) {
    ClickTarget target;
    if (row <= 0 || row >= grid.Rows())
        return target;
    // Below the data: the last filled row, as if its name had been clicked.
    while (!grid.Ref(row).Filled()) {
        --row;
        col = kColName;
        if (row < 1)
            return target;
    }
    target.select = true;
    target.row = row;
    target.col = col;
    for (int r = row; r >= 1; --r) {
        if (grid.Ref(r).IsHeader()) {
            target.locationRow = r;
            break;
        }
    }
    target.headerRow = grid.Ref(row).IsHeader();
    target.toggle = by == SelectBy::LeftClick && col == kColCheck && !target.headerRow;
    return target;
}

HoverHelp GridHoverHelp(const GridCells &grid, int row, int col) {
    HoverHelp help;
    if (row < 0 || row >= grid.Rows() || col < 0)
        return help;
    const bool header = row > 0 && grid.Ref(row).IsHeader();
    if (col == kColCheck || col == kColIcon) {
        if (!header)
            help.status = col == kColCheck ? "Checkbox to Disable and Enable Startup Items" : kFileIconHelp;
        return help;
    }
    help.status = header ? kLocationHelp : grid.Text(0, col);
    help.setTooltip = true;
    help.tooltip = grid.Text(row, col);
    return help;
}

std::string CopyText(const GridCells &grid, int row, bool headerRow) {
    RowTexts texts;
    for (int col = kColName; col <= kColImagePath; ++col)
        texts[static_cast<size_t>(col - kColName)] = grid.Text(row, col);
    return RowLine(texts, headerRow);
}

std::array<std::string, 8> FilePanelLabels(const StartupEntry &entry, std::string (*formatDate)(DateSerial)) {
    std::array<std::string, 8> labels;
    for (int i = 0; i < 6; ++i)
        labels[i] = entry.VersionInfo[i + 1];
    if (std::round(entry.Created) >= 2) {
        labels[6] = "Created: " + formatDate(entry.Created);
        labels[7] = "Modified: " + formatDate(entry.Modified);
    }
    return labels;
}

std::string ShortDateText(DateSerial date) {
    SYSTEMTIME time{};
    if (!VariantTimeToSystemTime(date, &time))
        return {};
    char buffer[80] = {};
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, buffer, sizeof(buffer)) == 0)
        return {};
    return buffer;
}
