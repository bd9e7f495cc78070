// The program's settings key under HKEY_LOCAL_MACHINE and the text values the
// change code keeps there ("SnapshotPath", "SnapshotTaken", "DataFolder"), and
// the choice of the data folder at start.
#pragma once
#include <string>

#include "registry/names.h"

// The text of a settings value, cut at its first NUL; "" when the key or the
// value is missing.
std::string ReadSetting(const std::string &name);
// Writes a settings value as REG_SZ, its length without a NUL as byte count;
// the key is created when missing. True when written.
bool WriteSetting(const std::string &name, const std::string &text);

// The data folder at start, beside first (the first data folder,
// FirstDataFolder): the fresh folder an earlier start had to make, recorded as
// "DataFolder", while it is still a folder to trust with a name of the fresh
// form beside first; else first itself. It becomes the one in use
// (UseDataFolder).
std::string StartDataFolder(const std::string &first);
// Settles folder (SettleDataFolder). Where it is first and is refused and
// cannot be set aside, the fresh folder made beside it is recorded as
// "DataFolder", becomes the one in use and is given in folder. note receives
// the log line. True when a folder to use is there.
bool SettleStartDataFolder(const std::string &first, std::string &folder, std::string &note);
