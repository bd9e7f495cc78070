#include "support/testing.h"

#include <shlwapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "system/log.h"

namespace {
// Wide calls, so that names the code page cannot spell (which some tests
// make on purpose) go too.
void RemoveTree(const std::wstring &path) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                RemoveTree(child);
            else if (!DeleteFileW(child.c_str()))
                RemoveDirectoryW(child.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

std::wstring WidePath(const std::string &path) {
    const int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? static_cast<size_t>(n) : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, out.data(), n);
    out.resize(wcslen(out.c_str()));
    return out;
}
} // namespace

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string base = temp;
    if (!base.empty() && base.back() == '\\')
        base.pop_back();
    for (int attempt = 0; attempt < 1000; ++attempt) {
        char name[96];
        std::snprintf(name, sizeof name, "\\qmtest-%lu-%d-%lu", GetCurrentProcessId(), counter++,
                      static_cast<unsigned long>(GetTickCount()));
        if (CreateDirectoryA((base + name).c_str(), nullptr)) {
            path_ = base + name;
            return;
        }
    }
}

TempDir::~TempDir() {
    if (!path_.empty())
        RemoveTree(WidePath(path_));
}

CapturedLog::CapturedLog() : previous_(LogFolder()) {
    WriteFileBytes(file(), "");
    LogFolder() = dir_.path();
}

CapturedLog::~CapturedLog() { LogFolder() = previous_; }

std::string CapturedLog::text() const { return ReadFileBytes(file()); }

std::vector<std::string> CapturedLog::lines() const {
    std::vector<std::string> out;
    const std::string all = text();
    size_t start = 0;
    while (start < all.size()) {
        const auto end = all.find("\r\n", start);
        if (end == std::string::npos) {
            out.push_back(all.substr(start));
            break;
        }
        out.push_back(all.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

TestKey::TestKey(HKEY root, std::string path) : root_(root), path_(std::move(path)) {
    DeleteRegTree(root_, path_);
    CreateRegKey(root_, path_);
}

TestKey::~TestKey() { DeleteRegTree(root_, path_); }

namespace {
void SetRaw(HKEY root, const std::string &key, const std::string &name, DWORD type, const void *data, DWORD size) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(h, name.c_str(), 0, type, static_cast<const BYTE *>(data), size);
    RegCloseKey(h);
}
} // namespace

void SetRegString(HKEY root, const std::string &key, const std::string &name, const std::string &text, DWORD type) {
    SetRaw(root, key, name, type, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void SetRegDword(HKEY root, const std::string &key, const std::string &name, DWORD value) {
    SetRaw(root, key, name, REG_DWORD, &value, sizeof value);
}

void SetRegBinary(HKEY root, const std::string &key, const std::string &name, const std::string &bytes, DWORD type) {
    SetRaw(root, key, name, type, bytes.data(), static_cast<DWORD>(bytes.size()));
}

void SetRegMultiString(HKEY root, const std::string &key, const std::string &name,
                       const std::vector<std::string> &items) {
    std::string data;
    for (const auto &item : items) {
        data += item;
        data.push_back('\0');
    }
    data.push_back('\0');
    SetRaw(root, key, name, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size()));
}

void CreateRegKey(HKEY root, const std::string &key) {
    HKEY h = nullptr;
    if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr) == ERROR_SUCCESS)
        RegCloseKey(h);
}

void DeleteRegTree(HKEY root, const std::string &key) { SHDeleteKeyA(root, key.c_str()); }

bool RegKeyExists(HKEY root, const std::string &key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

bool WriteFileBytes(const std::string &path, const std::string &bytes) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(h);
    return ok && written == bytes.size();
}

std::string ReadFileBytes(const std::string &path) {
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return "";
    std::string out;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0)
        out.append(buffer, got);
    CloseHandle(h);
    return out;
}

namespace {
std::map<std::string, ChildMain> &Children() {
    static std::map<std::string, ChildMain> children;
    return children;
}
} // namespace

bool RegisterChild(const std::string &name, ChildMain main) {
    Children()[name] = std::move(main);
    return true;
}

// Called by main() before the tests: runs a child role when asked to.
bool RunChildIfAsked(int argc, char **argv, int &exitCode) {
    if (argc < 3 || std::string(argv[1]) != "--child")
        return false;
    auto it = Children().find(argv[2]);
    if (it == Children().end()) {
        exitCode = 97;
        return true;
    }
    std::vector<std::string> args(argv + 3, argv + argc);
    exitCode = it->second(args);
    return true;
}

HANDLE StartChild(const std::string &name, const std::vector<std::string> &args) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string command = std::string("\"") + exe + "\" --child " + name;
    for (const auto &a : args)
        command += " \"" + a + "\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

int RunChild(const std::string &name, const std::vector<std::string> &args, DWORD timeoutMs) {
    HANDLE process = StartChild(name, args);
    if (process == nullptr)
        return -1;
    int result = -1;
    if (WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process, &code);
        result = static_cast<int>(code);
    } else {
        TerminateProcess(process, 1);
    }
    CloseHandle(process);
    return result;
}

std::string WinePrefixUnixPath() {
    const char *prefix = std::getenv("WINEPREFIX");
    return prefix != nullptr ? prefix : "";
}
