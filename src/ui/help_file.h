// The program's help file, opened from the Help menu and the notification
// area's menu.
#pragma once
#include <string>

// Opens helpFile in the system's help viewer, unless others than
// Administrators and SYSTEM may change it or a folder that holds it
// (ElevatedFileFault): the elevated viewer would show what they put there.
// That refusal is told in a message box and logged; a failed start is
// logged. The viewer's result text, or the refusal's.
std::string OpenHelpFile(const std::string &helpFile);
