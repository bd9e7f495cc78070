// Where the program, running as administrator, touches something a standard
// user controls, and the rule it keeps there. No code: a map for whoever adds
// another such place, which then belongs here with its rule.
//
// Rules that hold everywhere:
// - What is checked is the object opened, not the path before the call; a
//   check and the act go through the same handle where the system allows it.
// - Links and junctions someone else could have made are refused, hard links
//   included (a file with more than one name); the system's own links are
//   followed (link_trust: LinkFault, LinkOwnerFault).
// - No path or key is built from a name the ANSI code page cannot spell
//   exactly: such a name is shown, and every change to it refused.
// - Nothing someone else made is adopted, re-owned, re-secured or emptied.
// - Programs are started by full path from the system's folder; no DLL is
//   loaded from the program's folder (RestrictDllSearch at start; the program
//   file imports only DLLs Windows keeps itself, never VERSION.dll).
//
// The places:
// - Startup files and folders (every user's Startup folder, the Tasks
//   folder, an offline installation's): listed by their wide names; deleting,
//   disabling and enabling act on the name alone; copying a file out of or
//   into a folder others may write (snapshot, "Yes", "No", backup, restore)
//   goes through a handle on exactly that file and refuses a link
//   (safe_files: OpenNoLink, DeleteFileNoLink, MoveFileNoLink, CopyFileNoLink).
// - Registry keys and values of users' hives and offline installations:
//   reached by names that convert exactly; values move whole, with their type
//   (registry/disabled_store, registry/values).
// - Paths named by a user's hive, a user's Startup folder or an offline
//   installation: looked up only on a local drive, never on a network path
//   that would log on with the administrator's credentials (file_lookup).
// - The file panel's icon of a selected entry: drawn by the shell only where
//   the scan itself would look the name up (ui/main_window_selection).
// - Files the scan reads for their version: mapped as data, no code of them
//   runs, and parsed by the program's own bounds-checked reader
//   (scan/version_resource).
// - The data folder (log, snapshot, restore guard) in the common
//   application-data folder, where any user may create folders: used only
//   when Administrators or SYSTEM own it and no one else may write it; a
//   refused one is moved aside or, where it cannot be, left exactly as it is
//   and a fresh folder made beside it, protected by the call that creates it
//   (folder_trust: SettleDataFolder; changes/settings: SettleStartDataFolder).
// - The settings key and its records (restore copies, key moves, loaded
//   hives): repaired at start before any record is read; records found under
//   a key that had to be repaired are dropped, not acted on; record keys are
//   opened without following registry links (registry/key_trust,
//   registry/disabled_store: RecoverInterruptedChanges).
// - Backup folders the administrator chooses: judged as restore judges them;
//   every file written through a handle on exactly that file; links above the
//   chosen folder are the administrator's (safe_files: ChosenFolder;
//   changes/backup, changes/restore).
// - The program's own file (Start with Windows) and its help file (opened
//   elevated in the help viewer): used only when they, their folder and every
//   level above them up to the root are the system's to change
//   (folder_trust: ElevatedFileFault).
// - The single-instance mutex, which any program of the same user may hold:
//   the program ends with a message naming it, never silently.
//
// Security read-backs: only Windows keeps the security of files and folders;
// under Wine every decision that needs it is taken on the descriptor itself
// (object_security: FolderSecurityKept).
#pragma once
