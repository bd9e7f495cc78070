#include "support/entry_support.h"

#include "registry/access.h"
#include "registry/values.h"
#include "scan/locations.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"

int ScriptedUi::Ask(const std::string &prompt, int, const std::string &title) {
    told.push_back(title + ": " + prompt);
    if (answers.empty())
        return kAnswerOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void PrepareLocations() {
    UseInstallations(0);
    LoadPaths();
}

std::string ScanLocationOver(int location, HKEY root, const std::string &keyPath) {
    PrepareLocations();
    return ScanInto(location, root, keyPath);
}

std::string ScanInto(int location, HKEY root, const std::string &keyPath) {
    ScanLocation &loc = ScanLocations()[static_cast<size_t>(location)];
    loc.MainKey = root;
    loc.Entries.assign(1, StartupEntry{});
    loc.Passes.assign(1, ScanPass{});
    ScanPass pass;
    pass.KeyText = root == nullptr ? keyPath : RootName(root) + keyPath;
    loc.Passes.push_back(pass);
    LoadData(root, keyPath, loc.Entries, loc.Category, location, loc.ValueName, loc.Scope, loc.Passes, false,
             ScannedInstallation());
    return pass.KeyText;
}

int EntryNumber(int location, const std::string &name) {
    const auto &entries = ScanLocations()[static_cast<size_t>(location)].Entries;
    for (size_t i = 1; i < entries.size(); ++i) {
        const auto &e = entries[i];
        if ((e.ItemName.empty() ? e.EntryName : e.ItemName) == name || e.EntryName == name)
            return static_cast<int>(i);
    }
    return 0;
}

std::optional<EntryAddress> ScanAndAddress(int location, HKEY root, const std::string &keyPath,
                                           const std::string &name) {
    ScanLocationOver(location, root, keyPath);
    return AddressOf(ScanLocations(), location, EntryNumber(location, name));
}

std::string CurrentUserKeyName() {
    const std::string probe = "Software\\QuillmaraTests\\EntryUserProbe";
    CreateRegKey(HKEY_CURRENT_USER, probe);
    std::string found;
    ScopedKey users(OpenKey(HKEY_USERS, ""));
    for (const auto &name : EnumSubKeys(users.get()))
        if (found.empty() && RegKeyExists(HKEY_USERS, name + "\\" + probe))
            found = name;
    DeleteRegTree(HKEY_CURRENT_USER, probe);
    return found;
}

TestFilterClass::TestFilterClass(const std::string &clsid, const std::string &dll, const std::string &filterKey)
    : key(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + clsid) {
    SetRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Classes\\CLSID\\" + clsid + "\\InprocServer32", "", dll);
    SetRegString(HKEY_LOCAL_MACHINE, filterKey + "\\qmfilter", "CLSID", clsid);
}
