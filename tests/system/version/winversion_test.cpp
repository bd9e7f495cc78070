#include <gtest/gtest.h>

#include <windows.h>

#include "system/winversion.h"

namespace {

WindowsVersion NT(std::uint32_t major, std::uint32_t minor, std::int32_t build, std::uint8_t type,
                  std::uint16_t suite = 0, const char *sp = "") {
    WindowsVersion v;
    v.basicOk = v.extendedOk = true;
    v.platform = 2;
    v.major = major;
    v.minor = minor;
    v.build = build;
    v.productType = type;
    v.suiteMask = suite;
    v.servicePack = sp;
    return v;
}

WindowsVersion Win9x(std::uint32_t minor, std::int32_t build) {
    WindowsVersion v;
    v.basicOk = true; // the extended record is unknown there
    v.platform = 1;
    v.major = 4;
    v.minor = minor;
    v.build = build;
    return v;
}

TEST(WindowsVersionCodes, KnownSystemsGetTheirCode) {
    WindowsVersion r2 = NT(5, 2, 3790, 3);
    r2.serverR2 = true;
    WindowsVersion nt4NoEx = NT(4, 0, 1381, 1);
    nt4NoEx.extendedOk = false;
    const struct {
        const char *name;
        WindowsVersion v;
        short code;
    } rows[] = {
        {"95 OSR2", Win9x(0, 1111), 1},
        {"95", Win9x(0, 950), 2},
        {"95, build field with version in its high word", Win9x(0, 0x040003B6), 0},
        {"98", Win9x(10, 1998), 3},
        {"ME", Win9x(90, 3000), 4},
        {"NT4 workstation", NT(4, 0, 1381, 1), 5},
        {"NT4 domain controller", NT(4, 0, 1381, 2), 6},
        {"NT4 without the extended record", nt4NoEx, 7},
        {"NT4 before its release build", NT(4, 0, 1380, 1), 0},
        {"2000 Advanced Server", NT(5, 0, 2195, 3, 0x2), 8},
        {"2000 Server", NT(5, 0, 2195, 3), 9},
        {"2000 Professional", NT(5, 0, 2195, 1), 10},
        {"2000 domain controller", NT(5, 0, 2195, 2), 11},
        {"XP SP2", NT(5, 1, 2600, 1, 0, "Service Pack 2"), 13},
        {"XP SP3", NT(5, 1, 2600, 1, 0, "Service Pack 3"), 14},
        {"XP, service pack text in other case", NT(5, 1, 2600, 1, 0, "service pack 2"), 14},
        {"Server 2003 R2", r2, 15},
        {"Server 2003", NT(5, 2, 3790, 3), 16},
        {"Server 2003 blade (caught by 2003 first)", NT(5, 2, 3790, 3, 0x400), 16},
        {"Server 2008", NT(6, 0, 6001, 3, 0, "Service Pack 1"), 17},
        {"Vista with BackOffice suite", NT(6, 0, 6000, 1, 0x4), 18},
        {"Windows 7 enterprise server suite (advanced server first)", NT(6, 1, 7601, 3, 0x2), 8},
        {"Windows 7 small business", NT(6, 1, 7601, 1, 0x1), 22},
        {"Windows 7 small business restricted", NT(6, 1, 7601, 1, 0x20), 23},
        {"Windows 7 terminal suite", NT(6, 1, 7601, 1, 0x10, "Service Pack 1"), 24},
        {"Vista SP1", NT(6, 0, 6001, 1, 0, "Service Pack 1"), 25},
        {"Windows 7 SP1", NT(6, 1, 7601, 1, 0, "Service Pack 1"), 25},
        {"Vista", NT(6, 0, 6000, 1), 26},
        {"Windows 7", NT(6, 1, 7600, 1), 26},
        {"Windows 10", NT(10, 0, 19045, 1), 27},
        {"failed call", WindowsVersion{}, 0},
    };
    for (const auto &row : rows)
        EXPECT_EQ(OSCodeOf(row.v), row.code) << row.name;
}

TEST(WindowsVersionCodes, RowsBuildOnTheirPrerequisiteAndRecord) {
    // a failed call makes every test false
    for (int t = 1; t <= static_cast<int>(OsTest::Win2000OrLater); ++t)
        EXPECT_FALSE(VersionTestHolds(static_cast<OsTest>(t), WindowsVersion{})) << t;
    // extended rows need the extended record even when their prerequisite holds
    WindowsVersion xp = NT(5, 1, 2600, 1, 0x10, "Service Pack 2");
    xp.extendedOk = false;
    EXPECT_TRUE(VersionTestHolds(OsTest::WinXP, xp));
    EXPECT_FALSE(VersionTestHolds(OsTest::WinXPSP2, xp));
    EXPECT_FALSE(VersionTestHolds(OsTest::TerminalServer, xp));
    // suite rows need an NT of version 4 or later
    WindowsVersion nt3 = NT(3, 51, 1057, 1, 0x10);
    EXPECT_FALSE(VersionTestHolds(OsTest::TerminalServer, nt3));
    EXPECT_TRUE(VersionTestHolds(OsTest::TerminalServer, NT(4, 0, 1381, 3, 0x10)));
    EXPECT_FALSE(VersionTestHolds(OsTest::NT4OrLater, Win9x(90, 3000)));
    EXPECT_TRUE(VersionTestHolds(OsTest::Win2000OrLater, NT(5, 0, 1, 1)));
    EXPECT_FALSE(VersionTestHolds(OsTest::Win2000OrLater, NT(4, 0, 1381, 1)));
    // R2 metric alone is not enough
    WindowsVersion xpR2 = NT(5, 1, 2600, 1);
    xpR2.serverR2 = true;
    EXPECT_FALSE(VersionTestHolds(OsTest::Win2003R2, xpR2));
    EXPECT_FALSE(VersionTestHolds(OsTest::Unused12, NT(6, 1, 7601, 1)));
}

TEST(WindowsVersionLive, RunningSystemMatchesItsRecord) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    const WindowsVersion v = QueryWindowsVersion();
    ASSERT_TRUE(v.basicOk);
    EXPECT_EQ(v.major, info.dwMajorVersion);
    EXPECT_EQ(v.minor, info.dwMinorVersion);
    EXPECT_EQ(v.platform, info.dwPlatformId);
    EXPECT_EQ(v.servicePack, info.szCSDVersion);
    EXPECT_EQ(GetOSCode(), OSCodeOf(v));
    EXPECT_TRUE(IsNT4OrLater());
    EXPECT_EQ(IsWin2000OrLater(), info.dwMajorVersion >= 5);
    EXPECT_EQ(IsVista(), info.dwMajorVersion == 6);
    EXPECT_EQ(IsLaterThanVista(), info.dwMajorVersion > 6);
    EXPECT_EQ(IsWinXP(), VersionTestHolds(OsTest::WinXP, v));
    EXPECT_FALSE(IsWin95() || IsWin98() || IsWinME());
}

} // namespace
