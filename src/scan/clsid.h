// The class-identifier resolver of the shell and browser locations: a class
// registered in the classes of the scanned installation, turned into the file
// of its server.
#pragma once
#include <string>

#include "scan/pathops.h"

// The server of the class: the default value of its "InprocServer32" subkey,
// else of its "DefaultIcon" subkey (taken whole, icon index included); ""
// when neither opens or holds a value. The classes read are those of the
// installation install: "_REMOTE_SOFTWARE" for an offline one, else
// "SOFTWARE". When the class key opens, name receives its default
// value ("" when it has none); otherwise name is left as it was. The class
// text is used as found; an empty one names no class.
std::string ClsidLookup(const std::string &clsid, const InstallContext &install, std::string &name);
// The same, for callers that do not want the class's name.
std::string ClsidLookup(const std::string &clsid, const InstallContext &install);
