// The path operations' ties to the running program: the file test they use
// (a directory search), the App Paths lookup and the search of the running
// program's PATH. The installation they resolve against comes from
// ScannedInstallation (scan/state.h), worked out once per scan.
#pragma once
#include <string>

#include "scan/pathops.h"

// True when a directory search for the pattern finds a file (folders do not
// count; wildcards match); an error of the search counts as no file. Within a
// scan each name is looked up once.
bool FileMatchExists(const std::string &pattern);

std::string EnvironPath(const std::string &name);
std::string AppPathLookup(const std::string &name, int scope);
