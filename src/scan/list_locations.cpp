// The system lists: the native programs run at boot ("BootExecute"), the
// packages the local security authority loads, and the libraries every process
// maps from the system folder (KnownDlls). Each list item or value is one
// entry; the disabled ones live below the key's "AutorunsDisabled" subkey.
#include <string>
#include <vector>

#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/imagepath.h"

namespace {

// The items of the location's list value, read whole and split at its NULs;
// no item when the value is missing.
std::vector<std::string> ListItems(const PassContext &ctx) {
    const RegValue value = ReadValue(ctx.key, ctx.ValueName);
    if (!value.present)
        return {};
    return SplitMultiStringData(value.data);
}

std::vector<std::string> Words(const std::string &item) {
    std::vector<std::string> words;
    size_t pos = 0;
    while (pos < item.size()) {
        const size_t start = item.find_first_not_of(' ', pos);
        if (start == std::string::npos)
            break;
        size_t end = item.find(' ', start);
        if (end == std::string::npos)
            end = item.size();
        words.push_back(item.substr(start, end - start));
        pos = end;
    }
    return words;
}

// Location 50: a boot command is named by its first word; the program it runs
// is its second word when arguments follow ("autocheck autochk *"), else the
// first.
void ScanBootExecute(PassContext &ctx) {
    for (const std::string &item : ListItems(ctx)) {
        const std::vector<std::string> words = Words(item);
        if (words.empty())
            continue;
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = words[0];
        e.ItemName = item; // the whole command: what the list holds
        e.ImagePath = SystemPath(ctx.Install) + (words.size() > 2 ? words[1] : words[0]) + ".exe";
        e.ItemType = kItemOwnValue;
        e.Disabled = ctx.DisabledPass;
    }
}

// Locations 66 to 68: each item names a library in the system folder.
void ScanPackages(PassContext &ctx) {
    for (const std::string &item : ListItems(ctx)) {
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = item;
        e.ImagePath = SystemPath(ctx.Install) + item + ".dll";
        e.ItemType = kItemOwnValue;
        e.Disabled = ctx.DisabledPass;
    }
}

// Location 56: every value but "DllDirectory" and "DllDirectory32" (the
// folders they are taken from, the 32-bit one on 64-bit Windows) names a
// known library.
void ScanKnownDlls(PassContext &ctx) {
    for (const NamedRegValue &v : EnumValues(ctx.key)) {
        if (v.wide == L"DllDirectory" || v.wide == L"DllDirectory32")
            continue;
        const size_t before = ctx.Entries.size();
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = v.name;
        e.ImagePath = SystemPath(ctx.Install) + v.value.Text();
        e.ItemType = kItemNamedValue;
        e.Disabled = ctx.DisabledPass;
        HoldEntries(ctx, before, v.wide);
    }
}

} // namespace

void ScanListLocation(PassContext &ctx) {
    switch (ctx.Category) {
    case kCatBootExecute:
        ScanBootExecute(ctx);
        break;
    case kCatKnownDlls:
        ScanKnownDlls(ctx);
        break;
    case kCatLsa:
        ScanPackages(ctx);
        break;
    default:
        return;
    }
    // The disabled items follow the live ones; the disabled store itself is
    // never searched for a further level.
    if (!ctx.DisabledPass)
        LoadDisabledPass(ctx);
}
