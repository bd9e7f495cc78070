// Control-set selection: which numbered control set of the running system's
// hive or of the offline one is current.
#pragma once
#include <string>

// The name of the running control set where no numbered set exists (Wine).
constexpr const char *kCurrentSetName = "CurrentControlSet";

// "ControlSet" and the three-digit number of "Select\Current" of the running
// system's hive (kHiveSystem) or the offline one (kHiveRemoteSystem); "" when
// unreadable; kCurrentSetName when the numbered set does not exist but that
// one does.
std::string GetCurrentControlSet(int code);
