#include "changes/startup_run.h"

#include <windows.h>

#include "changes/watch.h"
#include "registry/access.h"
#include "registry/values.h"
#include "system/folder_trust.h"
#include "system/log.h"
#include "system/text.h"

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

namespace {

// The executable's folder, "\\", its file name without extension and ".exe".
std::string RunProgramPath(const std::string &exePath) {
    const size_t slash = exePath.find_last_of('\\');
    const std::string folder = slash == std::string::npos ? "" : exePath.substr(0, slash);
    return folder + "\\" + WithoutExtension(slash == std::string::npos ? exePath : exePath.substr(slash + 1)) + ".exe";
}

} // namespace

std::string RunCommandText(const std::string &exePath) {
    std::string text(1, '"');
    text += RunProgramPath(exePath);
    return text + "\" /Watch";
}

bool RunValueMatches(const std::string &data, const std::string &exePath) {
    const std::string text = LowerText(CutAtNull(data));
    return text == LowerText(RunCommandText(exePath)) || text == LowerText(RunProgramPath(exePath) + " /Watch");
}

std::string RunValueData() { return RunCommandText(ExecutablePath()); }

bool RunValueRegistered() {
    ScopedKey run(OpenKey(HKEY_LOCAL_MACHINE, kMachineRunKey));
    return run && RunValueMatches(ReadString(run.get(), RunValueName()), ExecutablePath());
}

void StartWithWindowsClick(WatchHost &host) {
    WatchState &state = Watch();
    ScopedKey run(OpenKeyWrite(HKEY_LOCAL_MACHINE, kMachineRunKey));
    if (!run)
        return;
    if (!state.startWithWindows) {
        const std::string fault = ProgramFileFault(ExecutablePath());
        if (!fault.empty()) {
            WriteLog("StartWithWindows refused: " + fault);
            host.Ui().Ask("Quillmara cannot start with Windows from where it is: others than Administrators and "
                          "SYSTEM may change it there,\r\nand every logon would start what they put in its place (" +
                              fault +
                              ").\r\n\r\nMove Quillmara to a folder only administrators may change, such as "
                              "Program Files, and try again.",
                          64, "Quillmara");
            return;
        }
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
