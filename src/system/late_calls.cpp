#include "system/late_calls.h"

#include <shlwapi.h>

#include <atomic>
#include <cwctype>
#include <string>
#include <vector>

#include "system/codepage.h"
#include "system/log.h"

namespace {

std::atomic<bool> &LookupsFail() {
    static std::atomic<bool> fail{false};
    return fail;
}

// The function name exports from module (already loaded), or null.
template <typename Function> Function Exported(const char *module, const char *name) {
    if (LookupsFail())
        return nullptr;
    const HMODULE loaded = GetModuleHandleA(module);
    return loaded == nullptr ? nullptr
                             : reinterpret_cast<Function>(reinterpret_cast<void *>(GetProcAddress(loaded, name)));
}

struct StatusBlock {
    LONG_PTR status;
    ULONG_PTR information;
};

using FileInformationCall = LONG(WINAPI *)(HANDLE, StatusBlock *, void *, ULONG, int);

// Sets the last error from a native status; true when the status is success.
bool Succeeded(LONG status) {
    if (status >= 0)
        return true;
    using ToError = ULONG(WINAPI *)(LONG);
    const auto toError = NativeCall<ToError>("RtlNtStatusToDosError");
    SetLastError(toError != nullptr ? toError(status) : ERROR_GEN_FAILURE);
    return false;
}

BOOL Refused(const char *call, DWORD detail) {
    WriteLog(std::string(call) + " has no native form for " + std::to_string(detail) + ": " +
             ApiErrorText(ERROR_NOT_SUPPORTED));
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

// The native information class of a by-handle class, -1 for one that has none
// of the same layout.
int NativeClassOf(FILE_INFO_BY_HANDLE_CLASS kind) {
    switch (kind) {
    case FileBasicInfo:
        return 4;
    case FileStandardInfo:
        return 5;
    case FileRenameInfo:
        return 10;
    case FileDispositionInfo:
        return 13;
    case FileAllocationInfo:
        return 19;
    case FileEndOfFileInfo:
        return 20;
    default:
        return -1;
    }
}

BOOL NativeFileInformation(const char *call, const char *native, HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind,
                           void *data, DWORD size) {
    const int nativeClass = NativeClassOf(kind);
    const auto information = NativeCall<FileInformationCall>(native);
    if (nativeClass < 0 || information == nullptr)
        return Refused(call, static_cast<DWORD>(kind));
    StatusBlock status{};
    return Succeeded(information(file, &status, data, size, nativeClass)) ? TRUE : FALSE;
}

bool StartsWith(const std::wstring &text, const std::wstring &start) {
    return text.compare(0, start.size(), start) == 0;
}

// The redirector's name of a network file ("\Device\Mup\server\share\...",
// on XP also "\Device\LanmanRedirector\;Z:0...\server\share\...") as
// "\\?\UNC\server\share\..."; "" for any other name.
std::wstring NetworkPath(const std::wstring &name) {
    for (const wchar_t *device : {L"\\Device\\Mup\\", L"\\Device\\LanmanRedirector\\"}) {
        if (!StartsWith(name, device))
            continue;
        std::wstring rest = name.substr(wcslen(device));
        if (!rest.empty() && rest[0] == L';') {
            const size_t cut = rest.find(L'\\');
            rest = cut == std::wstring::npos ? L"" : rest.substr(cut + 1);
        }
        return rest.empty() ? L"" : L"\\\\?\\UNC\\" + rest;
    }
    return L"";
}

// The object name of an open file in the form GetFinalPathNameByHandleW gives
// for FILE_NAME_NORMALIZED | VOLUME_NAME_DOS; "" when its volume has no drive
// letter.
std::wstring DosNameOf(const std::wstring &name) {
    if (StartsWith(name, L"\\??\\"))
        return L"\\\\?\\" + name.substr(4);
    const std::wstring network = NetworkPath(name);
    if (!network.empty())
        return network;
    const DWORD drives = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if ((drives & (1u << letter)) == 0)
            continue;
        const wchar_t drive[3] = {static_cast<wchar_t>(L'A' + letter), L':', L'\0'};
        wchar_t device[MAX_PATH];
        if (QueryDosDeviceW(drive, device, MAX_PATH) == 0)
            continue;
        const std::wstring prefix = device;
        if (prefix.empty() || !StartsWith(name, prefix) ||
            (name.size() > prefix.size() && name[prefix.size()] != L'\\'))
            continue;
        const std::wstring rest = name.substr(prefix.size());
        return L"\\\\?\\" + std::wstring(drive) + (rest.empty() ? L"\\" : rest);
    }
    return L"";
}

// Where an open file lies, read from the object manager: the name after every
// link was followed, as the file system opened it.
std::wstring ObjectNameOf(HANDLE file) {
    using QueryObject = LONG(WINAPI *)(HANDLE, int, void *, ULONG, ULONG *);
    constexpr int kObjectNameInformation = 1;
    const auto query = NativeCall<QueryObject>("NtQueryObject");
    if (query == nullptr)
        return L"";
    struct Name {
        USHORT length;
        USHORT maximum;
        wchar_t *buffer;
    };
    std::vector<unsigned char> buffer(sizeof(Name) + 2 * 32768 + 8);
    ULONG got = 0;
    if (!Succeeded(query(file, kObjectNameInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &got)))
        return L"";
    const auto *name = reinterpret_cast<const Name *>(buffer.data());
    if (name->buffer == nullptr)
        return L"";
    return std::wstring(name->buffer, name->length / sizeof(wchar_t));
}

std::wstring UpperOrdinal(const wchar_t *text, int length) {
    std::wstring upper = length < 0 ? std::wstring(text) : std::wstring(text, static_cast<size_t>(length));
    // The system's own case table, the one file names are compared with.
    using Upcase = wchar_t(WINAPI *)(wchar_t);
    const auto upcase = NativeCall<Upcase>("RtlUpcaseUnicodeChar");
    for (wchar_t &c : upper)
        c = upcase != nullptr ? upcase(c) : static_cast<wchar_t>(std::towupper(c));
    return upper;
}

// GetTickCount64 on GetTickCount, counting the times its 32 bits ran over
// (a lock of its own: the thread library asks from any thread).
ULONGLONG WINAPI TickCountOnGetTickCount() {
    static volatile LONG busy = 0;
    static DWORD last = 0;
    static ULONGLONG turns = 0;
    while (InterlockedExchange(&busy, 1) != 0)
        Sleep(0);
    const DWORD now = GetTickCount();
    if (now < last)
        ++turns;
    last = now;
    const ULONGLONG result = (turns << 32) | now;
    InterlockedExchange(&busy, 0);
    return result;
}

ULONGLONG WINAPI LateGetTickCount64() {
    using TickCount = ULONGLONG(WINAPI *)();
    static const TickCount system = Exported<TickCount>("kernel32.dll", "GetTickCount64");
    return system != nullptr && !LookupsFail() ? system() : TickCountOnGetTickCount();
}

} // namespace

// The thread library calls GetTickCount64 through its import slot; this slot,
// linked before the system's, sends the call here instead.
#ifdef _WIN64
extern "C" ULONGLONG(WINAPI *const GetTickCount64Slot)() __asm__("__imp_GetTickCount64");
extern "C" ULONGLONG(WINAPI *const GetTickCount64Slot)() = LateGetTickCount64;
#else
extern "C" ULONGLONG(WINAPI *const GetTickCount64Slot)() __asm__("__imp__GetTickCount64@0");
extern "C" ULONGLONG(WINAPI *const GetTickCount64Slot)() = LateGetTickCount64;
#endif

LONG LateRegDeleteTreeA(HKEY key, const char *subKey) {
    using DeleteTree = LONG(WINAPI *)(HKEY, const char *);
    if (const auto system = Exported<DeleteTree>("advapi32.dll", "RegDeleteTreeA"))
        return system(key, subKey);
    // Every subkey with its subtree, then every value; the key itself stays.
    HKEY opened = nullptr;
    if (subKey != nullptr && *subKey != '\0') {
        const LONG rc = RegOpenKeyExA(key, subKey, 0, KEY_READ | KEY_WRITE | DELETE, &opened);
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    struct Closer {
        HKEY key;
        ~Closer() {
            if (key != nullptr)
                RegCloseKey(key);
        }
    } closer{opened};
    const HKEY target = opened != nullptr ? opened : key;
    for (;;) {
        wchar_t name[256];
        DWORD length = 256;
        LONG rc = RegEnumKeyExW(target, 0, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            break;
        if (rc == ERROR_SUCCESS)
            rc = static_cast<LONG>(SHDeleteKeyW(target, name));
        if (rc != ERROR_SUCCESS)
            return rc;
    }
    for (;;) {
        std::vector<wchar_t> name(16384);
        DWORD length = static_cast<DWORD>(name.size());
        LONG rc = RegEnumValueW(target, 0, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS)
            return ERROR_SUCCESS;
        if (rc == ERROR_SUCCESS && std::wstring(name.data(), length).find(L'\0') != std::wstring::npos)
            rc = ERROR_INVALID_NAME; // a name the call cannot spell would be met again and again
        if (rc == ERROR_SUCCESS)
            rc = RegDeleteValueW(target, name.data());
        if (rc != ERROR_SUCCESS)
            return rc;
    }
}

DWORD LateGetFinalPathNameByHandleW(HANDLE file, wchar_t *path, DWORD size, DWORD flags) {
    using FinalPath = DWORD(WINAPI *)(HANDLE, wchar_t *, DWORD, DWORD);
    if (const auto system = Exported<FinalPath>("kernel32.dll", "GetFinalPathNameByHandleW"))
        return system(file, path, size, flags);
    if (flags != (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)) {
        Refused("GetFinalPathNameByHandleW", flags);
        return 0;
    }
    const std::wstring name = ObjectNameOf(file);
    const std::wstring dos = name.empty() ? L"" : DosNameOf(name);
    if (dos.empty()) {
        if (!name.empty()) {
            WriteLog("GetFinalPathNameByHandleW " + AnsiText(name) + " lies on no drive");
            SetLastError(ERROR_PATH_NOT_FOUND);
        }
        return 0;
    }
    if (dos.size() >= size)
        return static_cast<DWORD>(dos.size() + 1);
    dos.copy(path, dos.size());
    path[dos.size()] = L'\0';
    return static_cast<DWORD>(dos.size());
}

BOOL LateSetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void *data, DWORD size) {
    using SetInformation = BOOL(WINAPI *)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void *, DWORD);
    if (const auto system = Exported<SetInformation>("kernel32.dll", "SetFileInformationByHandle"))
        return system(file, kind, data, size);
    return NativeFileInformation("SetFileInformationByHandle", "NtSetInformationFile", file, kind, data, size);
}

BOOL LateGetFileInformationByHandleEx(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void *data, DWORD size) {
    using GetInformation = BOOL(WINAPI *)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void *, DWORD);
    if (const auto system = Exported<GetInformation>("kernel32.dll", "GetFileInformationByHandleEx"))
        return system(file, kind, data, size);
    if (kind == FileRenameInfo || kind == FileDispositionInfo || kind == FileAllocationInfo ||
        kind == FileEndOfFileInfo)
        return Refused("GetFileInformationByHandleEx", static_cast<DWORD>(kind));
    return NativeFileInformation("GetFileInformationByHandleEx", "NtQueryInformationFile", file, kind, data, size);
}

int LateCompareStringOrdinal(const wchar_t *a, int aLength, const wchar_t *b, int bLength, BOOL ignoreCase) {
    using Compare = int(WINAPI *)(const wchar_t *, int, const wchar_t *, int, BOOL);
    if (const auto system = Exported<Compare>("kernel32.dll", "CompareStringOrdinal"))
        return system(a, aLength, b, bLength, ignoreCase);
    const std::wstring x = ignoreCase ? UpperOrdinal(a, aLength) : std::wstring(a, aLength < 0 ? wcslen(a) : aLength);
    const std::wstring y = ignoreCase ? UpperOrdinal(b, bLength) : std::wstring(b, bLength < 0 ? wcslen(b) : bLength);
    const int order = x.compare(y);
    return order < 0 ? CSTR_LESS_THAN : order > 0 ? CSTR_GREATER_THAN : CSTR_EQUAL;
}

BOOL LateSetDefaultDllDirectories(DWORD flags) {
    using SetDirectories = BOOL(WINAPI *)(DWORD);
    if (const auto system = Exported<SetDirectories>("kernel32.dll", "SetDefaultDllDirectories"))
        return system(flags);
    using SetDirectory = BOOL(WINAPI *)(const wchar_t *);
    if (const auto directory = Exported<SetDirectory>("kernel32.dll", "SetDllDirectoryW"))
        directory(L"");
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

bool RunningUnderWow64() {
    using IsWow64 = BOOL(WINAPI *)(HANDLE, BOOL *);
    const auto isWow64 = Exported<IsWow64>("kernel32.dll", "IsWow64Process");
    BOOL wow64 = FALSE;
    return isWow64 != nullptr && isWow64(GetCurrentProcess(), &wow64) && wow64 != FALSE;
}

void FailLateLookups(bool fail) { LookupsFail() = fail; }
