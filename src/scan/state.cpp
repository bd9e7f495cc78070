#include "scan/state.h"

#include "scan/installations.h"

ScanState &Scan() {
    static ScanState state;
    return state;
}

InstallContext ScannedInstallation() {
    InstallContext ctx;
    const auto &locations = ScanLocations();
    const int os = SelectedOS();
    ctx.offline = os > 0;
    if (!locations.empty() && os >= 0 && static_cast<std::size_t>(os) < locations[0].Entries.size()) {
        const StartupEntry &entry = locations[0].Entries[static_cast<std::size_t>(os)];
        ctx.windowsDir = entry.ImagePath;
        ctx.root = entry.EntryName;
        if (os > 0 && !entry.EntryName.empty())
            ctx.drive = entry.EntryName[0];
    }
    ctx.temp = EnvironmentText("temp");
    return ctx;
}
