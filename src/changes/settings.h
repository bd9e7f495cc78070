// The program's settings key under HKEY_LOCAL_MACHINE and the text values the
// change code keeps there ("SnapshotPath", "SnapshotTaken").
#pragma once
#include <string>

#include "registry/names.h"

// The text of a settings value, cut at its first NUL; "" when the key or the
// value is missing.
std::string ReadSetting(const std::string &name);
// Writes a settings value as REG_SZ, its length without a NUL as byte count;
// the key is created when missing. True when written.
bool WriteSetting(const std::string &name, const std::string &text);
