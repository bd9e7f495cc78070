#include "ui/startup.h"

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <vector>

#include "changes/settings.h"
#include "registry/access.h"
#include "registry/values.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"
#include "ui/dialogs/agreement.h"
#include "ui/main_window.h"

StartFlags &Start() {
    static StartFlags flags;
    return flags;
}

bool EulaBytesAccepted(const std::string &data) { return !data.empty() && data[0] == '\x01'; }

bool ReadEulaAccepted() {
    ScopedKey key(OpenKeyWrite(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    if (!key)
        return false;
    const RegValue value = ReadValue(key.get(), "EulaAccepted");
    return value.present && EulaBytesAccepted(value.data);
}

bool WriteEulaAccepted() {
    ScopedKey settings(CreateKeyWrite(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
    return settings && WriteDword(settings.get(), "EulaAccepted", 1);
}

std::string ExePath() {
    char path[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, n);
}

std::string ExeBaseName() {
    std::string name = ExePath();
    const size_t slash = name.find_last_of('\\');
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

bool ReadStartWithWindows() {
    ScopedKey key(OpenKeyWrite(HKEY_LOCAL_MACHINE, kRunKey));
    if (!key)
        return false;
    const RegValue value = ReadValue(key.get(), ExeBaseName());
    return value.present && RunValueMatches(value.data, ExePath());
}

std::vector<std::string> SplitArguments(const std::string &arguments) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (const char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool HasWatchSwitch(const std::string &arguments) {
    for (const std::string &word : SplitArguments(arguments)) {
        const std::string lower = LowerText(word);
        if (lower == "/watch" || lower == "-watch" || lower == "watch")
            return true;
    }
    return false;
}

std::string FirstLogLine() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[64] = {}, time[64] = {};
    GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, sizeof date);
    GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, sizeof time);
    return std::string(date) + " " + time + " " + ExeBaseName() + "\r\n";
}

bool StartLog() {
    std::string candidate;
    {
        ScopedKey key(OpenKeyWrite(HKEY_LOCAL_MACHINE, kSettingsKeyPath));
        if (key) {
            const RegValue value = ReadValue(key.get(), "LogPath");
            if (value.present)
                candidate = value.Text();
        }
    }
    const std::string line = FirstLogLine();
    const long length = static_cast<long>(line.size());
    std::string dataFolder = StartDataFolder(FirstDataFolder());
    // A folder someone else could have made or changed is not used; the
    // default one is then made afresh. The default one is settled at every
    // start, so that one made with wider permissions is tightened.
    std::string refused;
    if (!candidate.empty() && !SameFolder(candidate, dataFolder)) {
        const DWORD attributes = GetFileAttributesA(candidate.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            const std::string fault = DataFolderFault(candidate);
            if (fault.empty()) {
                if (WriteStringToFile(candidate + "\\Quillmara.log", line) == length) {
                    LogFolder() = candidate;
                    return true;
                }
                return false;
            }
            refused = "StartLog does not use " + candidate + " (" + fault + ")";
        }
    }
    std::string settled;
    if (dataFolder.empty() || !SettleStartDataFolder(FirstDataFolder(), dataFolder, settled) ||
        WriteStringToFile(dataFolder + "\\Quillmara.log", line) != length)
        return false;
    if (!WriteSetting("LogPath", dataFolder))
        return false;
    LogFolder() = dataFolder;
    for (const std::string &note : {refused, settled})
        if (!note.empty())
            WriteLog(note);
    return true;
}

int RunProgram(const std::string &arguments) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    SetEventPump(PumpPendingEvents);
    std::unique_ptr<MainWindow> main;
    HWND mainWindow = nullptr;
    AgreementDialog license;
    license.LoadAtStart([&] {
        main = std::make_unique<MainWindow>();
        if (!main->CreateHidden()) {
            WriteLog("Grids the main window could not be created");
            PostQuitMessage(1);
            return;
        }
        mainWindow = main->hwnd();
        main->Load(arguments);
    });
    // The program ends with its main window, even when a loop that ran while
    // it was destroyed (a menu's, a box's) took the quit message.
    const int code = RunMessageLoop([&] { return mainWindow != nullptr && !IsWindow(mainWindow); });
    main.reset();
    return code;
}
