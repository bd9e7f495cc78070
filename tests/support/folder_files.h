// The names of the files and folders directly in a folder, for tests that
// check what an operation left behind there.
#pragma once
#include <string>
#include <vector>

// Every name in folder except "." and "..", in the order the system lists them.
std::vector<std::string> NamesInFolder(const std::string &folder);
