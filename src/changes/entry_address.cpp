#include "changes/entry_address.h"

std::optional<EntryAddress> AddressOf(std::vector<ScanLocation> &locations, int location, int entry) {
    if (location < 1 || location > UpperBound(locations))
        return std::nullopt;
    ScanLocation &loc = locations[static_cast<size_t>(location)];
    if (entry < 1 || entry > UpperBound(loc.Entries))
        return std::nullopt;
    StartupEntry &rec = loc.Entries[static_cast<size_t>(entry)];
    if (rec.Deleted || rec.PassIndex < 1 || rec.PassIndex > UpperBound(loc.Passes))
        return std::nullopt;
    const std::string &keyText = loc.Passes[static_cast<size_t>(rec.PassIndex)].KeyText;
    const auto slash = keyText.find('\\');
    EntryAddress a;
    a.location = location;
    a.entry = entry;
    a.loc = &loc;
    a.rec = &rec;
    a.root = loc.MainKey;
    a.keyPath = slash == std::string::npos ? keyText : keyText.substr(slash + 1);
    a.itemName = rec.ItemName.empty() ? rec.EntryName : rec.ItemName;
    a.fullKey = a.keyPath + "\\" + a.itemName;
    return a;
}
