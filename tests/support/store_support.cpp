#include "support/store_support.h"

#include <cstdio>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"

namespace storetest {

const std::string kBase = "SOFTWARE\\QuillmaraTests\\Store";

std::string Hex(const std::string &bytes) {
    std::string out;
    char buffer[4];
    for (unsigned char c : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02x", c);
        out += buffer;
    }
    return out;
}

namespace {
void DumpInto(Tree &tree, HKEY root, const std::string &path, const std::string &relative) {
    ScopedKey key(OpenKey(root, path));
    if (!key)
        return;
    tree[relative] = "";
    for (const auto &v : EnumValues(key.get()))
        tree[relative + "|" + v.name] = std::to_string(v.value.type) + ":" + Hex(v.value.data);
    for (const auto &name : EnumSubKeys(key.get()))
        DumpInto(tree, root, path + "\\" + name, relative + "\\" + name);
}
} // namespace

Tree Dump(HKEY root, const std::string &path) {
    Tree tree;
    DumpInto(tree, root, path, "");
    return tree;
}

std::vector<std::string> Scan(int location, HKEY root, const std::string &path) {
    UseInstallations(0);
    LoadPaths();
    const ScanLocation &loc = ScanLocations()[static_cast<size_t>(location)];
    const PassResult pass = ScanOnePass(root, path, loc.Category, location, loc.ValueName, loc.Scope);
    std::vector<std::string> found;
    for (size_t i = 1; i < pass.entries.size(); ++i) {
        const auto &e = pass.entries[i];
        found.push_back((e.ItemName.empty() ? e.EntryName : e.ItemName) + (e.Disabled ? " (disabled)" : ""));
    }
    return found;
}

int LocationNumber(int category, const std::string &path, const std::string &valueName) {
    UseInstallations(0);
    LoadPaths();
    const auto &locations = ScanLocations();
    for (size_t n = 1; n < locations.size(); ++n) {
        if (locations[n].Category == category && locations[n].Path == path && locations[n].ValueName == valueName)
            return static_cast<int>(n);
    }
    return 0;
}

Faults::Faults(int first, bool cascade) : first_(first), cascade_(cascade) {
    SetStoreFault([this](const char *call) -> long {
        ++calls_;
        names_.push_back(call);
        const bool fail = calls_ == first_ || (cascade_ && calls_ > first_);
        return fail ? ERROR_ACCESS_DENIED : 0;
    });
}

Faults::~Faults() { SetStoreFault(nullptr); }

// Hives and copies a restore left behind when its undo failed as well.
std::vector<std::string> RestoreLeftovers() {
    std::vector<std::string> found;
    ScopedKey users(OpenKey(HKEY_USERS, ""));
    for (const auto &name : EnumSubKeys(users.get()))
        if (name.starts_with("QuillmaraRestore"))
            found.push_back("HKEY_USERS\\" + name);
    ScopedKey base(OpenKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\Fernhollowsys\\Quillmara"));
    for (const auto &name : EnumSubKeys(base.get()))
        if (name.starts_with("RestoreCopy"))
            found.push_back(name);
    return found;
}

void RemoveRestoreLeftovers() {
    EnablePrivileges(); // unloading needs them
    for (const auto &name : RestoreLeftovers()) {
        if (name.starts_with("HKEY_USERS\\"))
            RegUnLoadKeyA(HKEY_USERS, name.substr(11).c_str());
        else
            DeleteRegTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Fernhollowsys\\Quillmara\\" + name);
    }
}

} // namespace storetest
