// Small shell and process helpers: starting a program or opening a document
// through the shell and the text of its result, ending every process of an
// executable name, and the test whether a text is a class identifier.
#pragma once
#include <windows.h>

#include <string>

// Starts `program "arguments"` (or a program or document alone) through the
// shell, finding the program in PATH or the registered application paths
// when no such file exists; the shell result's text.
std::string ShellOpen(std::string &command);
// The text of a shell start result.
std::string ShellErrText(long code);
// Splits a command of the form program, blank, "arguments" (quotes dropped).
void SplitShellCommand(const std::string &command, std::string &program, std::string &arguments);
// Ends every process whose executable file name equals name (ignoring case);
// true when at least one was ended.
bool KillProcess(const std::string &name);
// Ends one process with the debug privilege; true when ended.
bool TerminateProc(DWORD pid, UINT exitCode);
// Upper-cases text in place; true when it has the form
// {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX} with hexadecimal digits.
bool IsClsid(std::string &text);
