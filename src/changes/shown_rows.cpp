#include "changes/shown_rows.h"

RowTexts TextsOf(const std::vector<ScanLocation> &locations, const RowRef &row) {
    if (row.location < 1 || row.location > UpperBound(locations))
        return {};
    const ScanLocation &loc = locations[static_cast<size_t>(row.location)];
    if (row.IsHeader()) {
        if (row.pass < 1 || row.pass > UpperBound(loc.Passes))
            return {};
        const std::string &keyText = loc.Passes[static_cast<size_t>(row.pass)].KeyText;
        return {keyText, keyText, keyText, keyText};
    }
    if (row.entry > UpperBound(loc.Entries))
        return {};
    const StartupEntry &e = loc.Entries[static_cast<size_t>(row.entry)];
    return {e.EntryName, e.Description.empty() ? e.VersionInfo[2] : e.Description,
            e.HasFile ? e.VersionInfo[1] : kUnableToAccess, e.ImagePath};
}

std::string ListText(const std::vector<ScanLocation> &locations, const std::vector<RowRef> &rows) {
    std::string text;
    text.reserve(rows.size() * 128);
    for (const RowRef &row : rows) {
        const RowTexts texts = TextsOf(locations, row);
        if (row.IsHeader()) {
            text += texts[0];
        } else {
            text += " + ";
            text += texts[0];
            for (size_t i = 1; i < texts.size(); ++i)
                text.append(1, '\t').append(texts[i]);
        }
        text += "\r\n";
    }
    return text;
}
