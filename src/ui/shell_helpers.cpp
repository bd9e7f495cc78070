#include "ui/shell_helpers.h"

#include <shellapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <utility>

#include "registry/access.h"
#include "system/files.h"
#include "scan/imagepath.h"
#include "scan/records.h"
#include "system/handles.h"
#include "system/text.h"

namespace {

bool SetDebugPrivilege(HANDLE token, bool enable) {
    TOKEN_PRIVILEGES tp{};
    if (!LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &tp.Privileges[0].Luid))
        return false;
    tp.PrivilegeCount = 1;
    tp.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    return AdjustTokenPrivileges(token, FALSE, &tp, sizeof tp, nullptr, nullptr) != FALSE;
}

long ShellStart(const std::string &path, const std::string &arguments, const std::string &folder) {
    const HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "Open", path.c_str(),
                                           arguments.empty() ? nullptr : arguments.c_str(), folder.c_str(),
                                           SW_SHOWNORMAL);
    return static_cast<long>(reinterpret_cast<INT_PTR>(result));
}

ProgramStarter &Starter() {
    static ProgramStarter starter = ShellStart;
    return starter;
}

std::string WindowsFolder() {
    char buffer[MAX_PATH + 1] = {};
    const UINT n = GetSystemWindowsDirectoryA(buffer, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(buffer, n) : std::string("C:\\Windows");
}

// The registered path of the browser when that file is there.
std::string RegisteredBrowser() {
    std::string path = AppPathLookup("iexplore.exe", kScopeProfilesFolder);
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    char expanded[MAX_PATH + 1] = {};
    const DWORD n = ExpandEnvironmentStringsA(path.c_str(), expanded, MAX_PATH);
    if (n > 0 && n <= MAX_PATH)
        path = CutAtNull(std::string(expanded, n));
    const DWORD attributes = GetFileAttributesA(path.c_str());
    const bool file = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    return file && path.find(':') == 1 ? path : std::string();
}

} // namespace

std::string SystemProgramPath(const std::string &name) {
    if (LowerText(name) != "iexplore.exe")
        return WindowsFolder() + "\\" + name;
    const std::string registered = RegisteredBrowser();
    if (!registered.empty())
        return registered;
    std::string programs = GetSpecialFolder(kCsidlProgramFiles);
    if (programs.empty())
        programs = WindowsFolder().substr(0, 2) + "\\Program Files";
    return programs + "\\Internet Explorer\\" + name;
}

std::string StartSystemProgram(const std::string &name, const std::string &arguments) {
    const std::string path = SystemProgramPath(name);
    return ShellErrText(Starter()(path, arguments, path.substr(0, path.find_last_of('\\'))));
}

std::string StartHelpViewer(const std::string &helpFile) { return StartSystemProgram("hh.exe", "\"" + helpFile + "\""); }

std::string StartSystemCommand(const std::string &command) {
    std::string program, arguments;
    SplitShellCommand(command, program, arguments);
    return StartSystemProgram(program, arguments);
}

void SetProgramStarter(ProgramStarter starter) {
    if (starter)
        Starter() = std::move(starter);
    else
        Starter() = ShellStart;
}

void SplitShellCommand(const std::string &command, std::string &program, std::string &arguments) {
    const size_t quote = command.find('"');
    if (quote == std::string::npos) {
        program = command;
        arguments.clear();
        return;
    }
    std::string inner = command.substr(quote + 1);
    inner.erase(std::remove(inner.begin(), inner.end(), '"'), inner.end());
    program = command.substr(0, quote > 0 ? quote - 1 : 0);
    // The argument goes on quoted, as one argument, so that a blank or a
    // comma in a path splits nothing off and makes no switch; a leading
    // switch ("/select,") stays in front of the quotes.
    std::string lead;
    const size_t comma = inner.find(',');
    if (!inner.empty() && inner.front() == '/' && comma != std::string::npos) {
        lead = inner.substr(0, comma + 1);
        inner.erase(0, comma + 1);
    }
    arguments = inner.empty() ? lead : lead + "\"" + inner + "\"";
}

std::string ShellOpen(std::string &command) {
    std::string program, arguments;
    SplitShellCommand(command, program, arguments);
    if (!FileExists(program)) {
        std::string found = EnvironPath(program);
        if (found.empty())
            found = AppPathLookup(program, 5);
        if (!found.empty())
            program = found;
    }
    const HINSTANCE result = ShellExecuteA(GetDesktopWindow(), "Open", program.c_str(),
                                           arguments.empty() ? nullptr : arguments.c_str(), "C:\\", SW_SHOWNORMAL);
    return ShellErrText(static_cast<long>(reinterpret_cast<INT_PTR>(result)));
}

std::string ShellErrText(long code) {
    if (code == 1 || code >= 33)
        return "Operation successful";
    switch (code) {
    case 0:
    case 8:
        return "Out of memory";
    case 2:
        return "File not found";
    case 3:
        return "Path not found";
    case 5:
        return "Access denied";
    case 11:
        return "Invalid EXE file or error in EXE image";
    case 26:
        return "A sharing violation occurred";
    case 27:
        return "Incomplete or invalid file association";
    case 28:
        return "DDE Time out";
    case 29:
        return "DDE transaction failed";
    case 30:
        return "DDE busy";
    case 31:
        return "No association for file extension";
    case 32:
        return "DLL not found";
    default:
        return "Unknown error";
    }
}

bool KillProcess(const std::string &name) {
    KernelHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) {
        snapshot.release();
        return false;
    }
    const std::string wanted = LowerText(name);
    const DWORD self = GetCurrentProcessId();
    bool ended = false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        std::string file = entry.szExeFile;
        file = file.substr(0, file.find('\0'));
        const size_t slash = file.find_last_of('\\');
        if (slash != std::string::npos)
            file.erase(0, slash + 1);
        if (entry.th32ProcessID != self && LowerText(file) == wanted && TerminateProc(entry.th32ProcessID, 0))
            ended = true;
    }
    return ended;
}

bool TerminateProc(DWORD pid, UINT exitCode) {
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
        return false;
    KernelHandle token(raw);
    if (!SetDebugPrivilege(token.get(), true))
        return false;
    bool ended = false;
    if (KernelHandle process{OpenProcess(PROCESS_ALL_ACCESS, FALSE, pid)}) {
        ended = TerminateProcess(process.get(), exitCode) != FALSE;
        if (ended)
            WaitForSingleObject(process.get(), 5000);
    }
    SetDebugPrivilege(token.get(), false);
    return ended;
}

bool IsClsid(std::string &text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    static const char kPattern[] = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    if (text.size() != sizeof kPattern - 1)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (kPattern[i] == 'X') {
            if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')))
                return false;
        } else if (c != kPattern[i]) {
            return false;
        }
    }
    return true;
}
