// Real shell files for tests, made through the system's own COM objects: a
// shortcut saved by IShellLink and a scheduled-task file saved by the task
// scheduler's ITask. And the seed folder that the fuzz run picks up.
#pragma once
#include <string>

// Saves a shortcut at linkPath that starts target (with arguments, if any).
bool MakeShortcut(const std::string &linkPath, const std::string &target, const std::string &arguments = "");

// Saves a task file at jobPath whose application is application.
bool MakeTaskFile(const std::string &jobPath, const std::string &application, const std::string &parameters = "");

// Copies the file at path into the seed corpus of the fuzz target named
// target ("fuzz-seeds\<target>\<name>" below the test's working folder, the
// build tree's tests folder), where tools/run-fuzz.sh finds it.
void SaveFuzzSeed(const std::string &target, const std::string &name, const std::string &path);

// Text as UTF-16 of ASCII characters, the way shortcuts and tasks store it.
std::string Utf16(const std::string &text);
