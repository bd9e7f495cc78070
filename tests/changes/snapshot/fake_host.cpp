#include "fake_host.h"

#include <windows.h>

#include "changes/snapshot.h"
#include "registry/access.h"
#include "registry/hives.h"
#include "scan/state.h"

int FakeHost::Ask(const std::string &prompt, int style, const std::string &title) {
    asked.push_back({prompt, style, title});
    if (tickInsidePrompt)
        WatchTick(*this);
    if (whileAsked)
        whileAsked();
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
