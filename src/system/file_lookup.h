// What a directory search for a name finds, answered as cheaply as the name
// allows: from the name's attributes where they give the same answer as the
// search (a full path "X:\..." without wildcards whose last part is a plain
// name), by the search itself otherwise (patterns, relative and bare names,
// names ending in "\", "." or a blank, drive-relative names, and any name
// whose attributes cannot be read for another reason than its absence).
#pragma once
#include <windows.h>

#include <string>

struct FileLookup {
    bool found = false; // a file, a folder or, for a pattern, any match
    bool file = false;  // a match that is not a folder
    // Times of the file (of the first match of a pattern); zero when not found.
    FILETIME created{};
    FILETIME modified{};
};

FileLookup LookUpFile(const std::string &name);

// True when the attributes of the name answer as a directory search would.
bool AttributesAnswerFor(const std::string &name);
