// Locations whose subkeys are the entries: the Winsock protocol catalogue
// (one "PackedCatalogItem" per catalogue entry) and the print monitors (one
// subkey per monitor with its "Driver").
#include <windows.h>

#include <string>

#include "registry/access.h"
#include "registry/values.h"
#include "scan/catalog_item.h"
#include "scan/category_handlers.h"
#include "scan/imagepath.h"
#include "system/codepage.h"

namespace {

// Location 64. The catalogue has no disabled store: its entries can only be
// deleted, and a subkey named "AutorunsDisabled" is read like any other.
void ScanWinsockCatalog(PassContext &ctx) {
    for (const SubKeyName &key : EnumSubKeyNames(ctx.key)) {
        const std::string &name = key.name;
        ScopedKey sub(OpenPassSubKey(ctx, name));
        if (!sub)
            continue;
        const RegValue value = ReadValue(sub.get(), "PackedCatalogItem");
        if (!value.present)
            continue;
        const CatalogItem item = ParseCatalogItem(value.data);
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = AnsiText(item.protocolName);
        e.ImagePath = RemapDrive(ExpandEnvVars(item.providerPath, ctx.Install), ctx.Install);
        e.ItemName = name;
        e.ItemType = kItemSubKey;
        e.HeldName = key.wide;
    }
}

// Location 65. The disabled monitors are listed where "AutorunsDisabled"
// falls among the monitor names.
void ScanPrintMonitors(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub(OpenPassSubKey(ctx, name));
        if (!sub)
            return;
        const RegValue driver = ReadValue(sub.get(), "Driver");
        if (!driver.present)
            return;
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = name;
        e.ImagePath = ResolveFilePath(CleanString(driver.data), ctx.Install);
        e.ItemType = kItemSubKey;
        e.Disabled = ctx.DisabledPass;
    });
}

} // namespace

void ScanProviderLocation(PassContext &ctx) {
    if (ctx.Category == kCatWinsock)
        ScanWinsockCatalog(ctx);
    else if (ctx.Category == kCatPrintMonitors)
        ScanPrintMonitors(ctx);
}
