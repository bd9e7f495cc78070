// The logon process's programs and libraries (Winlogon values and notification
// packages, the screen saver, the boot verification program) and the settings
// that start another program in place of, or together with, the requested one
// (image-file debuggers, the command processor's AutoRun, the open command of
// executable files, AppInit_DLLs). A single value that was disabled is read
// back from the key's "AutorunsDisabled" subkey and listed as disabled.
#include <string>

#include "registry/access.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/imagepath.h"

namespace {

// The open command of executable files as Windows ships it.
constexpr const char *kDefaultOpenCommand = "\"%1\" %*";
// The same arguments as they follow a replacement program.
constexpr const char *kOpenArguments = " \"%1\" %*";

// A text that names its own folder or holds a variable is resolved on the
// scanned installation instead of being put into its system folder.
bool NamesOwnFolder(const std::string &text) {
    return text.find(":\\") != std::string::npos || text.find('%') != std::string::npos;
}

// A file the system loads from its system folder by name; a full path is
// taken as it is written.
std::string ResolveSystemFile(const std::string &text, const InstallContext &install) {
    if (NamesOwnFolder(text))
        return RemapDrive(ExpandEnvVars(text, install), install);
    return SystemPath(install) + FileNamePart(text);
}

// The program a command line starts: the quoted path, else the text without
// its arguments, resolved like a program value; defaultExt is appended when
// the program's name has no extension.
std::string ResolveCommand(const std::string &text, const char *defaultExt, const InstallContext &install) {
    const std::string program = !text.empty() && text.front() == '"' ? UnquotePath(text) : StripArgs(text);
    if (program.empty())
        return SystemPath(install);
    std::string image = ResolveFilePath(program, install);
    if (FileNamePart(program).find('.') == std::string::npos)
        image += defaultExt;
    return image;
}

// The location's value as text; present is false when it does not exist.
struct ValueText {
    bool present = false;
    std::string text;
};
ValueText ReadText(HKEY key, const std::string &name) {
    const RegValue value = ReadValue(key, name);
    return {value.present, value.present ? CleanString(value.data) : std::string()};
}

// The location's own value; one missing from the key is looked for in its
// "AutorunsDisabled" subkey, where disabling the entry puts it.
struct OwnValue : ValueText {
    bool disabled = false;
};
OwnValue ReadOwnValue(const PassContext &ctx) {
    const ValueText live = ReadText(ctx.key, ctx.ValueName);
    if (live.present)
        return {live, false};
    ScopedKey store(OpenKey(ctx.MainKey, ctx.KeyPath + "\\" + kDisabledName));
    if (!store)
        return {};
    return {ReadText(store.get(), ctx.ValueName), true};
}

// Locations 57 and 58.
void ScanProgramValue(PassContext &ctx) {
    const OwnValue v = ReadOwnValue(ctx);
    if (v.text.empty())
        return;
    StartupEntry &e = AppendEntry(ctx);
    e.EntryName = v.text;
    e.ImagePath = ResolveFilePath(v.text, ctx.Install);
    e.ItemType = kItemOwnValue;
    e.Disabled = v.disabled;
}

// Locations 60 to 63: also an empty value is listed.
void ScanSystemFileValue(PassContext &ctx) {
    const OwnValue v = ReadOwnValue(ctx);
    if (!v.present)
        return;
    StartupEntry &e = AppendEntry(ctx);
    e.EntryName = FileNamePart(v.text);
    e.ImagePath = ResolveSystemFile(v.text, ctx.Install);
    e.ItemType = kItemOwnValue;
    e.Disabled = v.disabled;
}

// Locations 52, 53 and 55: one entry for the whole value, its image from the
// first program or library it names.
void ScanCommandValue(PassContext &ctx) {
    const OwnValue v = ReadOwnValue(ctx);
    if (v.text.empty())
        return;
    StartupEntry &e = AppendEntry(ctx);
    e.EntryName = v.text;
    e.ImagePath = ResolveCommand(v.text, ctx.Category == kCatAppInit ? ".dll" : ".exe", ctx.Install);
    e.ItemType = kItemOwnValue;
    e.Disabled = v.disabled;
}

// Location 54: anything but the standard open command is a hijack.
void ScanOpenCommand(PassContext &ctx) {
    const ValueText v = ReadText(ctx.key, "");
    if (v.text.empty() || v.text == kDefaultOpenCommand)
        return;
    std::string program = v.text;
    if (program.ends_with(kOpenArguments))
        program.resize(program.size() - std::char_traits<char>::length(kOpenArguments));
    StartupEntry &e = AppendEntry(ctx);
    e.EntryName = program;
    e.ImagePath = ResolveCommand(program, ".exe", ctx.Install);
    e.ItemType = kItemOwnValue;
}

// Locations 51 and 59: one entry per subkey holding the value. The disabled
// subkeys are listed where "AutorunsDisabled" falls in the walk, at every
// level of nesting.
void ScanSubKeyWalk(PassContext &ctx) {
    const bool debuggers = ctx.LocIndex == 51;
    const std::string valueName = debuggers ? "Debugger" : ctx.ValueName;
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub(OpenPassSubKey(ctx, name));
        if (!sub)
            return;
        const ValueText v = ReadText(sub.get(), valueName);
        if (!v.present)
            return;
        StartupEntry &e = AppendEntry(ctx);
        if (debuggers) {
            e.EntryName = v.text;
            e.ImagePath = ResolveCommand(v.text, ".exe", ctx.Install);
            e.ItemName = name;
        } else {
            e.EntryName = name;
            e.ImagePath = ResolveSystemFile(v.text, ctx.Install);
        }
        e.ItemType = kItemSubKey;
        e.Disabled = ctx.DisabledPass;
    });
}

} // namespace

void ScanWinlogonLocation(PassContext &ctx) {
    if (ctx.Category == kCatWinLogon) {
        switch (ctx.LocIndex) {
        case 57:
        case 58:
            ScanProgramValue(ctx);
            break;
        case 59:
            ScanSubKeyWalk(ctx);
            break;
        case 60:
        case 61:
        case 62:
        case 63:
            ScanSystemFileValue(ctx);
            break;
        default:
            break;
        }
        return;
    }
    switch (ctx.LocIndex) {
    case 51:
        ScanSubKeyWalk(ctx);
        break;
    case 54:
        ScanOpenCommand(ctx);
        break;
    default:
        ScanCommandValue(ctx);
        break;
    }
}
