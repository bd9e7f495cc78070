// Trust in the links (junctions and symbolic links) a path passes through:
// the decision whether a link is one the system made, from its owner and its
// own permissions, and reading both from the disk.
//
// Since Vista the system's own compatibility links lie on the profile paths
// ("C:\Users\All Users", "C:\ProgramData\Start Menu"); a standard user can
// make links of their own in any folder they may write. Only Windows keeps
// owners: where FolderSecurityKept() is false every link is refused.
#pragma once
#include <windows.h>

#include <string>

// Why a link with this security is not to be followed: "" when its owner is
// SYSTEM, TrustedInstaller or Administrators and its permissions let no one
// else change it; else the reason, for the log.
// The folder that holds the link does not count: each profile's own "Start
// Menu" junction lies in a folder its user may write. A user can take such a
// link away, but whatever they put in its place is theirs and refused, and a
// level swapped after this check is caught by reading the final path back
// from the handle the change is made on.
std::string LinkOwnerFault(PSECURITY_DESCRIPTOR link);

// Why the link open as link (the link itself, opened with READ_CONTROL) is not
// to be followed: its security cannot be read, or LinkOwnerFault finds a
// fault. Where owners are not kept, always a fault.
std::string LinkFault(HANDLE link);
