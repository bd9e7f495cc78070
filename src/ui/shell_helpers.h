// Small shell and process helpers: starting a program or opening a document
// through the shell and the text of its result, starting the system's own
// programs (registry editor, Explorer, browser, help viewer) by their full paths, ending
// every process of an executable name, and the test whether a text is a class
// identifier.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// Starts `program "arguments"` (or a program or document alone) through the
// shell, finding the program in PATH or the registered application paths
// when no such file exists; the shell result's text.
std::string ShellOpen(std::string &command);
// The full path of a program of the system: regedit.exe, explorer.exe (and any
// other name) in the Windows folder; iexplore.exe at its registered application
// path, else in Program Files\Internet Explorer. Never found through the
// current or a working folder.
std::string SystemProgramPath(const std::string &name);
// Starts the system program name by its full path, with its own folder as the
// working folder; the shell result's text.
std::string StartSystemProgram(const std::string &name, const std::string &arguments);
// Opens a help file in the system's help viewer (hh.exe, by its full path),
// never through the file's association, which a user's own classes decide.
std::string StartHelpViewer(const std::string &helpFile);
// The same for a command split as ShellOpen splits it (program, blank,
// "arguments"; the argument is passed on quoted).
std::string StartSystemCommand(const std::string &command);
// What starts a program by its path (the shell unless a test puts a recorder
// here; an empty function puts the shell back); returns the shell's code.
using ProgramStarter =
    std::function<long(const std::string &path, const std::string &arguments, const std::string &folder)>;
void SetProgramStarter(ProgramStarter starter);
// The text of a shell start result.
std::string ShellErrText(long code);
// Splits a command of the form program, blank, "argument": the argument comes
// back as one quoted argument, a leading switch such as "/select," before its
// opening quote; quotes inside it are dropped.
void SplitShellCommand(const std::string &command, std::string &program, std::string &arguments);
// Ends every process whose executable file name equals name (ignoring case);
// true when at least one was ended.
bool KillProcess(const std::string &name);
// Ends one process with the debug privilege; true when ended.
bool TerminateProc(DWORD pid, UINT exitCode);
// Upper-cases text in place; true when it has the form
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hexadecimal digits.
bool IsClsid(std::string &text);
