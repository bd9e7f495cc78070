// Whole-value reads and enumerations. Every reader of the program goes through
// these: a value is read with its type and all its bytes however long it is,
// and an enumeration stops on any result other than success (a key deleted
// while it is listed ends the list instead of looping).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "system/text.h"

struct RegValue {
    bool present = false; // the value exists
    DWORD type = REG_NONE;
    std::string data; // the raw bytes, exactly as stored

    // The data as text: CutAtNull, up to its first NUL or all of it.
    std::string Text() const;
};

// A value as the listing gives it: its name in the program's code page and as
// the registry holds it (see NameActsExactly), its data as the ANSI calls give
// them (text in the code page).
struct NamedRegValue {
    std::string name;
    std::wstring wide;
    RegValue value;
};

// Reads a value whole; present is false when it does not exist or cannot be read.
RegValue ReadValue(HKEY key, const std::string &name);
// The same for a value named by its wide-character name; the data are the
// value's exact bytes (text as UTF-16), untouched by any code page.
RegValue ReadValueWide(HKEY key, const std::wstring &name);
// ReadValue(...).Text(), "" when missing.
std::string ReadString(HKEY key, const std::string &name);

// Names of the subkeys, in the registry's order.
std::vector<std::string> EnumSubKeys(HKEY key);
// A subkey's name in the program's code page and as the registry holds it; a
// key path built from name leads to this key, and no other, only when
// NameActsExactly(wide, NameUse::SubKey).
struct SubKeyName {
    std::string name;
    std::wstring wide;
};
// The subkeys as EnumSubKeys lists them, read with the wide call.
std::vector<SubKeyName> EnumSubKeyNames(HKEY key);
// Names of the values, in the registry's order.
std::vector<std::string> EnumValueNames(HKEY key);
// Names, types and whole data of the values, in the registry's order, read
// with the wide call: two names that the code page spells alike are two values,
// each with its own data.
std::vector<NamedRegValue> EnumValues(HKEY key);

// Writes text as REG_SZ: the ANSI bytes, no terminating NUL counted.
bool WriteString(HKEY key, const std::string &name, const std::string &text);
// Writes number as REG_DWORD.
bool WriteDword(HKEY key, const std::string &name, DWORD number);
