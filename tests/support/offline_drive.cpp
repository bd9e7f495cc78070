#include "support/offline_drive.h"

#include <windows.h>

#include <atomic>
#include <cstdio>

#include "system/handles.h"
#include "system/late_calls.h"
#include "system/platform.h"

namespace {

using UnixNameFn = char *(__cdecl *)(const wchar_t *);
using DosNameFn = wchar_t *(__cdecl *)(const char *);

std::wstring Wide(const std::string &text) {
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), n);
    out.resize(wcslen(out.c_str()));
    return out;
}

// The unix path of a Windows path (Wine only; "" elsewhere).
std::string UnixPath(const std::string &path) {
    auto fn = reinterpret_cast<UnixNameFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name")));
    if (fn == nullptr)
        return std::string();
    char *name = fn(Wide(path).c_str());
    if (name == nullptr)
        return std::string();
    std::string out = name;
    HeapFree(GetProcessHeap(), 0, name);
    return out;
}

// Starts a unix tool with arguments. Wine gives no handle to wait on for a
// unix process, so callers poll for its effect. Nor does it fill in the
// handles of PROCESS_INFORMATION: it reports whatever its own stack held
// there, which may be the value of any handle the process has open (closing
// it once took the process's cached HKEY_LOCAL_MACHINE away, and every later
// registry call failed). So they are never closed.
bool StartUnixTool(const char *tool, const std::string &args) {
    std::string exe = DosPath(std::string("/bin/") + tool);
    if (exe.empty() || GetFileAttributesA(exe.c_str()) == INVALID_FILE_ATTRIBUTES)
        exe = DosPath(std::string("/usr/bin/") + tool);
    if (exe.empty())
        return false;
    std::string command = "\"" + exe + "\" " + args;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    return CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != FALSE;
}

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Polls until Exists(path) == wanted, up to the time-out.
bool WaitFor(const std::string &path, bool wanted, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (Exists(path) == wanted)
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(10);
    }
}

bool MakeDirs(const std::string &path) {
    for (std::size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1))
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
    CreateDirectoryA(path.c_str(), nullptr);
    return Exists(path);
}

std::string Quoted(const std::string &text) { return "\"" + text + "\""; }

} // namespace

std::string DosPath(const std::string &unixPath) {
    auto fn = reinterpret_cast<DosNameFn>(
        reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_dos_file_name")));
    if (fn == nullptr)
        return std::string();
    wchar_t *name = fn(unixPath.c_str());
    if (name == nullptr)
        return std::string();
    const int n = WideCharToMultiByte(CP_ACP, 0, name, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, name, -1, out.data(), n, nullptr, nullptr);
    HeapFree(GetProcessHeap(), 0, name);
    out.resize(strlen(out.c_str()));
    return out;
}

OfflineDrive::OfflineDrive(char first) {
    static std::atomic<int> counter{0};
    char name[64];
    std::snprintf(name, sizeof name, "qm-drive-%lu-%d.marker", GetCurrentProcessId(), counter++);
    marker_ = name;
    if (dir_.path().empty() || !WriteFileBytes(dir_ / marker_, "marker"))
        return;
    if (first >= 'a' && first <= 'z')
        first = static_cast<char>(first - 'a' + 'A');
    for (char letter = first < 'D' ? 'D' : first; letter <= 'Y'; ++letter)
        if (Claim(letter))
            return;
}

OfflineDrive::~OfflineDrive() { Release(); }

bool OfflineDrive::Claim(char letter) {
    const std::string device = std::string(1, letter) + ":";
    if ((GetLogicalDrives() & (1u << (letter - 'A'))) != 0 || Exists(device + "\\"))
        return false;
    if (RunningOnWine()) {
        // The link is made only when no link of that name exists (ln refuses
        // to replace one), which makes the claim atomic between processes.
        const std::string dosdevices = UnixPath("C:\\");
        const std::size_t cut = dosdevices.rfind("/c:");
        const std::string target = UnixPath(dir_.path());
        if (cut == std::string::npos || target.empty())
            return false;
        const std::string link = dosdevices.substr(0, cut) + "/" + static_cast<char>(letter - 'A' + 'a') + ":";
        if (!StartUnixTool("ln", "-s " + Quoted(target) + " " + Quoted(link)))
            return false;
        if (!WaitFor(device + "\\" + marker_, true, 15000))
            return false; // another owner, or the link was not made
        unixLink_ = link;
    }
    letter_ = letter;
    if (!DefineDosDeviceA(0, device.c_str(), dir_.path().c_str()) && !RunningOnWine()) {
        letter_ = 0;
        return false;
    }
    if (!RunningOnWine() && !WaitFor(device + "\\" + marker_, true, 2000)) {
        Release();
        return false;
    }
    return true;
}

void OfflineDrive::Release() {
    if (letter_ == 0)
        return;
    const std::string device = std::string(1, letter_) + ":";
    // Wine names an open file by the drive whose root has the same file
    // identity as one of its folders, from a list it refreshes once a
    // second. Until then a folder made after this one is deleted may get its
    // identity and be named below the old letter: wait until this folder,
    // held open, is no longer named below it.
    FileHandle held(CreateFileA(dir_.path().c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    DefineDosDeviceA(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, device.c_str(), dir_.path().c_str());
    if (!unixLink_.empty() && StartUnixTool("rm", "-f " + Quoted(unixLink_))) {
        WaitFor(device + "\\" + marker_, false, 5000);
        auto underLetter = [&] {
            wchar_t name[MAX_PATH + 8] = {};
            const DWORD n = LateGetFinalPathNameByHandleW(held.get(), name, MAX_PATH + 8, VOLUME_NAME_DOS);
            const std::wstring named(name, n < MAX_PATH + 8 ? n : 0);
            const std::wstring prefix = L"\\\\?\\" + std::wstring(1, static_cast<wchar_t>(letter_)) + L":";
            return named.size() >= prefix.size() && _wcsnicmp(named.c_str(), prefix.c_str(), prefix.size()) == 0;
        };
        for (const DWORD start = GetTickCount(); held && underLetter() && GetTickCount() - start < 10000;)
            Sleep(20);
    }
    unixLink_.clear();
    letter_ = 0;
}

std::string OfflineDrive::root() const { return letter_ == 0 ? std::string() : std::string(1, letter_) + ":\\"; }

bool OfflineDrive::MakeFolder(const std::string &relative) const { return MakeDirs(dir_ / relative); }

bool OfflineDrive::WriteFile(const std::string &relative, const std::string &bytes) const {
    const std::string path = dir_ / relative;
    const std::size_t slash = path.rfind('\\');
    if (slash != std::string::npos && slash > dir_.path().size())
        MakeDirs(path.substr(0, slash));
    return WriteFileBytes(path, bytes);
}

bool OfflineDrive::WriteBootIni(const std::string &defaultLine) const {
    return WriteFile("boot.ini", "[boot loader]\r\ntimeout=30\r\ndefault=" + defaultLine +
                                     "\r\n[operating systems]\r\n" + defaultLine + "=\"Windows\" /fastdetect\r\n");
}

bool OfflineDrive::WriteBcd(const std::string &bytes) const { return WriteFile("Boot\\BCD", bytes); }

bool OfflineDrive::MakeWindowsFolder(const std::string &windowsFolder) const {
    return MakeFolder(windowsFolder + "\\system32\\config");
}

bool OfflineDrive::WriteConfigFile(const std::string &windowsFolder, const std::string &name,
                                   const std::string &bytes) const {
    return WriteFile(windowsFolder + "\\system32\\config\\" + name, bytes);
}

bool OfflineDrive::MakeUnloadableInstallation() const {
    return WriteBootIni("multi(0)disk(0)rdisk(0)partition(1)\\WINDOWS") && MakeWindowsFolder("WINDOWS") &&
           WriteConfigFile("WINDOWS", "software", "not a hive") &&
           WriteConfigFile("WINDOWS", "system", "not a hive either");
}

std::string OfflineDrive::Utf16(const std::string &text) {
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out;
}

std::string OfflineDrive::BcdImage(const std::string &windowsFolder) {
    std::string bytes = "regf";
    bytes += std::string("\x01\0\0\0\xF0\xFF\x81\x02", 8);
    bytes += std::string(200, '\0');
    bytes += "hbin";
    bytes += std::string("\x10\x00\x00\x00\xA8\xFE\xFF\xFF", 8);
    bytes += "vk";
    bytes += std::string("\x07\x00\x40\x00\x00\x00\x90\x01", 8);
    bytes += Utf16("\\Device\\HarddiskVolume1");
    bytes += std::string("\0\0\x88\x13\xC2", 5);
    bytes += "vk";
    bytes += std::string("\x07\x00\x60\x00\x00\x00", 6);
    bytes += Utf16("\\" + windowsFolder + "\\system32\\winload.exe");
    bytes += std::string("\0\0\xFF\xFE\x01\x02", 6);
    bytes += Utf16("Windows Boot Loader");
    bytes += std::string(64, '\0');
    return bytes;
}

bool MakeFolderLink(const std::string &target, const std::string &link) {
    if (!RunningOnWine())
        return CreateSymbolicLinkA(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) != FALSE;
    const std::string unixTarget = UnixPath(target);
    const std::string unixLink = UnixPath(link);
    if (unixTarget.empty() || unixLink.empty())
        return false;
    return StartUnixTool("ln", "-s " + Quoted(unixTarget) + " " + Quoted(unixLink)) && WaitFor(link, true, 15000);
}

void RemoveFolderLink(const std::string &link) {
    if (!RunningOnWine()) {
        RemoveDirectoryA(link.c_str());
        return;
    }
    const std::string unixLink = UnixPath(link);
    if (!unixLink.empty() && StartUnixTool("rm", "-f " + Quoted(unixLink)))
        WaitFor(link, false, 15000);
}
