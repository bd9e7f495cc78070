// The text operations live in system/text.h; this name stays for code that
// still includes it from here.
#pragma once
#include "system/text.h"
