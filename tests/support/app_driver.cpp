#include "support/app_driver.h"

#include <commctrl.h>

#include <algorithm>

#include "registry/hives.h"

std::string QuillmaraExe() {
    char exe[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    std::string path = exe;
    path.erase(path.find_last_of('\\')); // ...\build\tests
    path.erase(path.find_last_of('\\')); // ...\build
    return path + (sizeof(void *) == 4 ? "\\Quillmara32.exe" : "\\Quillmara.exe");
}

AppProcess::~AppProcess() {
    if (process_ == nullptr)
        return;
    End();
    CloseHandle(process_);
}

bool AppProcess::Start(const std::string &arguments) {
    std::string command(1, '"');
    command.append(QuillmaraExe());
    command.push_back('"');
    if (!arguments.empty()) {
        command.push_back(' ');
        command.append(arguments);
    }
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return true;
}

bool AppProcess::WaitExit(DWORD timeoutMs, DWORD *code) {
    if (process_ == nullptr || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    if (code != nullptr)
        GetExitCodeProcess(process_, code);
    return true;
}

bool AppProcess::Running() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

bool AppProcess::End() {
    if (!Running())
        return true;
    if (HWND main = FindTopWindow(pid_, "QuillmaraMain", ""))
        PostMessageA(main, WM_CLOSE, 0, 0);
    else if (HWND any = FindTopWindow(pid_, "", ""))
        PostMessageA(any, WM_CLOSE, 0, 0);
    // On a busy machine the end can wait for a scan or a snapshot build.
    const DWORD start = GetTickCount();
    while (Running() && GetTickCount() - start < 60000) {
        // A closing question: the button that means "go on and quit" (No
        // when the question offers to keep monitoring in the notification area).
        if (HWND box = FindTopWindow(pid_, "#32770", "")) {
            if (TextOf(box) == "CONTINUE STARTUP MONITORING?")
                AnswerBox(box, IDNO);
            else if (GetDlgItem(box, IDYES) != nullptr)
                AnswerBox(box, IDYES);
            else if (GetDlgItem(box, IDOK) != nullptr)
                AnswerBox(box, IDOK);
        }
        WaitForSingleObject(process_, 50);
    }
    if (!Running())
        return true;
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    UnloadLeftHives();
    return false;
}

std::vector<std::string> RemoteKeys(HKEY root) {
    std::vector<std::string> names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(root, i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (std::string(name).rfind("_REMOTE_", 0) == 0)
            names.push_back(name);
    }
    return names;
}

std::vector<std::string> UnloadLeftHives() {
    PrivilegeHold privileges;
    std::vector<std::string> found;
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_USERS})
        for (const std::string &name : RemoteKeys(root)) {
            found.push_back(name);
            if (RegUnLoadKeyA(root, name.c_str()) != ERROR_SUCCESS)
                RegDeleteTreeA(root, name.c_str()); // a key, not a hive
            RegDeleteKeyA(root, name.c_str());
        }
    return found;
}

namespace {
struct TopSearch {
    DWORD pid;
    const std::string *cls;
    const std::string *title;
    HWND found;
};
} // namespace

std::string ClassOf(HWND wnd) {
    char name[256] = {};
    GetClassNameA(wnd, name, sizeof name);
    return name;
}

std::string TextOf(HWND wnd) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(wnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return "";
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(wnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 2000,
                        &copied);
    text.resize(std::min<size_t>(copied, length));
    return text;
}

HWND FindTopWindow(DWORD pid, const std::string &className, const std::string &title) {
    TopSearch search{pid, &className, &title, nullptr};
    EnumWindows(
        [](HWND wnd, LPARAM lp) WINAPI -> BOOL {
            auto *s = reinterpret_cast<TopSearch *>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(wnd, &owner);
            if (s->pid != 0 && owner != s->pid)
                return TRUE;
            if (!s->cls->empty() && ClassOf(wnd) != *s->cls)
                return TRUE;
            if (!s->title->empty() && TextOf(wnd) != *s->title)
                return TRUE;
            s->found = wnd;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitUntil(const std::function<bool()> &cond, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (cond())
            return true;
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
}

HWND WaitForTopWindow(DWORD pid, const std::string &className, const std::string &title, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindTopWindow(pid, className, title)) != nullptr; }, timeoutMs);
    return found;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> all;
    EnumChildWindows(
        parent,
        [](HWND wnd, LPARAM lp) WINAPI -> BOOL {
            reinterpret_cast<std::vector<HWND> *>(lp)->push_back(wnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&all));
    return all;
}

HWND FindControl(HWND parent, int id, const std::string &className) {
    for (HWND wnd : Descendants(parent))
        if (GetDlgCtrlID(wnd) == id && (className.empty() || ClassOf(wnd) == className))
            return wnd;
    return nullptr;
}

std::string StatusPanelText(HWND statusBar, int panel) {
    const LRESULT info = SendMessageA(statusBar, SB_GETTEXTLENGTHA, static_cast<WPARAM>(panel - 1), 0);
    const size_t length = LOWORD(info);
    std::string text(length + 1, '\0');
    DWORD pid = 0;
    GetWindowThreadProcessId(statusBar, &pid);
    if (pid == GetCurrentProcessId()) {
        SendMessageA(statusBar, SB_GETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(text.data()));
    } else {
        // Another process's status bar: the text is written into memory of
        // that process and read back from there.
        HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
        if (process == nullptr)
            return "";
        void *remote = VirtualAllocEx(process, nullptr, text.size(), MEM_COMMIT, PAGE_READWRITE);
        if (remote != nullptr) {
            SendMessageA(statusBar, SB_GETTEXTA, static_cast<WPARAM>(panel - 1), reinterpret_cast<LPARAM>(remote));
            SIZE_T read = 0;
            ReadProcessMemory(process, remote, text.data(), text.size(), &read);
            VirtualFreeEx(process, remote, 0, MEM_RELEASE);
        }
        CloseHandle(process);
    }
    text.resize(length);
    return text;
}

void PostKey(HWND wnd, UINT key) {
    const UINT scan = MapVirtualKeyA(key, 0);
    PostMessageA(wnd, WM_KEYDOWN, key, 1 | (scan << 16));
    PostMessageA(wnd, WM_KEYUP, key, 1 | (scan << 16) | (3u << 30));
}

HWND WaitForBox(DWORD pid, const std::string &title, DWORD timeoutMs) {
    return WaitForTopWindow(pid, "#32770", title, timeoutMs);
}

BoxSeen ReadBox(HWND box, HWND picture) {
    BoxSeen seen;
    seen.box = box;
    seen.title = TextOf(box);
    for (HWND child : Descendants(box)) {
        const std::string cls = ClassOf(child);
        const int id = GetDlgCtrlID(child);
        if (lstrcmpiA(cls.c_str(), "Button") == 0 && IsWindowVisible(child))
            seen.buttons.push_back(id);
        else if (lstrcmpiA(cls.c_str(), "Static") == 0 && id == 0xFFFF)
            seen.prompt = TextOf(child);
        else if (lstrcmpiA(cls.c_str(), "Static") == 0 && IsWindowVisible(child) && TextOf(child).empty())
            seen.iconShown = true;
    }
    if (picture != nullptr) {
        seen.pictureParentWas = GetParent(picture);
        seen.pictureVisible = IsWindowVisible(picture) != FALSE;
    }
    return seen;
}

void AnswerBox(HWND box, int id) {
    HWND button = GetDlgItem(box, id);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

BoxAnswerThread::BoxAnswerThread(Decide decide, HWND picture) : decide_(std::move(decide)), picture_(picture) {
    InitializeCriticalSection(&lock_);
    thread_ = std::thread([this] {
        HWND last = nullptr;
        while (!stop_) {
            HWND box = FindTopWindow(GetCurrentProcessId(), "#32770", "");
            if (box != nullptr && box != last && IsWindowVisible(box)) {
                Sleep(50); // let the hook finish with it
                BoxSeen seen = ReadBox(box, picture_);
                const int id = decide_(seen);
                EnterCriticalSection(&lock_);
                seen_.push_back(seen);
                LeaveCriticalSection(&lock_);
                if (id == 0)
                    PostKey(box, VK_RETURN);
                else
                    AnswerBox(box, id);
                last = box;
                WaitUntil([&] { return stop_ || !IsWindow(box); }, 5000);
            }
            Sleep(20);
        }
    });
}

BoxAnswerThread::~BoxAnswerThread() {
    stop_ = true;
    thread_.join();
    DeleteCriticalSection(&lock_);
}

std::vector<BoxSeen> BoxAnswerThread::seen() const {
    EnterCriticalSection(&lock_);
    std::vector<BoxSeen> copy = seen_;
    LeaveCriticalSection(&lock_);
    return copy;
}
