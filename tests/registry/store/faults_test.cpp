// Failure injection: every operation is run again and again, with its first,
// second, third ... registry call failing (and once more with that call and
// every later one failing, so that the undo fails too). Whatever fails, each
// entry must end up in exactly one place (in both when the undo failed, never
// in neither), nothing else may change, and False must be the answer unless
// the entry really arrived.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/values.h"
#include "support/store_support.h"
#include "support/testing.h"

using namespace storetest;

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
const std::string kDisKey = kBase + "\\AutorunsDisabled";

std::string Nul(const std::string &text) { return text + std::string(1, '\0'); }

struct Scenario {
    std::function<void()> setup;                                // the start layout below kBase
    std::function<bool()> run;                                  // the operation
    std::function<int()> places;                                // in how many places the entry is
    std::function<bool()> arrived;                              // the entry is where the operation moves it
    std::function<bool(const std::string &)> ownLine = nullptr; // Dump lines that belong to the entry
    int placesAfterSuccess = 1;                                 // 0 for a deletion
};

bool HasValue(const std::string &key, const std::string &name, DWORD type, const std::string &data) {
    ScopedKey k(OpenKey(kRoot, key));
    const RegValue v = ReadValue(k.get(), name);
    return v.present && v.type == type && v.data == data;
}

bool HasItem(const std::string &key, const std::string &name, const std::string &item) {
    ScopedKey k(OpenKey(kRoot, key));
    for (const auto &piece : SplitMultiStringData(ReadValue(k.get(), name).data))
        if (piece == item)
            return true;
    return false;
}

bool IsStoreKeyLine(const std::string &line) { return line == "\\AutorunsDisabled"; }

// Runs setup and then run with call n failing, for n = 1, 2, ... until run
// makes fewer calls than n; once with single faults and once with every call
// from n on failing. check gets the result and, when nothing failed, an empty
// call name.
void ForEachFault(const std::function<void()> &setup, const std::function<bool()> &run,
                  const std::function<void(bool result, bool cascade, const std::string &failed)> &check) {
    for (const bool cascade : {false, true}) {
        for (int n = 1;; ++n) {
            ASSERT_LT(n, 200) << "the operation does not end";
            setup();
            bool result = false;
            std::vector<std::string> calls;
            {
                Faults faults(n, cascade);
                result = run();
                calls = faults.names();
            }
            if (static_cast<int>(calls.size()) < n) {
                SCOPED_TRACE("clean run");
                check(result, cascade, "");
                break;
            }
            const std::string failed = calls[static_cast<size_t>(n) - 1];
            SCOPED_TRACE("call " + std::to_string(n) + " (" + failed + ") fails" +
                         (cascade ? ", and every call after it" : ""));
            check(result, cascade, failed);
        }
    }
}

void InjectEverywhere(const Scenario &s) {
    Tree start;
    auto setup = [&] {
        DeleteRegTree(kRoot, kBase);
        s.setup();
        start = Dump(kRoot, kBase);
    };
    ForEachFault(setup, s.run, [&](bool result, bool cascade, const std::string &failed) {
        const Tree end = Dump(kRoot, kBase);
        const int places = s.places();
        if (failed.empty()) {
            // Nothing failed: the operation must have done its work.
            EXPECT_TRUE(result);
            EXPECT_TRUE(s.arrived());
            EXPECT_EQ(places, s.placesAfterSuccess);
        } else if (result) {
            // Success is only told when the entry arrived.
            EXPECT_TRUE(s.arrived());
            EXPECT_EQ(places, s.placesAfterSuccess);
        } else if (s.placesAfterSuccess == 0) {
            EXPECT_LE(places, 1); // a deletion may have happened before a later step failed
        } else if (cascade) {
            EXPECT_GE(places, 1); // never in neither place
        } else {
            EXPECT_EQ(places, 1);
            // A single failure is undone completely, unless only the tidying
            // after the move failed.
            if (!s.arrived()) {
                EXPECT_EQ(end, start);
            }
        }
        // Nothing that is not the entry is touched.
        for (const auto &[line, data] : start) {
            if (IsStoreKeyLine(line) || (s.ownLine && s.ownLine(line)))
                continue;
            const auto it = end.find(line);
            EXPECT_TRUE(it != end.end() && it->second == data) << "lost or changed: " << line;
        }
    });
}

// A named value with its type and a long datum.
const std::string kToolData = Nul("%ProgramFiles%\\" + std::string(400, 't') + "\\tool.exe");

bool OwnToolLine(const std::string &line) { return line.ends_with("|Tool"); }

int ToolPlaces() {
    return HasValue(kBase, "Tool", REG_EXPAND_SZ, kToolData) + HasValue(kDisKey, "Tool", REG_EXPAND_SZ, kToolData);
}

TEST(Faults, MovingNamedValues) {
    auto live = [] {
        SetRegBinary(kRoot, kBase, "Tool", kToolData, REG_EXPAND_SZ);
        SetRegString(kRoot, kBase, "Other", "other.exe");
    };
    auto disabledToo = [] { SetRegString(kRoot, kDisKey, "Old", "old.exe"); };
    auto inLive = [] { return HasValue(kBase, "Tool", REG_EXPAND_SZ, kToolData); };
    auto inStore = [] { return HasValue(kDisKey, "Tool", REG_EXPAND_SZ, kToolData); };

    {
        SCOPED_TRACE("disable, the store made by the move");
        InjectEverywhere({live, [] { return MoveValue(kRoot, kBase, "Tool", false); }, ToolPlaces,
                          [=] { return inStore() && !inLive(); }, OwnToolLine});
    }
    {
        SCOPED_TRACE("disable beside another disabled value");
        InjectEverywhere({[=] { live(), disabledToo(); }, [] { return MoveValue(kRoot, kBase, "Tool", false); },
                          ToolPlaces, [=] { return inStore() && !inLive(); }, OwnToolLine});
    }
    auto stored = [] {
        SetRegBinary(kRoot, kDisKey, "Tool", kToolData, REG_EXPAND_SZ);
        SetRegString(kRoot, kBase, "Other", "other.exe");
    };
    {
        SCOPED_TRACE("enable the last disabled value");
        InjectEverywhere({stored, [] { return MoveSingleValue(kRoot, kBase, "Tool", true); }, ToolPlaces,
                          [=] { return inLive() && !inStore(); }, OwnToolLine});
    }
    {
        SCOPED_TRACE("enable beside another disabled value");
        InjectEverywhere({[=] { stored(), disabledToo(); }, [] { return MoveValue(kRoot, kBase, "Tool", true); },
                          ToolPlaces, [=] { return inLive() && !inStore(); }, OwnToolLine});
    }
    {
        SCOPED_TRACE("delete a disabled value");
        Scenario s{[=] { stored(), disabledToo(); },
                   [] { return DeleteNamedValue(kRoot, kBase, "Tool", true); },
                   ToolPlaces,
                   [] { return ToolPlaces() == 0; },
                   OwnToolLine,
                   0};
        InjectEverywhere(s);
        s.setup = stored;
        InjectEverywhere(s);
    }
    {
        SCOPED_TRACE("delete a live value");
        InjectEverywhere({live, [] { return DeleteValueEverywhere(kRoot, kBase, "Tool", false); }, ToolPlaces,
                          [] { return ToolPlaces() == 0; }, OwnToolLine, 0});
    }
}

const std::string kList = "Authentication Packages";

int ItemPlaces() { return HasItem(kBase, kList, "extra") + HasItem(kDisKey, kList, "extra"); }

TEST(Faults, MovingListItems) {
    // Another list of the same key keeps a disabled item throughout.
    auto layout = [](bool disabled) {
        return [disabled] {
            SetRegMultiString(kRoot, kBase, kList,
                              disabled ? std::vector<std::string>{"msv1_0"}
                                       : std::vector<std::string>{"msv1_0", "extra"});
            SetRegMultiString(kRoot, kBase, "Security Packages", {"schannel"});
            SetRegMultiString(kRoot, kDisKey, "Security Packages", {"wdigest"});
            if (disabled)
                SetRegMultiString(kRoot, kDisKey, kList, {"extra"});
        };
    };
    auto ownLine = [](const std::string &line) { return line.ends_with("|" + kList); };
    auto othersKept = [] { return HasItem(kBase, kList, "msv1_0") && !HasItem(kDisKey, kList, "msv1_0"); };
    {
        SCOPED_TRACE("disable an item");
        InjectEverywhere(
            {layout(false), [] { return MoveMultiSzItem(kRoot, kBase, kList, "extra", false); }, ItemPlaces,
             [=] { return othersKept() && HasItem(kDisKey, kList, "extra") && !HasItem(kBase, kList, "extra"); },
             ownLine});
    }
    {
        SCOPED_TRACE("enable the only disabled item of its list");
        InjectEverywhere(
            {layout(true), [] { return MoveMultiSzItem(kRoot, kBase, kList, "extra", true); }, ItemPlaces,
             [=] { return othersKept() && HasItem(kBase, kList, "extra") && !HasItem(kDisKey, kList, "extra"); },
             ownLine});
    }
    {
        SCOPED_TRACE("delete a disabled item");
        InjectEverywhere({layout(true), [] { return DeleteMultiSzItem(kRoot, kBase, kList, "extra", true); },
                          ItemPlaces, [=] { return othersKept() && ItemPlaces() == 0; }, ownLine, 0});
    }
    {
        SCOPED_TRACE("delete a live item");
        InjectEverywhere({layout(false), [] { return DeleteMultiSzItem(kRoot, kBase, kList, "extra", false); },
                          ItemPlaces, [=] { return othersKept() && ItemPlaces() == 0; }, ownLine, 0});
    }
}

// One program of a value naming several, divided by ", ".
int ProgramPlaces() {
    auto in = [](const std::string &key) {
        ScopedKey k(OpenKey(kRoot, key));
        return ReadValue(k.get(), "AppSetup").Text().find("second.exe") != std::string::npos;
    };
    return in(kBase) + in(kDisKey);
}

TEST(Faults, DeletingOneProgramOfAValue) {
    auto own = [](const std::string &line) { return line.ends_with("|AppSetup"); };
    {
        SCOPED_TRACE("one of three, live");
        InjectEverywhere({[] { SetRegString(kRoot, kBase, "AppSetup", "first.exe, second.exe, third.exe"); },
                          [] { return DeleteListedProgram(kRoot, kBase, "AppSetup", "second.exe", ", ", false); },
                          ProgramPlaces,
                          [] { return HasValue(kBase, "AppSetup", REG_SZ, Nul("first.exe, third.exe")); }, own, 0});
    }
    {
        SCOPED_TRACE("the last one, disabled");
        InjectEverywhere({[] {
                              SetRegString(kRoot, kDisKey, "AppSetup", "second.exe");
                              SetRegString(kRoot, kBase, "Other", "other.exe");
                          },
                          [] { return DeleteListedProgram(kRoot, kBase, "AppSetup", "second.exe", ", ", true); },
                          ProgramPlaces, [] { return !RegKeyExists(kRoot, kDisKey); }, own, 0});
    }
}

// A subkey entry X with a subtree.
Tree EntryTree() {
    return Tree{{"", ""},
                {"|DLLName", std::to_string(REG_EXPAND_SZ) + ":" + Hex(Nul("%SystemRoot%\\hook.dll"))},
                {"\\Child", ""},
                {"\\Child|Asynchronous", std::to_string(REG_DWORD) + ":01000000"}};
}

void MakeEntry(const std::string &key) {
    SetRegBinary(kRoot, key, "DLLName", Nul("%SystemRoot%\\hook.dll"), REG_EXPAND_SZ);
    SetRegDword(kRoot, key + "\\Child", "Asynchronous", 1);
}

// The entry counts as in a place only when its whole subtree is there.
int KeyPlaces() { return (Dump(kRoot, kBase + "\\X") == EntryTree()) + (Dump(kRoot, kDisKey + "\\X") == EntryTree()); }

bool OwnKeyLine(const std::string &line) {
    return line.starts_with("\\X") || line.starts_with("\\AutorunsDisabled\\X");
}

TEST(Faults, MovingSubKeys) {
    auto liveEntry = [] {
        MakeEntry(kBase + "\\X");
        SetRegString(kRoot, kBase + "\\Y", "DLLName", "y.dll");
    };
    auto storedEntry = [](bool valueBeside) {
        return [valueBeside] {
            MakeEntry(kDisKey + "\\X");
            SetRegString(kRoot, kBase + "\\Y", "DLLName", "y.dll");
            if (valueBeside)
                SetRegString(kRoot, kDisKey, "Old", "old.exe");
        };
    };
    auto atLive = [] { return KeyPlaces() == 1 && Dump(kRoot, kBase + "\\X") == EntryTree(); };
    auto atStore = [] { return KeyPlaces() == 1 && Dump(kRoot, kDisKey + "\\X") == EntryTree(); };
    {
        SCOPED_TRACE("disable a subkey");
        InjectEverywhere({liveEntry, [] { return MoveKey(kRoot, kBase + "\\X", kDisKey + "\\X", false); }, KeyPlaces,
                          atStore, OwnKeyLine});
    }
    for (const bool valueBeside : {false, true}) {
        SCOPED_TRACE(valueBeside ? "enable a subkey beside a disabled value" : "enable the last disabled subkey");
        InjectEverywhere({storedEntry(valueBeside), [] { return MoveKey(kRoot, kDisKey + "\\X", kBase + "\\X", true); },
                          KeyPlaces, atLive, OwnKeyLine});
    }
    {
        SCOPED_TRACE("delete a disabled subkey");
        // DeleteKeyAndEmptyParent deletes a key without subkeys only.
        InjectEverywhere({[] { SetRegString(kRoot, kDisKey + "\\X", "DLLName", "x.dll"); },
                          [] { return DeleteKeyAndEmptyParent(kRoot, kDisKey + "\\X", "", true); },
                          [] { return static_cast<int>(RegKeyExists(kRoot, kDisKey + "\\X")); },
                          [] { return !RegKeyExists(kRoot, kDisKey + "\\X"); }, OwnKeyLine, 0});
    }
    {
        SCOPED_TRACE("copy a subkey");
        InjectEverywhere({liveEntry, [] { return CopySubKey(kRoot, kBase + "\\X", kBase + "\\Copy\\X"); },
                          [] { return static_cast<int>(Dump(kRoot, kBase + "\\X") == EntryTree()); },
                          [] { return Dump(kRoot, kBase + "\\Copy\\X") == EntryTree(); },
                          [](const std::string &line) { return line.starts_with("\\Copy"); }});
    }
}

std::string StartOf(const std::string &name) {
    ScopedKey k(OpenKey(kRoot, kBase + "\\Svc"));
    const RegValue v = ReadValue(k.get(), name);
    if (!v.present || v.type != REG_DWORD || v.data.size() != 4)
        return "-";
    return std::to_string(static_cast<unsigned char>(v.data[0]));
}

TEST(Faults, ParkingStartTypes) {
    // The service's start type (2) is kept either in "Start" or, as 1, in
    // "AutorunsDisabled"; it must never be lost.
    auto places = [] { return (StartOf("Start") == "2") + (StartOf("AutorunsDisabled") == "1"); };
    auto own = [](const std::string &line) { return line.starts_with("\\Svc|"); };
    {
        SCOPED_TRACE("disable a service");
        InjectEverywhere({[] { SetRegDword(kRoot, kBase + "\\Svc", "Start", 2); },
                          [] { return MoveStartValue(kRoot, kBase + "\\Svc", false, true); }, places,
                          [] { return StartOf("Start") == "4" && StartOf("AutorunsDisabled") == "1"; }, own});
    }
    {
        SCOPED_TRACE("enable a service");
        InjectEverywhere({[] {
                              SetRegDword(kRoot, kBase + "\\Svc", "Start", 4);
                              SetRegDword(kRoot, kBase + "\\Svc", "AutorunsDisabled", 1);
                          },
                          [] { return MoveStartValue(kRoot, kBase + "\\Svc", true, true); }, places,
                          [] { return StartOf("Start") == "2" && StartOf("AutorunsDisabled") == "-"; }, own});
    }
    {
        SCOPED_TRACE("delete a disabled service");
        InjectEverywhere({[] {
                              SetRegDword(kRoot, kBase + "\\Svc", "Start", 4);
                              SetRegDword(kRoot, kBase + "\\Svc", "AutorunsDisabled", 1);
                          },
                          [] { return SetStartDisabled(kRoot, kBase + "\\Svc", true); },
                          [] { return static_cast<int>(StartOf("AutorunsDisabled") == "1"); },
                          [] { return StartOf("Start") == "4" && StartOf("AutorunsDisabled") == "-"; }, own, 0});
    }
}

TEST(Faults, SavingAndRestoring) {
    TempDir dir;
    const std::string key = kBase + "\\Key";
    auto content = [&](const std::string &tool) {
        DeleteRegTree(kRoot, kBase);
        SetRegBinary(kRoot, key, "Tool", kToolData, REG_EXPAND_SZ);
        SetRegString(kRoot, key, "Which", tool);
        SetRegString(kRoot, key + "\\Sub", "", tool);
    };
    content("saved");
    const Tree saved = Dump(kRoot, key);
    ASSERT_TRUE(SaveKeyToFile(key, dir / "backup.hiv", kRoot));
    const std::string backup = ReadFileBytes(dir / "backup.hiv");
    const std::string record = ReadFileBytes(dir / "backup.hiv.check");
    content("current");
    const Tree current = Dump(kRoot, key);
    CapturedLog log;

    // A save that fails keeps the earlier backup as it was.
    ForEachFault([&] { ASSERT_TRUE(WriteFileBytes(dir / "backup.hiv", backup)); },
                 [&] { return SaveKeyToFile(key, dir / "backup.hiv", kRoot); },
                 [&](bool result, bool, const std::string &failed) {
                     EXPECT_EQ(result, failed.empty());
                     if (!result) {
                         EXPECT_EQ(ReadFileBytes(dir / "backup.hiv"), backup);
                     }
                 });

    // A restore that fails leaves the key as it was; when putting it back
    // fails too, its earlier content is kept in a copy and the log says where.
    ForEachFault(
        [&] {
            RemoveRestoreLeftovers();
            content("current");
            ASSERT_TRUE(WriteFileBytes(dir / "backup.hiv", backup));
            ASSERT_TRUE(WriteFileBytes(dir / "backup.hiv.check", record));
        },
        [&] { return RestoreKeyFromFile(key, dir / "backup.hiv", kRoot); },
        [&](bool result, bool cascade, const std::string &failed) {
            const Tree end = Dump(kRoot, key);
            EXPECT_EQ(ReadFileBytes(dir / "backup.hiv"), backup);
            if (result) {
                EXPECT_EQ(end, saved);
                return;
            }
            EXPECT_FALSE(failed.empty());
            if (end == current) {
                if (!cascade && failed != "RegUnLoadKeyA") {
                    EXPECT_EQ(RestoreLeftovers(), std::vector<std::string>{});
                }
                return;
            }
            EXPECT_TRUE(cascade);
            bool kept = false;
            for (const auto &name : RestoreLeftovers())
                kept = kept || (!name.starts_with("HKEY_USERS") &&
                                Dump(kRoot, "SOFTWARE\\Fernhollowsys\\Quillmara\\" + name + "\\Content") == current);
            EXPECT_TRUE(kept) << "the earlier content is lost";
            EXPECT_NE(log.text().find("RestoreKeyFromFile the earlier content of"), std::string::npos);
        });
    RemoveRestoreLeftovers();
    EXPECT_EQ(RestoreLeftovers(), std::vector<std::string>{});
    DisablePrivileges();
}

} // namespace
