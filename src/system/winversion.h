// Tests of the version of the running Windows. Each condition is a pure
// function of a version record, so that any Windows can be described by a
// record of its own; the live tests fill the record through GetVersionExA
// every time they are called (nothing is cached).
#pragma once
#include <cstdint>
#include <string>

// What GetVersionExA reports, in its two forms, plus the one system metric
// that tells Server 2003 R2 apart.
struct WindowsVersion {
    bool basicOk = false;    // the call with OSVERSIONINFOA succeeded
    bool extendedOk = false; // the call with OSVERSIONINFOEXA succeeded
    std::uint32_t platform = 0;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::int32_t build = 0;  // the whole field, signed
    std::string servicePack; // the service-pack text
    std::uint16_t spMajor = 0;
    std::uint16_t spMinor = 0;
    std::uint16_t suiteMask = 0;
    std::uint8_t productType = 0;
    bool serverR2 = false; // GetSystemMetrics(SM_SERVERR2) is non-zero
};

// The tests in the order GetOSCode tries them: the value is the code. Codes 12
// and 20 name no test and never hold; the last two are conditions of others.
enum class OsTest : int {
    Win95OSR2 = 1,
    Win95,
    Win98,
    WinME,
    NT4NotController,
    NT4Typed,
    NT4,
    AdvancedServer,
    Win2000Server,
    Win2000NotController,
    Win2000,
    Unused12,
    WinXPSP2,
    WinXP,
    Win2003R2,
    Win2003,
    Win2008,
    BackOffice,
    Win2003Blade,
    Unused20,
    EnterpriseServer,
    SmallBusiness,
    SmallBusinessRestricted,
    TerminalServer,
    VistaSP1,
    Vista,
    LaterThanVista,
    NT4OrLater,
    Win2000OrLater
};

// Whether the test holds for the version v (a test that builds on another
// first requires that one).
bool VersionTestHolds(OsTest test, const WindowsVersion &v);
// The code (1 to 27) of the first test that holds for v, 0 when none does.
short OSCodeOf(const WindowsVersion &v);

// The running Windows, asked afresh.
WindowsVersion QueryWindowsVersion();

bool IsWin95OSR2();
bool IsWin95();
bool IsWin98();
bool IsWinME();
bool IsNT4NotController();
bool IsNT4Typed();
bool IsNT4();
bool IsAdvancedServer();
bool IsWin2000Server();
bool IsWin2000NotController();
bool IsWin2000();
bool IsWinXPSP2();
bool IsWinXP();
bool IsWin2003R2();
bool IsWin2003();
bool IsWin2008();
bool IsBackOffice();
bool IsWin2003Blade();
bool IsEnterpriseServer();
bool IsSmallBusiness();
bool IsSmallBusinessRestricted();
bool IsTerminalServer();
bool IsVistaSP1();
bool IsVista();
bool IsLaterThanVista();
bool IsNT4OrLater();
bool IsWin2000OrLater();
short GetOSCode();
