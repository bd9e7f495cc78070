// The hand-over to the registry editor: the key it opens at next start.
#pragma once
#include <string>

// Stores text as the registry editor's "LastKey"; fails silently.
void SetRegeditLastKey(const std::string &text);
