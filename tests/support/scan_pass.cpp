#include "support/scan_pass.h"

#include "registry/access.h"
#include <gtest/gtest.h>

#include "scan/locations.h"
#include "scan/scanner.h"
#include "scan/state.h"

ScannedInstall::ScannedInstall(const std::string &windowsDir, bool offline)
    : previousList_(ScanLocations()[0].Entries), previousSelected_(SelectedOS()) {
    std::vector<StartupEntry> list(1);
    list[0].EntryName = "C:\\";
    list[0].ImagePath = offline ? "C:\\WINDOWS" : windowsDir;
    if (offline) {
        StartupEntry other;
        other.EntryName = windowsDir.substr(0, 3);
        other.ImagePath = windowsDir;
        list.push_back(other);
    }
    ScanLocations()[0].Entries = list;
    SelectedOS() = offline ? 1 : 0;
}

ScannedInstall::~ScannedInstall() {
    ScanLocations()[0].Entries = previousList_;
    SelectedOS() = previousSelected_;
}

const StartupEntry *PassResult::byName(const std::string &entryName) const {
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].EntryName == entryName)
            return &entries[i];
    return nullptr;
}

const StartupEntry *PassResult::byItem(const std::string &itemName) const {
    for (size_t i = 1; i < entries.size(); ++i)
        if (entries[i].ItemName == itemName)
            return &entries[i];
    return nullptr;
}

std::vector<std::string> PassResult::names() const {
    std::vector<std::string> out;
    for (size_t i = 1; i < entries.size(); ++i)
        out.push_back(entries[i].EntryName);
    return out;
}

const StartupEntry &PassResult::named(const std::string &name) const {
    for (int i = 1; i <= count(); ++i)
        if ((*this)[i].EntryName == name || (*this)[i].ItemName == name)
            return (*this)[i];
    ADD_FAILURE() << "no entry " << name;
    static const StartupEntry none;
    return none;
}

void PassResult::expectRecorded() const {
    std::vector<int> expected{0};
    for (int i = 1; i <= count(); ++i) {
        expected.push_back(i);
        EXPECT_EQ((*this)[i].PassIndex, 1) << i;
    }
    EXPECT_EQ(passes[1].EntryIndexes, expected);
}

PassResult ScanOnePass(HKEY root, const std::string &keyPath, int category, int location, const std::string &valueName,
                       int scope) {
    PassResult r;
    LoadData(root, keyPath, r.entries, category, location, valueName, scope, r.passes, false, ScannedInstallation());
    return r;
}

PassResult ScanLocationPass(int location, HKEY root, const std::string &keyPath, const std::string &valueName) {
    if (UpperBound(ScanLocations()) < location)
        LoadPaths();
    const ScanLocation &loc = ScanLocations()[static_cast<size_t>(location)];
    return ScanOnePass(root, keyPath, loc.Category, location, valueName.empty() ? loc.ValueName : valueName, loc.Scope);
}

int OpenKeyCount() {
    int n = 0;
    for (size_t i = 1; i < OpenKeys().size(); ++i)
        n += OpenKeys()[i].hKey != nullptr;
    return n;
}

void UseInstallations(short selected, const std::string &offlineRoot, const std::string &offlineWindows) {
    auto &locations = ScanLocations();
    ResetLocations(locations);
    StartupEntry system, offline;
    system.EntryName = "C:\\";
    system.ImagePath = "C:\\windows";
    offline.EntryName = offlineRoot;
    offline.ImagePath = offlineWindows;
    locations[0].Entries = {system, offline};
    SelectedOS() = selected;
    ProfilesDir().clear();
}
