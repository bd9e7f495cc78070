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
#include "scan/scan_memo.h"
#include "system/text.h"

namespace {

constexpr const char *kGenericServiceDescription = "Generic Host Process for Win32 Services";

// Services that the driver list leaves out.
constexpr const char *kSkippedDrivers[] = {"MRxDAV", "MRxSmb", "NetBIOS", "Rdbss", "Srv", "vcdrom"};

// A colon anywhere after the first character: the text names a drive.
bool NamesDrive(const std::string &text) { return text.size() > 1 && text.find(':', 1) != std::string::npos; }

// What the start value says: a start type when it holds at least one byte.
bool StartsBelow(const ServiceKeyFacts &facts, unsigned limit) {
    return !facts.start.data.empty() && static_cast<unsigned char>(facts.start.data[0]) < limit;
}

// Starts by itself when its start type is below limit, or is listed as
// disabled. A start value without data gives no start type.
bool Qualifies(const ServiceKeyFacts &facts, unsigned limit) {
    if (!facts.start.present)
        return false;
    return facts.disabled || StartsBelow(facts, limit);
}

// Shown as disabled only when it does not start by itself: a start type saved
// while "Start" still lets it start is what a disable interrupted half-way
// leaves behind, and the service starts all the same.
bool ShownDisabled(const ServiceKeyFacts &facts, unsigned limit) {
    return facts.disabled && !StartsBelow(facts, limit);
}

bool SkippedDriver(const std::string &name) {
    return std::find(std::begin(kSkippedDrivers), std::end(kSkippedDrivers), name) != std::end(kSkippedDrivers);
}

// An image path that names a driver rather than a service's program; a bare
// "\??\" names no file at all.
bool NamesDriverFile(const std::string &imagePath) {
    if (imagePath.find("\\??\\") == std::string::npos && !ContainsNoCase(imagePath, "drivers"))
        return false;
    return !TrimBlanks(RemoveAll(imagePath, "\\??\\")).empty();
}

bool ServiceListed(const ServiceKeyFacts &facts) { return facts.opened && facts.hasObjectName && Qualifies(facts, 3); }

bool DriverListed(const ServiceKeyFacts &facts) {
    return facts.opened && !SkippedDriver(facts.name) && facts.imagePath.present && Qualifies(facts, 4) &&
           NamesDriverFile(facts.imagePath.Text());
}

// One walk of the services key for both lists: every subkey opened once and
// asked only for the values that decide whether and how either list takes it.
std::vector<ServiceKeyFacts> WalkServiceKeys(const PassContext &ctx) {
    std::vector<SubKeyName> names = EnumSubKeyNames(ctx.key);
    std::vector<ServiceKeyFacts> walk(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        ServiceKeyFacts &facts = walk[i];
        facts.name = std::move(names[i].name);
        facts.held = std::move(names[i].wide);
        ScopedKey sub(OpenPassSubKey(ctx, facts.name));
        if (!sub)
            continue;
        facts.opened = true;
        facts.start = ReadValue(sub.get(), "Start");
        if (!facts.start.present)
            continue; // neither list takes a key without a start type
        facts.hasObjectName = ReadValue(sub.get(), "ObjectName").present;
        facts.imagePath = ReadValue(sub.get(), "ImagePath");
        const bool maybeDriver =
            !SkippedDriver(facts.name) && facts.imagePath.present && NamesDriverFile(facts.imagePath.Text());
        if (!facts.hasObjectName && !maybeDriver)
            continue;
        facts.disabled = ReadValue(sub.get(), kDisabledName).present;
        if (ServiceListed(facts))
            facts.description = ReadString(sub.get(), "Description");
    }
    return walk;
}

// The walk of the pass's key: the one this scan already made, else a new one
// (kept for the other list when a scan is running).
template <typename Use> void WithServiceWalk(const PassContext &ctx, Use use) {
    if (const auto *kept = KeptServiceWalk(ctx.MainKey, ctx.KeyPath)) {
        use(*kept);
        return;
    }
    std::vector<ServiceKeyFacts> walk = WalkServiceKeys(ctx);
    if (const auto *kept = KeepServiceWalk(ctx.MainKey, ctx.KeyPath, walk))
        use(*kept);
    else
        use(walk);
}

template <typename Listed>
void ReserveEntries(PassContext &ctx, const std::vector<ServiceKeyFacts> &walk, Listed listed) {
    ReserveMore(ctx, static_cast<size_t>(std::count_if(walk.begin(), walk.end(), listed)));
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
        path = AddSystemPath(FileNamePart(path), install);
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
    WithServiceWalk(ctx, [&](const std::vector<ServiceKeyFacts> &walk) {
        ReserveEntries(ctx, walk, ServiceListed);
        for (const ServiceKeyFacts &facts : walk) {
            if (!ServiceListed(facts))
                continue;
            StartupEntry &e = AppendEntry(ctx);
            e.EntryName = facts.name;
            e.Description = facts.description.size() < 2 ? kGenericServiceDescription : facts.description;
            // A service whose "ImagePath" cannot be read has no image path.
            e.ImagePath = ServiceImagePath(facts.imagePath.Text(), ctx.Install);
            e.ItemType = kItemSubKey;
            e.Disabled = ShownDisabled(facts, 3);
            e.HeldName = facts.held;
        }
    });
}

void ScanDrivers(PassContext &ctx) {
    WithServiceWalk(ctx, [&](const std::vector<ServiceKeyFacts> &walk) {
        ReserveEntries(ctx, walk, DriverListed);
        for (const ServiceKeyFacts &facts : walk) {
            if (!DriverListed(facts))
                continue;
            StartupEntry &e = AppendEntry(ctx);
            e.EntryName = facts.name;
            e.ImagePath = DriverImagePath(facts.imagePath.Text(), ctx.Install);
            e.ItemType = kItemSubKey;
            e.Disabled = ShownDisabled(facts, 4);
            e.HeldName = facts.held;
        }
    });
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
