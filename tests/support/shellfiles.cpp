#include "support/shellfiles.h"

#include <windows.h>

#include <mstask.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "support/testing.h"

namespace {

std::wstring Wide(const std::string &text) {
    std::wstring out(text.size() + 1, L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, out.data(), static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
    return out;
}

// Releases a COM interface when it goes.
template <typename T> struct Com {
    T *p = nullptr;
    ~Com() {
        if (p)
            p->Release();
    }
    T *operator->() const { return p; }
};

bool SaveThrough(IUnknown *object, const std::string &path) {
    Com<IPersistFile> file;
    if (FAILED(object->QueryInterface(IID_IPersistFile, reinterpret_cast<void **>(&file.p))))
        return false;
    return SUCCEEDED(file->Save(Wide(path).c_str(), TRUE));
}

} // namespace

bool MakeShortcut(const std::string &linkPath, const std::string &target, const std::string &arguments) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Com<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void **>(&link.p))))
        return false;
    if (FAILED(link->SetPath(target.c_str())))
        return false;
    if (!arguments.empty() && FAILED(link->SetArguments(arguments.c_str())))
        return false;
    return SaveThrough(link.p, linkPath);
}

bool MakeTaskFile(const std::string &jobPath, const std::string &application, const std::string &parameters) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Com<ITaskScheduler> scheduler;
    if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                reinterpret_cast<void **>(&scheduler.p))))
        return false;
    // The work item's name only matters to the scheduler's own folder; the
    // file is saved where the test wants it.
    Com<ITask> task;
    static int counter = 0;
    const std::wstring name = L"qmtest" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
    if (FAILED(scheduler->NewWorkItem(name.c_str(), CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown **>(&task.p))))
        return false;
    if (FAILED(task->SetApplicationName(Wide(application).c_str())))
        return false;
    if (!parameters.empty() && FAILED(task->SetParameters(Wide(parameters).c_str())))
        return false;
    return SaveThrough(task.p, jobPath);
}

void SaveFuzzSeed(const std::string &target, const std::string &name, const std::string &path) {
    CreateDirectoryA("fuzz-seeds", nullptr);
    const std::string folder = "fuzz-seeds\\" + target;
    CreateDirectoryA(folder.c_str(), nullptr);
    CopyFileA(path.c_str(), (folder + "\\" + name).c_str(), FALSE);
}

std::string Utf16(const std::string &text) {
    std::string out;
    for (const char c : text) {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}
