// The registry locations of the "Logon" category: single values of the
// Winlogon and Terminal Server keys, the logon scripts, and the Run-type keys.
#include "registry/access.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/imagepath.h"
#include "scan/pathops.h"
#include "scan/state.h"
#include "system/log.h"

namespace {

// Location 1: a program name in the system folder.
void ScanStartupPrograms(PassContext &ctx) {
    const SingleValue value = ReadSingleValue(ctx);
    if (value.text.empty())
        return;
    StartupEntry &e = AppendEntry(ctx);
    e.EntryName = value.text;
    e.ImagePath = SystemPath(ctx.Install) + value.text;
    if (value.text.find('.') == std::string::npos)
        e.ImagePath += ".exe";
    e.Disabled = value.disabled;
    e.ItemType = kItemOwnValue;
}

// Location 2: programs separated by ", ".
void ScanAppSetup(PassContext &ctx) {
    const SingleValue value = ReadSingleValue(ctx);
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const auto sep = value.text.find(", ", start);
        items.push_back(value.text.substr(start, sep == std::string::npos ? std::string::npos : sep - start));
        if (sep == std::string::npos)
            break;
        start = sep + 2;
    }
    if (items.front().empty())
        return;
    for (const auto &item : items) {
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = item;
        e.ImagePath = RemapDrive(AddSystemPath(item, ctx.Install), ctx.Install);
        e.Disabled = value.disabled;
        e.ItemType = kItemOwnValue;
    }
}

// The program a Userinit or Shell value names: separators at its end (a
// trailing comma, blanks) are dropped, nothing else.
std::string TrimValueEnd(std::string text) {
    while (!text.empty() && (text.back() == ',' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Locations 6 to 9, 20 and 21.
void ScanProgramValue(PassContext &ctx) {
    const SingleValue value = ReadSingleValue(ctx);
    if (value.text.empty())
        return;
    StartupEntry &e = AppendEntry(ctx);
    e.ImagePath = RemapDrive(TrimValueEnd(value.text), ctx.Install);
    e.EntryName = FileNamePart(e.ImagePath);
    e.Disabled = value.disabled;
    e.ItemType = kItemOwnValue;
}

// Location 10: the machine's shell, in the Windows folder.
void ScanMachineShell(PassContext &ctx) {
    const SingleValue value = ReadSingleValue(ctx);
    if (value.text.empty())
        return;
    StartupEntry &e = AppendEntry(ctx);
    e.EntryName = value.text;
    e.ImagePath = ctx.Install.windowsDir + "\\" + value.text;
    e.Disabled = value.disabled;
    e.ItemType = kItemOwnValue;
}

// Locations 3 and 4: one subkey per script, with "Script" and "DisplayName";
// the disabled scripts are listed where their key falls in the list.
void ScanScripts(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub(OpenPassSubKey(ctx, name));
        if (!sub)
            return;
        const RegValue script = ReadValue(sub.get(), "Script");
        if (!script.present)
            return;
        StartupEntry &e = AppendEntry(ctx);
        e.ImagePath = RemapDrive(CleanString(script.data), ctx.Install);
        const RegValue display = ReadValue(sub.get(), "DisplayName");
        if (display.present)
            e.EntryName = CleanString(display.data);
        e.ItemName = name;
        e.ItemType = kItemSubKey;
        e.Disabled = ctx.DisabledPass;
    });
}

// Locations 15 to 17 and 22 to 25: every value is a command line; the
// disabled values of "AutorunsDisabled" follow the live ones.
void ScanRunKey(PassContext &ctx) {
    ForEachValue(
        ctx,
        [&](const std::string &name, const std::string &text) {
            StartupEntry &e = AppendEntry(ctx);
            e.EntryName = name;
            e.ImagePath = ResolveCommandLine(text, ctx.Install, FileMatchExists);
            e.ItemType = kItemNamedValue;
            e.Disabled = ctx.DisabledPass;
        },
        true);
}

} // namespace

void ScanLogonLocation(PassContext &ctx) {
    switch (ctx.LocIndex) {
    case 1:
        ScanStartupPrograms(ctx);
        break;
    case 2:
        ScanAppSetup(ctx);
        break;
    case 3:
    case 4:
        ScanScripts(ctx);
        break;
    case 6:
    case 7:
    case 8:
    case 9:
    case 20:
    case 21:
        ScanProgramValue(ctx);
        break;
    case 10:
        ScanMachineShell(ctx);
        break;
    case 15:
    case 16:
    case 17:
    case 22:
    case 23:
    case 24:
    case 25:
        ScanRunKey(ctx);
        break;
    case 5:
    case 11:
    case 12:
    case 13:
    case 14:
    case 26:
    case 27:
    case 28:
        // Listed but not scanned: their key is only reported.
        WriteLog(std::to_string(ctx.LocIndex) + " " + ctx.KeyPath + ": " + ctx.ValueName);
        break;
    default:
        break;
    }
}
