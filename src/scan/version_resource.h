// A reader of version resources (the "VS_VERSION_INFO" block of a program
// file) that needs no Windows call: every length and offset is checked
// against the bytes it is given, so a damaged resource yields nothing
// instead of a read past its end.
#pragma once
#include <string>
#include <string_view>

// The bytes of the first translation of "\VarFileInfo\Translation" (language
// and code-page words); empty when the resource has none or is damaged.
std::string_view VersionTranslation(std::string_view resource);

// The string name (case ignored) of string table table ("040904B0") of
// "\StringFileInfo", up to its NUL and never past its block, as UTF-16 code
// units; found is false when the resource holds no such string.
std::u16string VersionString(std::string_view resource, std::string_view table, std::string_view name, bool &found);
