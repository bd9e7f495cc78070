// Restore of what a backup saved: a registry key's whole content replaced by
// its hive file, a folder's files copied back from the copy folder. One
// location pass from an index file the user picks (also across the running
// system's and an offline installation's views), or every pass a backup
// folder holds. The watch tick is paused while a restore works.
//
// Works on ScanLocations(); asks and tells only through ChangeUi.
#pragma once
#include <string>

#include "changes/change_ui.h"

// Restores pass `pass` of location `location` (the selected header row's)
// from an index file the user picks; true when it was restored. Tells the user of a wrong file and of data that does not fit;
// a restore that fails is logged with the key or folder and the reason.
bool PutBackKey(ChangeUi &ui, int location, int pass);

// The Restore command on the selected header row.
void RestoreSelectedLocation(ChangeUi &ui, int location, int pass);

// The Restore All command: every pass of every location for which a backup
// folder the user picks holds a section.
void RestoreAllLocations(ChangeUi &ui);
