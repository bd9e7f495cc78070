// The path operations bound to the installation being scanned (entry
// SelectedOS() of the installations list), the App Paths lookup and the search
// of the running program's PATH.
#pragma once
#include <string>

#include "scan/pathops.h"

// True when a directory search for the pattern finds a file (folders do not
// count; wildcards match); an error of the search counts as no file.
bool FileMatchExists(const std::string &pattern);

// The scanned installation: Windows folder, drive (offline only), temp.
InstallContext CurrentInstall();

std::string ExpandEnvVars(const std::string &text);
std::string SystemPath();
std::string AddSystemPath(const std::string &text);
std::string RemapDrive(const std::string &text);
std::string CleanImagePath(const std::string &text);
// A file named by a registry value: its variables expanded, a bare name put
// in the system folder, the drive moved to the scanned installation's.
std::string ResolveFilePath(const std::string &text);
// Steps 1 to 8 of the command-line chain for the scanned installation.
std::string ResolveCommandLine(const std::string &text);

std::string EnvironPath(const std::string &name);
std::string AppPathLookup(const std::string &name, int scope);
