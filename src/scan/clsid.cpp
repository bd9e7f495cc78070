#include "scan/clsid.h"

#include <windows.h>

#include "registry/access.h"
#include "registry/names.h"
#include "registry/values.h"

namespace {

// The default value of root\path as text; "" when the key does not open or
// the value cannot be read.
std::string DefaultValueOf(const std::string &path, bool &opened) {
    ScopedKey key(OpenKey(HKEY_LOCAL_MACHINE, path));
    opened = static_cast<bool>(key);
    return opened ? ReadString(key.get(), "") : std::string();
}

} // namespace

std::string ClsidLookup(const std::string &clsid, const InstallContext &install, std::string &name) {
    if (clsid.empty())
        return std::string();
    const std::string base =
        (install.offline ? kRemoteSoftware : std::string("SOFTWARE")) + "\\Classes\\CLSID\\" + clsid;

    bool opened = false;
    std::string server = DefaultValueOf(base + "\\InprocServer32", opened);
    if (!opened)
        server = DefaultValueOf(base + "\\DefaultIcon", opened);

    const std::string className = DefaultValueOf(base, opened);
    if (opened)
        name = className;
    return server;
}

std::string ClsidLookup(const std::string &clsid, const InstallContext &install) {
    std::string ignored;
    return ClsidLookup(clsid, install, ignored);
}
