// The services and drivers that start by themselves: both walk the services
// key of the current control set. A service or driver is disabled in place:
// its own key carries an "AutorunsDisabled" value (the start type it had).
#include <algorithm>
#include <string>

#include "registry/access.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/imagepath.h"
#include "scan/pathops.h"
#include "system/text.h"

namespace {

constexpr const char *kGenericServiceDescription = "Generic Host Process for Win32 Services";

// Services that the driver list leaves out.
constexpr const char *kSkippedDrivers[] = {"MRxDAV", "MRxSmb", "NetBIOS", "Rdbss", "Srv", "vcdrom"};

// A colon anywhere after the first character: the text names a drive.
bool NamesDrive(const std::string &text) { return text.size() > 1 && text.find(':', 1) != std::string::npos; }

// What a service or driver key says about starting.
struct StartFacts {
    bool hasStart = false;
    bool knownType = false; // the start value holds at least one byte
    unsigned startType = 0; // its low byte
    bool disabled = false;  // the "AutorunsDisabled" value is there
};

StartFacts ReadStartFacts(HKEY key) {
    StartFacts facts;
    const RegValue start = ReadValue(key, "Start");
    facts.hasStart = start.present;
    facts.knownType = !start.data.empty();
    if (facts.knownType)
        facts.startType = static_cast<unsigned char>(start.data[0]);
    facts.disabled = ReadValue(key, kDisabledName).present;
    return facts;
}

// Starts by itself when its start type is below limit, or is listed as
// disabled. A start value without data gives no start type.
bool Qualifies(const StartFacts &facts, unsigned limit) {
    if (!facts.hasStart)
        return false;
    return facts.disabled || (facts.knownType && facts.startType < limit);
}

// Shown as disabled only when it does not start by itself: a start type saved
// while "Start" still lets it start is what a disable interrupted half-way
// leaves behind, and the service starts all the same.
bool ShownDisabled(const StartFacts &facts, unsigned limit) {
    return facts.disabled && !(facts.knownType && facts.startType < limit);
}

// The program of a service's "ImagePath": arguments cut off, variables of the
// installation expanded, a quoted path taken between its quotes, ".exe" when
// it has no extension, a bare name placed in the system folder, and the drive
// moved onto the scanned installation's.
std::string ServiceImagePath(const std::string &imagePath, const InstallContext &install) {
    if (imagePath.empty())
        return imagePath;
    std::string path;
    if (imagePath.front() == '"')
        path =
            ExpandEnvVars(UnquotePath(imagePath), install); // the quoted text is the program, dots and blanks included
    else
        path = UnquotePath(ExpandEnvVars(StripArgs(imagePath), install));
    if (path.find('.') == std::string::npos)
        path += ".exe";
    if (!NamesDrive(path))
        path = AddSystemPath(FileNameOnly(path), install);
    return RemapDrive(path, install);
}

// The file of a driver's "ImagePath": the "\??\" prefix removed and the forms
// "\SystemRoot\System32\" and "system32\" put in the Windows folder of the
// scanned installation.
std::string DriverImagePath(const std::string &imagePath, const InstallContext &install) {
    std::string path = RemoveAll(imagePath, "\\??\\");
    if (path.find('%') != std::string::npos)
        path = ExpandEnvVars(path, install); // "%SystemRoot%\System32\drivers\..." names a full path
    if (ContainsNoCase(path, "\\SystemRoot\\System32\\"))
        path = ReplaceAllNoCase(path, "\\SystemRoot\\System32\\", SystemPath(install));
    else if (!NamesDrive(path))
        path = ReplaceAllNoCase(path, "system32\\", SystemPath(install));
    return RemapDrive(path, install);
}

void ScanServices(PassContext &ctx) {
    for (const std::string &name : EnumSubKeys(ctx.key)) {
        ScopedKey sub(OpenPassSubKey(ctx, name));
        if (!sub)
            continue;
        if (!ReadValue(sub.get(), "ObjectName").present)
            continue;
        const StartFacts facts = ReadStartFacts(sub.get());
        if (!Qualifies(facts, 3))
            continue;
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = name;
        const std::string description = ReadString(sub.get(), "Description");
        e.Description = description.size() < 2 ? kGenericServiceDescription : description;
        // A service whose "ImagePath" cannot be read has no image path.
        e.ImagePath = ServiceImagePath(ReadString(sub.get(), "ImagePath"), ctx.Install);
        e.ItemType = kItemSubKey;
        e.Disabled = ShownDisabled(facts, 3);
    }
}

void ScanDrivers(PassContext &ctx) {
    for (const std::string &name : EnumSubKeys(ctx.key)) {
        if (std::find(std::begin(kSkippedDrivers), std::end(kSkippedDrivers), name) != std::end(kSkippedDrivers))
            continue;
        ScopedKey sub(OpenPassSubKey(ctx, name));
        if (!sub)
            continue;
        const RegValue image = ReadValue(sub.get(), "ImagePath");
        if (!image.present)
            continue;
        const StartFacts facts = ReadStartFacts(sub.get());
        if (!Qualifies(facts, 4))
            continue;
        const std::string imagePath = image.Text();
        if (imagePath.find("\\??\\") == std::string::npos && !ContainsNoCase(imagePath, "drivers"))
            continue; // a service's program, not a driver
        if (TrimBlanks(RemoveAll(imagePath, "\\??\\")).empty())
            continue; // "\??\" names no file at all
        StartupEntry &e = AppendEntry(ctx);
        e.EntryName = name;
        e.ImagePath = DriverImagePath(imagePath, ctx.Install);
        e.ItemType = kItemSubKey;
        e.Disabled = ShownDisabled(facts, 4);
    }
}

} // namespace

void ScanServiceLocation(PassContext &ctx) {
    if (ctx.key == nullptr)
        return;
    if (ctx.Category == kCatServices)
        ScanServices(ctx);
    else
        ScanDrivers(ctx);
}
