// Trust in the links (junctions and symbolic links) a path passes through:
// the decision whether a link is one the system made, from its owner and the
// permissions of the folder that holds it, and reading both from the disk.
//
// Since Vista the system's own compatibility links lie on the profile paths
// ("C:\Users\All Users", "C:\ProgramData\Start Menu"); a standard user can
// make links of their own in any folder they may write. Only Windows keeps
// owners: where FolderSecurityKept() is false every link is refused.
#pragma once
#include <windows.h>

#include <string>

// Why a link with this security in a folder with that security is not to be
// followed: "" when the link's owner is SYSTEM, TrustedInstaller or
// Administrators and its permissions let no one else change it, and the
// folder, owned by one of them too, lets no one else remove, rename or replace
// what it holds (nor change its permissions or owner); else the reason, for
// the log.
std::string LinkOwnerFault(PSECURITY_DESCRIPTOR link, PSECURITY_DESCRIPTOR folder);

// Why the link open as link (the link itself, opened with READ_CONTROL) in
// folder is not to be followed: its security or its folder's cannot be read,
// or LinkOwnerFault finds a fault. Where owners are not kept, always a fault.
std::string LinkFault(HANDLE link, const std::wstring &folder);
