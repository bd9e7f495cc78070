#include "api_trace.h"

#include <shellapi.h>

#include <unordered_map>

namespace {

struct TraceState {
    bool counting = false;
    bool recording = false;
    ApiRecord record;
    std::unordered_map<HKEY, KeyName> handles;
};

TraceState &State() {
    static TraceState state;
    return state;
}

void Count(TracedApi api) {
    if (State().counting)
        ++State().record.calls[api];
}

bool Recording() { return State().recording; }

void NoteFile(LPCSTR path) {
    if (path == nullptr)
        return;
    std::string text = path;
    if (!text.empty() && text.back() == '*') {
        State().record.listedFolders.insert(text);
        return;
    }
    for (char &c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    State().record.probedFiles.insert(text);
}

KeyName NameOf(HKEY key) {
    const auto &handles = State().handles;
    const auto it = handles.find(key);
    return it != handles.end() ? it->second : KeyName{key, ""};
}

KeyUse &UseOf(HKEY key) { return State().record.opened[NameOf(key)]; }

} // namespace

const char *TracedApiName(int api) {
    static const char *const names[kTracedApiCount] = {
        "RegOpenKeyEx",           "RegCloseKey",         "RegQueryValueEx", "RegEnumValue",
        "RegEnumKeyEx",           "RegQueryInfoKey",     "FindFirstFile",   "FindNextFile",
        "GetFileAttributes",      "GetFileAttributesEx", "CreateFile",      "GetEnvironmentVariable",
        "GetFileVersionInfoSize", "GetFileVersionInfo",  "VerQueryValue",   "SHGetFileInfo"};
    return api >= 0 && api < kTracedApiCount ? names[api] : "?";
}

void StartTrace(bool record) {
    TraceState &s = State();
    s.record = ApiRecord{};
    s.handles.clear();
    s.counting = true;
    s.recording = record;
}

ApiRecord StopTrace() {
    TraceState &s = State();
    s.counting = false;
    s.recording = false;
    s.handles.clear();
    return std::move(s.record);
}

// The wrappers. The link sends the program's references to each function's
// import slot (__imp_X) to __wrap___imp_X; __real___imp_X is the slot itself.
#define QM_REAL(ret, name, params) extern "C" ret(WINAPI *__real___imp_##name) params;
#define QM_WRAP(ret, name, params)                                                                                     \
    extern "C" {                                                                                                       \
    ret(WINAPI *__wrap___imp_##name) params = Hook_##name;                                                             \
    }

QM_REAL(LONG, RegOpenKeyExA, (HKEY, LPCSTR, DWORD, REGSAM, PHKEY))
QM_REAL(LONG, RegCloseKey, (HKEY))
QM_REAL(LONG, RegQueryValueExA, (HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD))
QM_REAL(LONG, RegEnumValueA, (HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD))
QM_REAL(LONG, RegEnumKeyExA, (HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME))
QM_REAL(LONG, RegQueryInfoKeyA,
        (HKEY, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, PFILETIME))
QM_REAL(HANDLE, FindFirstFileA, (LPCSTR, LPWIN32_FIND_DATAA))
QM_REAL(BOOL, FindNextFileA, (HANDLE, LPWIN32_FIND_DATAA))
QM_REAL(DWORD, GetFileAttributesA, (LPCSTR))
QM_REAL(BOOL, GetFileAttributesExA, (LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID))
QM_REAL(HANDLE, CreateFileA, (LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE))
QM_REAL(DWORD, GetEnvironmentVariableA, (LPCSTR, LPSTR, DWORD))
// The version functions are declared without an import attribute: their
// calls go to the plain names, wrapped as __wrap_X with __real_X behind.
extern "C" DWORD WINAPI __real_GetFileVersionInfoSizeA(LPCSTR, LPDWORD);
extern "C" BOOL WINAPI __real_GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID);
extern "C" BOOL WINAPI __real_VerQueryValueA(LPCVOID, LPCSTR, LPVOID *, PUINT);
QM_REAL(DWORD_PTR, SHGetFileInfoA, (LPCSTR, DWORD, SHFILEINFOA *, UINT, UINT))

namespace {

LONG WINAPI Hook_RegOpenKeyExA(HKEY parent, LPCSTR sub, DWORD options, REGSAM access, PHKEY result) {
    Count(kRegOpenKeyEx);
    const LONG rc = __real___imp_RegOpenKeyExA(parent, sub, options, access, result);
    if (Recording()) {
        KeyName name = NameOf(parent);
        const std::string tail = sub != nullptr ? sub : "";
        if (!tail.empty())
            name.path = name.path.empty() ? tail : name.path + "\\" + tail;
        if (rc == ERROR_SUCCESS) {
            State().handles[*result] = name;
            ++State().record.opened[name].opens;
        } else {
            ++State().record.missing[name];
        }
    }
    return rc;
}

LONG WINAPI Hook_RegCloseKey(HKEY key) {
    Count(kRegCloseKey);
    if (Recording())
        State().handles.erase(key);
    return __real___imp_RegCloseKey(key);
}

LONG WINAPI Hook_RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
    Count(kRegQueryValueEx);
    if (Recording())
        UseOf(key).values.insert(name != nullptr ? name : "");
    return __real___imp_RegQueryValueExA(key, name, reserved, type, data, size);
}

LONG WINAPI Hook_RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPDWORD type,
                               LPBYTE data, LPDWORD dataSize) {
    Count(kRegEnumValue);
    if (Recording())
        UseOf(key).listedValues = true;
    return __real___imp_RegEnumValueA(key, index, name, nameSize, reserved, type, data, dataSize);
}

LONG WINAPI Hook_RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved, LPSTR cls,
                               LPDWORD clsSize, PFILETIME time) {
    Count(kRegEnumKeyEx);
    if (Recording())
        UseOf(key).listedSubKeys = true;
    return __real___imp_RegEnumKeyExA(key, index, name, nameSize, reserved, cls, clsSize, time);
}

LONG WINAPI Hook_RegQueryInfoKeyA(HKEY key, LPSTR cls, LPDWORD clsSize, LPDWORD reserved, LPDWORD subKeys,
                                  LPDWORD maxSubKey, LPDWORD maxClass, LPDWORD values, LPDWORD maxValueName,
                                  LPDWORD maxValue, LPDWORD security, PFILETIME time) {
    Count(kRegQueryInfoKey);
    return __real___imp_RegQueryInfoKeyA(key, cls, clsSize, reserved, subKeys, maxSubKey, maxClass, values,
                                         maxValueName, maxValue, security, time);
}

HANDLE WINAPI Hook_FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    Count(kFindFirstFile);
    if (Recording())
        NoteFile(pattern);
    return __real___imp_FindFirstFileA(pattern, data);
}

BOOL WINAPI Hook_FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    Count(kFindNextFile);
    return __real___imp_FindNextFileA(find, data);
}

DWORD WINAPI Hook_GetFileAttributesA(LPCSTR path) {
    Count(kGetFileAttributes);
    if (Recording())
        NoteFile(path);
    return __real___imp_GetFileAttributesA(path);
}

BOOL WINAPI Hook_GetFileAttributesExA(LPCSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
    Count(kGetFileAttributesEx);
    if (Recording())
        NoteFile(path);
    return __real___imp_GetFileAttributesExA(path, level, info);
}

HANDLE WINAPI Hook_CreateFileA(LPCSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD how,
                               DWORD flags, HANDLE templ) {
    Count(kCreateFile);
    return __real___imp_CreateFileA(path, access, share, security, how, flags, templ);
}

DWORD WINAPI Hook_GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    Count(kGetEnvironmentVariable);
    return __real___imp_GetEnvironmentVariableA(name, buffer, size);
}

DWORD_PTR WINAPI Hook_SHGetFileInfoA(LPCSTR path, DWORD attributes, SHFILEINFOA *info, UINT size, UINT flags) {
    Count(kSHGetFileInfo);
    return __real___imp_SHGetFileInfoA(path, attributes, info, size, flags);
}

} // namespace

QM_WRAP(LONG, RegOpenKeyExA, (HKEY, LPCSTR, DWORD, REGSAM, PHKEY))
QM_WRAP(LONG, RegCloseKey, (HKEY))
QM_WRAP(LONG, RegQueryValueExA, (HKEY, LPCSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD))
QM_WRAP(LONG, RegEnumValueA, (HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPBYTE, LPDWORD))
QM_WRAP(LONG, RegEnumKeyExA, (HKEY, DWORD, LPSTR, LPDWORD, LPDWORD, LPSTR, LPDWORD, PFILETIME))
QM_WRAP(LONG, RegQueryInfoKeyA,
        (HKEY, LPSTR, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, LPDWORD, PFILETIME))
QM_WRAP(HANDLE, FindFirstFileA, (LPCSTR, LPWIN32_FIND_DATAA))
QM_WRAP(BOOL, FindNextFileA, (HANDLE, LPWIN32_FIND_DATAA))
QM_WRAP(DWORD, GetFileAttributesA, (LPCSTR))
QM_WRAP(BOOL, GetFileAttributesExA, (LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID))
QM_WRAP(HANDLE, CreateFileA, (LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE))
QM_WRAP(DWORD, GetEnvironmentVariableA, (LPCSTR, LPSTR, DWORD))
QM_WRAP(DWORD_PTR, SHGetFileInfoA, (LPCSTR, DWORD, SHFILEINFOA *, UINT, UINT))

extern "C" DWORD WINAPI __wrap_GetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle) {
    Count(kGetFileVersionInfoSize);
    return __real_GetFileVersionInfoSizeA(path, handle);
}

extern "C" BOOL WINAPI __wrap_GetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data) {
    Count(kGetFileVersionInfo);
    return __real_GetFileVersionInfoA(path, handle, size, data);
}

extern "C" BOOL WINAPI __wrap_VerQueryValueA(LPCVOID block, LPCSTR sub, LPVOID *buffer, PUINT length) {
    Count(kVerQueryValue);
    return __real_VerQueryValueA(block, sub, buffer, length);
}
