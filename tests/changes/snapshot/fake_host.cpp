#include "fake_host.h"

#include <windows.h>

#include "changes/snapshot.h"
#include "registry/access.h"
#include "registry/hives.h"
#include "scan/state.h"
#include "scan/text.h"

int FakeHost::Ask(const std::string &prompt, int style, const std::string &title) {
    asked.push_back({prompt, style, title});
    if (answers.empty())
        return kAnswerOk;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeHost::UnloadHives() {
    ++unloads;
    auto &list = LoadedHives();
    for (size_t i = 1; i < list.size(); ++i)
        UnloadHive(list[i].Root, list[i].SubKey);
    list.assign(1, LoadedHive{});
    DisablePrivileges();
    Watch().watching = false;
}

// Deletes an added named value (the Run keys) from its pass's key.
bool FakeHost::DeleteAddedEntry(int location, int entry) {
    deleteRequests.emplace_back(location, entry);
    if (deleteFails)
        return false;
    const ScanLocation &loc = WatchLocations()[static_cast<size_t>(location)];
    const StartupEntry &e = loc.Entries[static_cast<size_t>(entry)];
    const std::string key =
        PassKeyPath(loc.Passes[static_cast<size_t>(e.PassIndex)].KeyText, RootName(loc.MainKey), false);
    HKEY k = nullptr;
    if (RegOpenKeyExA(loc.MainKey, key.c_str(), 0, KEY_ALL_ACCESS, &k) != ERROR_SUCCESS)
        return false;
    const bool done = RegDeleteValueA(k, e.EntryName.c_str()) == ERROR_SUCCESS;
    RegCloseKey(k);
    return done;
}
