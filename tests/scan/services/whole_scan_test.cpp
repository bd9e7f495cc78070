#include <gtest/gtest.h>

#include <algorithm>

#include "scan/driver.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace {

const StartupEntry *Named(const std::vector<StartupEntry> &entries, const std::string &name) {
    auto it =
        std::find_if(entries.begin() + 1, entries.end(), [&](const StartupEntry &e) { return e.EntryName == name; });
    return it == entries.end() ? nullptr : &*it;
}

// The prefix's own registry, scanned whole as the running system.
TEST(WholeSystemScan, ThePrefixRegistryGivesNamedServicesAndDrivers) {
    ASSERT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM") &&
                 RegKeyExists(HKEY_LOCAL_MACHINE, "_REMOTE_SOFTWARE"))
        << "an offline installation is loaded";
    const std::vector<ScanLocation> saved = ScanLocations();
    ResetLocations(ScanLocations());
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    {
        ScannedInstall install(windows, false);
        LoadPaths();
        ASSERT_TRUE(SetScope(false));
        const auto &locations = ScanLocations();
        ASSERT_EQ(UpperBound(locations), kLocationCount);
        for (int n = 1; n <= kLocationCount; ++n) {
            const auto &entries = locations[static_cast<size_t>(n)].Entries;
            for (int j = 1; j <= UpperBound(entries); ++j)
                EXPECT_FALSE(entries[static_cast<size_t>(j)].EntryName.empty())
                    << "location " << n << " entry " << j << " " << entries[static_cast<size_t>(j)].ImagePath;
        }

        // Wine's own services and drivers, resolved to files that exist.
        const auto &services = locations[48].Entries;
        const auto &drivers = locations[49].Entries;
        EXPECT_GT(UpperBound(services), 0);
        EXPECT_GT(UpperBound(drivers), 0);
        const StartupEntry *plugPlay = Named(services, "PlugPlay");
        ASSERT_NE(plugPlay, nullptr);
        EXPECT_TRUE(plugPlay->HasFile) << plugPlay->ImagePath;
        const StartupEntry *mountMgr = Named(drivers, "MountMgr");
        ASSERT_NE(mountMgr, nullptr);
        EXPECT_TRUE(mountMgr->HasFile) << mountMgr->ImagePath;
        EXPECT_EQ(Named(services, "RpcSs"), nullptr); // started on demand
        EXPECT_EQ(OpenKeyCount(), 0);
    }
    ScanLocations() = saved;
}

} // namespace
