// The locations of the "Explorer" and "Internet Explorer" categories: COM
// classes that Explorer or the browser load (each resolved to its server file
// through the scanned installation's classes), the Active Setup components and
// the browser extensions.
//
// Disabled entries: the subkey rules find them in the location's
// "AutorunsDisabled" subkey, scanned as a disabled pass wherever the
// enumeration meets it (also inside a disabled pass); the value rules find
// them as values of that subkey, scanned once after the live values.
#include <string>

#include "registry/access.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/clsid.h"
#include "scan/imagepath.h"
#include "scan/pathops.h"
#include "system/log.h"

namespace {

bool HasColon(const std::string &text) { return text.find(':') != std::string::npos; }

// A server text as the installation names it, turned into a path on the drive
// through which the installation is seen.
std::string ExpandedServer(const std::string &server, const InstallContext &install) {
    return RemapDrive(ExpandEnvVars(server, install), install);
}

// The same, with a bare file name placed in the system folder.
std::string ServerPath(const std::string &server, const InstallContext &install) {
    std::string path = ExpandedServer(server, install);
    if (!HasColon(path))
        path = AddSystemPath(path, install);
    return path;
}

ScopedKey OpenSubKey(const PassContext &ctx, const std::string &name) { return ScopedKey(OpenPassSubKey(ctx, name)); }

StartupEntry &Append(PassContext &ctx, const std::string &itemName, int itemType) {
    StartupEntry &e = AppendEntry(ctx);
    e.ItemName = itemName;
    e.ItemType = itemType;
    e.Disabled = ctx.DisabledPass;
    return e;
}

// Protocol filters and handlers (29, 30), per-user delay-loaded shell service
// objects (35): each subkey names its class in the value ValueName. A class
// that is not registered is still listed, with an empty image path.
void ScanNamedValueSubKeys(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub = OpenSubKey(ctx, name);
        if (!sub)
            return;
        const RegValue value = ReadValue(sub.get(), ctx.ValueName);
        if (!value.present)
            return;
        const std::string clsid = CleanString(value.data);
        StartupEntry &e = Append(ctx, clsid, kItemSubKey);
        e.EntryName = name;
        e.ImagePath = ServerPath(ClsidLookup(clsid, ctx.Install), ctx.Install);
    });
}

// Active Setup components (31, 32): the command line in "StubPath", named by
// the component's default value.
void ScanActiveSetup(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub = OpenSubKey(ctx, name);
        if (!sub)
            return;
        const RegValue stub = ReadValue(sub.get(), ctx.ValueName);
        const std::string command = stub.present ? CleanString(stub.data) : "";
        if (command.empty())
            return;
        const RegValue title = ReadValue(sub.get(), "");
        const std::string component = title.present ? CleanString(title.data) : "";
        if (component.empty())
            return;
        std::string path = UnquotePath(command);
        path = ExpandEnvVars(path, ctx.Install);
        path = StripHostExe(path);
        path = CutAtComma(path);
        path = AddDllExt(path);
        path = StripArgs(path);
        path = AddSystemPath(path, ctx.Install);
        StartupEntry &e = Append(ctx, name, kItemSubKey);
        e.EntryName = component;
        e.ImagePath = RemapDrive(path, ctx.Install);
    });
}

// The value rules: the class is a value's name or its data; the entry is
// titled by the other one, by the server text or by the server's file name,
// and the server becomes the image path in the location's own way.
enum class Title { kData, kName, kServer, kServerFile };
struct ValueRule {
    bool classInData;
    Title title;
    bool listUnregistered; // a class without a server is listed all the same
    std::string (*imagePath)(const std::string &server, const InstallContext &install);
};

// A server resolved as ResolveFilePath does, with an icon server's index cut off.
std::string SystemFolderServerNoIcon(const std::string &server, const InstallContext &install) {
    return RemapDrive(CutAtComma(AddSystemPath(ExpandEnvVars(server, install), install)), install);
}

// SharedTaskScheduler (33), ShellServiceObjectDelayLoad (34),
// ShellExecuteHooks (36), approved shell extensions (37, 38), URL search
// hooks (41).
constexpr ValueRule kSharedTaskScheduler{false, Title::kData, false, ExpandedServer};
constexpr ValueRule kDelayLoad{true, Title::kName, false, ServerPath};
constexpr ValueRule kShellExecuteHooks{false, Title::kServer, false, ResolveFilePath};
constexpr ValueRule kApprovedExtensions{false, Title::kData, false, SystemFolderServerNoIcon};
constexpr ValueRule kUrlSearchHooks{false, Title::kServerFile, true, ExpandedServer};

void ScanClassValues(PassContext &ctx, const ValueRule &rule) {
    ForEachValue(ctx, [&](const std::string &name, const std::string &data) {
        const std::string &clsid = rule.classInData ? data : name;
        const std::string server = ClsidLookup(clsid, ctx.Install);
        if (server.empty() && !rule.listUnregistered)
            return;
        StartupEntry &e = Append(ctx, clsid, kItemNamedValue);
        switch (rule.title) {
        case Title::kData:
            e.EntryName = data;
            break;
        case Title::kName:
            e.EntryName = name;
            break;
        case Title::kServer:
            e.EntryName = server;
            break;
        case Title::kServerFile:
            e.EntryName = FileNamePart(server);
            break;
        }
        e.ImagePath = rule.imagePath(server, ctx.Install);
    });
}

// Column handlers (39), toolbars and explorer bars (42 to 44): the class is
// the subkey name. Column handler subkeys must open as well.
void ScanClassSubKeys(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub;
        if (ctx.LocIndex == 39) {
            sub = OpenSubKey(ctx, name);
            if (!sub)
                return;
        }
        const std::string server = ClsidLookup(name, ctx.Install);
        if (server.empty())
            return;
        StartupEntry &e = Append(ctx, name, kItemSubKey);
        e.EntryName = FileNamePart(server);
        e.ImagePath = ExpandedServer(server, ctx.Install);
    });
}

// Browser helper objects (40): described by the class's own name. A server
// registered through a variable is expanded like those of the other classes.
void ScanBrowserHelpers(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        std::string className;
        const std::string server = ClsidLookup(name, ctx.Install, className);
        if (server.empty())
            return;
        StartupEntry &e = Append(ctx, name, kItemSubKey);
        e.EntryName = FileNamePart(server);
        e.ImagePath = ExpandedServer(server, ctx.Install);
        e.Description = className.empty() ? "Browser Helper Object" : className;
    });
}

// Browser extensions (45, 46): the command in "Exec", titled by "MenuText".
void ScanBrowserExtensions(PassContext &ctx) {
    ForEachSubKey(ctx, [&](const std::string &name) {
        ScopedKey sub = OpenSubKey(ctx, name);
        if (!sub)
            return;
        const RegValue exec = ReadValue(sub.get(), "Exec");
        if (!exec.present)
            return;
        const std::string command = CleanString(exec.data);
        const RegValue menuText = ReadValue(sub.get(), "MenuText");
        StartupEntry &e = Append(ctx, name, kItemSubKey);
        e.EntryName = menuText.present ? CleanString(menuText.data) : FileNamePart(command);
        e.ImagePath = ExpandedServer(command, ctx.Install);
    });
}

void ScanExplorer(PassContext &ctx) {
    switch (ctx.LocIndex) {
    case 31:
    case 32:
        ScanActiveSetup(ctx);
        break;
    case 33:
        ScanClassValues(ctx, kSharedTaskScheduler);
        break;
    case 34:
        ScanClassValues(ctx, kDelayLoad);
        break;
    case 36:
        ScanClassValues(ctx, kShellExecuteHooks);
        break;
    case 37:
    case 38:
        ScanClassValues(ctx, kApprovedExtensions);
        break;
    case 39:
        ScanClassSubKeys(ctx);
        break;
    default: // 29, 30, 35
        ScanNamedValueSubKeys(ctx);
        break;
    }
}

void ScanInternetExplorer(PassContext &ctx) {
    switch (ctx.LocIndex) {
    case 40:
        ScanBrowserHelpers(ctx);
        break;
    case 41:
        ScanClassValues(ctx, kUrlSearchHooks);
        break;
    case 42:
    case 43:
    case 44:
        ScanClassSubKeys(ctx);
        break;
    case 45:
    case 46:
        ScanBrowserExtensions(ctx);
        break;
    default:
        WriteLog(std::to_string(ctx.LocIndex) + " " + ctx.KeyPath + ": " + ctx.ValueName);
        break;
    }
}

} // namespace

void ScanExplorerLocation(PassContext &ctx) {
    if (ctx.key == nullptr)
        return;
    if (ctx.Category == kCatExplorer)
        ScanExplorer(ctx);
    else
        ScanInternetExplorer(ctx);
}
