#include "system/winversion.h"

#include <windows.h>

namespace {

constexpr std::uint32_t kWin9x = VER_PLATFORM_WIN32_WINDOWS;
constexpr std::uint32_t kNT = VER_PLATFORM_WIN32_NT;

bool Contains(const std::string &text, const char *phrase) { return text.find(phrase) != std::string::npos; }

// The basic record's platform, major and minor version.
bool Is(const WindowsVersion &v, std::uint32_t platform, std::uint32_t major, std::uint32_t minor) {
    return v.basicOk && v.platform == platform && v.major == major && v.minor == minor;
}

bool Holds(OsTest test, const WindowsVersion &v) {
    const bool basic = v.basicOk;
    const bool ext = v.extendedOk;
    const auto type = v.productType;
    const auto suite = v.suiteMask;
    switch (test) {
    case OsTest::Win95OSR2:
        return Is(v, kWin9x, 4, 0) && v.build == 1111;
    case OsTest::Win95:
        return Is(v, kWin9x, 4, 0) && v.build == 950;
    case OsTest::Win98:
        return Is(v, kWin9x, 4, 10) && v.build >= 1998;
    case OsTest::WinME:
        return Is(v, kWin9x, 4, 90) && v.build >= 3000;
    case OsTest::NT4NotController:
        return Holds(OsTest::NT4, v) && ext && (type & 1) != 0;
    case OsTest::NT4Typed:
        return Holds(OsTest::NT4, v) && ext && (type & 3) != 0;
    case OsTest::NT4:
        return Is(v, kNT, 4, 0) && v.build >= 1381;
    case OsTest::AdvancedServer:
        return Holds(OsTest::Win2000OrLater, v) && ext && (type == 2 || type == 3) && (suite & 0x2) != 0;
    case OsTest::Win2000Server:
        return Holds(OsTest::Win2000, v) && ext && type == 3;
    case OsTest::Win2000NotController:
        return Holds(OsTest::Win2000, v) && ext && (type & 1) != 0;
    case OsTest::Win2000:
        return Is(v, kNT, 5, 0) && v.build >= 2195;
    case OsTest::WinXPSP2:
        return Holds(OsTest::WinXP, v) && ext && Contains(v.servicePack, "Service Pack 2");
    case OsTest::WinXP:
        return Is(v, kNT, 5, 1) && v.build >= 2600;
    case OsTest::Win2003R2:
        return Holds(OsTest::Win2003, v) && v.serverR2;
    case OsTest::Win2003:
        return Is(v, kNT, 5, 2) && v.build == 3790;
    case OsTest::Win2008:
        return ext && v.platform == kNT && v.major == 6 && v.minor == 0 && type != 1;
    case OsTest::BackOffice:
        return Holds(OsTest::NT4OrLater, v) && ext && (suite & 0x4) != 0;
    case OsTest::Win2003Blade:
        return Holds(OsTest::Win2003, v) && ext && (suite & 0x400) != 0;
    case OsTest::EnterpriseServer:
        return Holds(OsTest::NT4OrLater, v) && ext && type == 3 && (suite & 0x2) != 0;
    case OsTest::SmallBusiness:
        return Holds(OsTest::NT4OrLater, v) && ext && (suite & 0x1) != 0;
    case OsTest::SmallBusinessRestricted:
        return Holds(OsTest::NT4OrLater, v) && ext && (suite & 0x20) != 0;
    case OsTest::TerminalServer:
        return Holds(OsTest::NT4OrLater, v) && ext && (suite & 0x10) != 0;
    case OsTest::VistaSP1:
        return basic && v.platform == kNT && v.major == 6 && Contains(v.servicePack, "Service Pack 1");
    case OsTest::Vista:
        return basic && v.platform == kNT && v.major == 6;
    case OsTest::LaterThanVista:
        return basic && v.platform == kNT && v.major > 6;
    case OsTest::NT4OrLater:
        return basic && v.platform == kNT && v.major >= 4;
    case OsTest::Win2000OrLater:
        return basic && v.platform == kNT && v.major >= 5;
    case OsTest::Unused12:
    case OsTest::Unused20:
        return false;
    }
    return false;
}

bool Live(OsTest test) { return Holds(test, QueryWindowsVersion()); }

} // namespace

bool VersionTestHolds(OsTest test, const WindowsVersion &v) { return Holds(test, v); }

short OSCodeOf(const WindowsVersion &v) {
    for (int code = 1; code <= 27; ++code)
        if (Holds(static_cast<OsTest>(code), v))
            return static_cast<short>(code);
    return 0;
}

WindowsVersion QueryWindowsVersion() {
    WindowsVersion v;
    OSVERSIONINFOEXA info{};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
    v.basicOk = GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&info)) != 0;
    if (v.basicOk) {
        v.platform = info.dwPlatformId;
        v.major = info.dwMajorVersion;
        v.minor = info.dwMinorVersion;
        v.build = static_cast<std::int32_t>(info.dwBuildNumber);
        v.servicePack.assign(info.szCSDVersion, strnlen(info.szCSDVersion, sizeof info.szCSDVersion));
    }
    OSVERSIONINFOEXA ex{};
    ex.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXA);
    v.extendedOk = GetVersionExA(reinterpret_cast<OSVERSIONINFOA *>(&ex)) != 0;
    if (v.extendedOk) {
        if (!v.basicOk) { // the extended record carries the basic fields too
            v.platform = ex.dwPlatformId;
            v.major = ex.dwMajorVersion;
            v.minor = ex.dwMinorVersion;
            v.build = static_cast<std::int32_t>(ex.dwBuildNumber);
            v.servicePack.assign(ex.szCSDVersion, strnlen(ex.szCSDVersion, sizeof ex.szCSDVersion));
        }
        v.spMajor = ex.wServicePackMajor;
        v.spMinor = ex.wServicePackMinor;
        v.suiteMask = ex.wSuiteMask;
        v.productType = ex.wProductType;
    }
    v.serverR2 = GetSystemMetrics(SM_SERVERR2) != 0;
    return v;
}

bool IsWin95OSR2() { return Live(OsTest::Win95OSR2); }
bool IsWin95() { return Live(OsTest::Win95); }
bool IsWin98() { return Live(OsTest::Win98); }
bool IsWinME() { return Live(OsTest::WinME); }
bool IsNT4NotController() { return Live(OsTest::NT4NotController); }
bool IsNT4Typed() { return Live(OsTest::NT4Typed); }
bool IsNT4() { return Live(OsTest::NT4); }
bool IsAdvancedServer() { return Live(OsTest::AdvancedServer); }
bool IsWin2000Server() { return Live(OsTest::Win2000Server); }
bool IsWin2000NotController() { return Live(OsTest::Win2000NotController); }
bool IsWin2000() { return Live(OsTest::Win2000); }
bool IsWinXPSP2() { return Live(OsTest::WinXPSP2); }
bool IsWinXP() { return Live(OsTest::WinXP); }
bool IsWin2003R2() { return Live(OsTest::Win2003R2); }
bool IsWin2003() { return Live(OsTest::Win2003); }
bool IsWin2008() { return Live(OsTest::Win2008); }
bool IsBackOffice() { return Live(OsTest::BackOffice); }
bool IsWin2003Blade() { return Live(OsTest::Win2003Blade); }
bool IsEnterpriseServer() { return Live(OsTest::EnterpriseServer); }
bool IsSmallBusiness() { return Live(OsTest::SmallBusiness); }
bool IsSmallBusinessRestricted() { return Live(OsTest::SmallBusinessRestricted); }
bool IsTerminalServer() { return Live(OsTest::TerminalServer); }
bool IsVistaSP1() { return Live(OsTest::VistaSP1); }
bool IsVista() { return Live(OsTest::Vista); }
bool IsLaterThanVista() { return Live(OsTest::LaterThanVista); }
bool IsNT4OrLater() { return Live(OsTest::NT4OrLater); }
bool IsWin2000OrLater() { return Live(OsTest::Win2000OrLater); }
short GetOSCode() { return OSCodeOf(QueryWindowsVersion()); }
