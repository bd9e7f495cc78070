// The calls that came with Windows Vista (and IsWow64Process, which came with
// XP SP2), looked up when first used, so that the program file imports nothing
// Windows XP lacks. Each has the signature of the call it stands for; where
// the system does not have the call, it is done on the native calls that
// exist since Windows 2000, with the same result for the caller. What cannot
// be done that way fails with ERROR_NOT_SUPPORTED and one log line.
#pragma once
#include <windows.h>

LONG LateRegDeleteTreeA(HKEY key, const char *subKey);
DWORD LateGetFinalPathNameByHandleW(HANDLE file, wchar_t *path, DWORD size, DWORD flags);
BOOL LateSetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void *data, DWORD size);
BOOL LateGetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void *data, DWORD size);
// Windows 7 (Vista and XP with an update). Without it the current folder is
// taken out of the search (SetDllDirectory, XP SP1) and the call fails: the
// program's own folder is still searched there.
BOOL LateSetDefaultDllDirectories(DWORD flags);
int LateCompareStringOrdinal(const wchar_t *a, int aLength, const wchar_t *b, int bLength, BOOL ignoreCase);

// True when this process is a 32-bit one on 64-bit Windows.
bool RunningUnderWow64();

// A function of the native layer (ntdll, there since Windows NT), for what the
// Win32 calls cannot say; null when it has no such export. Not failed by
// the seam below: the native calls are the ways taken without the others.
template <typename Function> Function NativeCall(const char *name) {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll == nullptr ? nullptr
                            : reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(ntdll, name)));
}

// Makes every look-up above answer "missing" (true) or ask the system again
// (false), so that the native ways are taken as on Windows XP.
void FailLateLookups(bool fail);
