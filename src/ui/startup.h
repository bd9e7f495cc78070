// Start-up: the flags the agreement dialog and the main window's loading set
// for the whole run, the settings that decide them ("EulaAccepted", the Run
// registration, the "watch" switch), the log's start, and the program's entry
// sequence (agreement, main window, message loop).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "changes/startup_run.h"

// The agreement flag; the start-up's watch flags (startWithWindows,
// skipWatchToggle, watchAtStart) live with the watch state (changes/watch.h).
struct StartFlags {
    bool agreementAccepted = false; // the agreement counts as accepted for this run
};
StartFlags &Start();

// The machine's Run key (the settings key is kSettingsKeyPath of changes/settings.h).
inline constexpr const char *kRunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// The main window's caption.
inline constexpr const char *kProgramName = "Quillmara";

// True when the value's data (any type, any length) begins with the byte 1.
bool EulaBytesAccepted(const std::string &data);
// Reads "EulaAccepted"; true when accepted.
bool ReadEulaAccepted();
// Writes "EulaAccepted" as the DWORD 1; true when written.
bool WriteEulaAccepted();
// Reads the Run value named after the executable and compares it.
bool ReadStartWithWindows();
// The words of a command line's arguments: split at blanks and tabs outside
// double quotes, the quotes dropped.
std::vector<std::string> SplitArguments(const std::string &arguments);
// True when one whole argument is "/watch", "-watch" or "watch" in any case
// (the Run value holds "/Watch"); "/nowatch" or a path through a folder
// "watchers" is no switch.
bool HasWatchSwitch(const std::string &arguments);
// The executable's full path, and its file name without extension.
std::string ExePath();
std::string ExeBaseName();

// Finds or makes the log folder, writes the log's first line and keeps
// "LogPath"; true when the log folder is set for this run.
bool StartLog();
// The first line of the log: date and time, a blank, the executable's name.
std::string FirstLogLine();

// The whole program: the agreement dialog, the main window and the message
// loop; returns the exit code.
int RunProgram(const std::string &arguments);
