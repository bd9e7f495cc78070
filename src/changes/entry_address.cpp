#include "changes/entry_address.h"

std::string KeyPathFromHeader(const std::string &headerText) {
    const auto slash = headerText.find('\\');
    return slash == std::string::npos ? headerText : headerText.substr(slash + 1);
}

std::optional<EntryAddress> AddressOf(std::vector<ScanLocation> &locations, int location, int entry,
                                      const std::string &headerText) {
    if (location < 1 || location > UpperBound(locations))
        return std::nullopt;
    ScanLocation &loc = locations[static_cast<size_t>(location)];
    if (entry < 1 || entry > UpperBound(loc.Entries))
        return std::nullopt;
    StartupEntry &rec = loc.Entries[static_cast<size_t>(entry)];
    if (rec.Deleted)
        return std::nullopt;
    EntryAddress a;
    a.location = location;
    a.entry = entry;
    a.loc = &loc;
    a.rec = &rec;
    a.root = loc.MainKey;
    a.keyPath = KeyPathFromHeader(headerText);
    a.itemName = rec.ItemName.empty() ? rec.EntryName : rec.ItemName;
    a.fullKey = a.keyPath + "\\" + a.itemName;
    return a;
}

std::optional<EntryAddress> AddressOfPassEntry(std::vector<ScanLocation> &locations, int location, int entry) {
    if (location < 1 || location > UpperBound(locations))
        return std::nullopt;
    const ScanLocation &loc = locations[static_cast<size_t>(location)];
    if (entry < 1 || entry > UpperBound(loc.Entries))
        return std::nullopt;
    const int pass = loc.Entries[static_cast<size_t>(entry)].PassIndex;
    if (pass < 1 || pass > UpperBound(loc.Passes))
        return std::nullopt;
    return AddressOf(locations, location, entry, loc.Passes[static_cast<size_t>(pass)].KeyText);
}
