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

std::string RowLine(const RowTexts &texts, bool header) {
    std::string line = texts[0];
    for (size_t i = 1; i < texts.size() && !header; ++i)
        line.append(1, '\t').append(texts[i]);
    return line;
}
