#include "changes/entry_address.h"

#include "system/codepage.h"
#include "system/log.h"

std::string AddressedName(HKEY root, const StartupEntry &entry) {
    // A subkey or a value of the pass's key is named by the name that holds it.
    if (root != nullptr && (entry.ItemType == kItemSubKey || entry.ItemType == kItemNamedValue))
        return AnsiText(entry.HeldName);
    return entry.ItemName.empty() ? entry.EntryName : entry.ItemName;
}

bool MayActOn(const ScanLocation &loc, const StartupEntry &entry) {
    bool acts = true;
    if (loc.MainKey == nullptr)
        acts = NameActsExactly(entry.HeldName, NameUse::File);
    else if (entry.ItemType == kItemSubKey)
        acts = NameActsExactly(entry.HeldName, NameUse::SubKey);
    else if (entry.ItemType == kItemNamedValue)
        acts = NameActsExactly(entry.HeldName, NameUse::Value);
    if (!acts)
        WriteLog("The name of " + (entry.ItemName.empty() ? entry.EntryName : entry.ItemName) +
                 " cannot be acted on exactly");
    return acts;
}

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
    a.itemName = AddressedName(a.root, rec);
    a.fullKey = a.keyPath + "\\" + a.itemName;
    return a;
}
