#include "changes/startup_run.h"

#include <windows.h>

#include "changes/watch.h"
#include "registry/access.h"
#include "registry/values.h"

namespace {

std::string ExecutablePath() {
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string WithoutExtension(const std::string &fileName) {
    const auto dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

} // namespace

std::string RunValueName() {
    const std::string exe = ExecutablePath();
    return WithoutExtension(exe.substr(exe.find_last_of('\\') + 1));
}

std::string RunValueData() {
    const std::string exe = ExecutablePath();
    const auto slash = exe.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? std::string() : exe.substr(0, slash);
    return folder + "\\" + RunValueName() + ".exe /Watch";
}

bool RunValueRegistered() {
    ScopedKey run(OpenKey(HKEY_LOCAL_MACHINE, kMachineRunKey));
    return run && ReadString(run.get(), RunValueName()) == RunValueData();
}

void StartWithWindowsClick(WatchHost &host) {
    WatchState &state = Watch();
    ScopedKey run(OpenKeyWrite(HKEY_LOCAL_MACHINE, kMachineRunKey));
    if (!run)
        return;
    if (!state.startWithWindows) {
        if (!WriteString(run.get(), RunValueName(), RunValueData())) {
            host.Ui().Ask("Failed to add program to startup.", 64, "Quillmara");
            return;
        }
        run.reset();
        state.startWithWindows = true;
        host.SetStartChecked(true);
        RebuildSnapshot(host);
        return;
    }
    if (RegDeleteValueA(run.get(), RunValueName().c_str()) != ERROR_SUCCESS) {
        host.Ui().Ask("Failed to delete program from startup.", 64, "Quillmara");
        return;
    }
    state.startWithWindows = false;
    host.SetStartChecked(false);
}
