#include <gtest/gtest.h>

#include <memory>

#include "registry/controlset.h"
#include "registry/values.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/testing.h"

namespace {

const int kRewritten[] = {1, 48, 49, 50, 56, 63, 64, 65, 66, 67, 68};

bool IsRewritten(int n) {
    for (int r : kRewritten)
        if (r == n)
            return true;
    return false;
}

// Sets SYSTEM\Select\Current for the test and puts the old value back.
class CurrentSelect {
  public:
    explicit CurrentSelect(DWORD value) {
        HKEY key = nullptr;
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        saved_ = ReadValue(key, "Current");
        RegCloseKey(key);
        SetRegDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", "Current", value);
    }
    ~CurrentSelect() {
        if (saved_.present)
            SetRegBinary(HKEY_LOCAL_MACHINE, "SYSTEM\\Select", "Current", saved_.data, saved_.type);
    }

  private:
    RegValue saved_;
};

std::vector<std::string> BuildPaths() {
    ResetLocations(ScanLocations());
    LoadPaths();
    std::vector<std::string> paths;
    for (const auto &loc : ScanLocations())
        paths.push_back(loc.Path);
    return paths;
}

TEST(ControlSet, NumberFormsTheKeyName) {
    TestKey set0(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet000"), set2(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet002"),
        set10(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet010");
    const bool hasSet1 = RegKeyExists(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001");
    std::unique_ptr<TestKey> set1;
    if (!hasSet1)
        set1 = std::make_unique<TestKey>(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001");
    for (auto [value, name] : std::vector<std::pair<DWORD, std::string>>{{1, "ControlSet001"},
                                                                         {2, "ControlSet002"},
                                                                         {10, "ControlSet010"},
                                                                         {0, "ControlSet000"},
                                                                         {258, "ControlSet002"}}) {
        CurrentSelect select(value);
        EXPECT_EQ(GetCurrentControlSet(2), name) << value;
    }
    EXPECT_EQ(GetCurrentControlSet(7), "");
}

TEST(ControlSet, RewritesExactlyTheElevenSystemPaths) {
    CurrentSelect select(2);
    TestKey set2(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet002");
    const auto before = BuildPaths();
    SetControlSet(2);
    EXPECT_EQ(CurrentControlSet(), "ControlSet002");
    for (int n = 1; n <= 68; ++n) {
        const std::string &now = ScanLocations()[static_cast<size_t>(n)].Path;
        if (IsRewritten(n))
            EXPECT_EQ(now, "ControlSet002" + before[static_cast<size_t>(n)].substr(13)) << n;
        else
            EXPECT_EQ(now, before[static_cast<size_t>(n)]) << n;
    }
    EXPECT_EQ(ScanLocations()[48].Path, "ControlSet002\\Services");
    ResetLocations(ScanLocations());
}

TEST(ControlSet, OfflineReadsTheOfflineSelectKey) {
    // A plain key stands in for the loaded offline system hive.
    TestKey remote(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    SetRegDword(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\Select", "Current", 3);
    CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\ControlSet003");
    CurrentSelect local(1);
    BuildPaths();
    SetControlSet(5);
    EXPECT_EQ(CurrentControlSet(), "ControlSet003");
    EXPECT_EQ(ScanLocations()[68].Path, "ControlSet003\\Control\\Lsa");
    // A second call moves from the previous set to the new one.
    CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\ControlSet007");
    SetRegDword(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\Select", "Current", 7);
    SetControlSet(5);
    EXPECT_EQ(ScanLocations()[68].Path, "ControlSet007\\Control\\Lsa");
    ResetLocations(ScanLocations());
}

TEST(ControlSet, MissingSelectEmptiesTheSet) {
    TestKey remote(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    BuildPaths();
    SetControlSet(5);
    EXPECT_EQ(CurrentControlSet(), "");
    EXPECT_EQ(ScanLocations()[48].Path, "\\Services");
    ResetLocations(ScanLocations());
}

TEST(ControlSet, RunningSetStandsInForAMissingNumberedSet) {
    // As in a Wine prefix: "Select" names set 4, only "CurrentControlSet" exists.
    TestKey remote(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM");
    SetRegDword(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\Select", "Current", 4);
    CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\CurrentControlSet\\Services");
    BuildPaths();
    SetControlSet(5);
    EXPECT_EQ(CurrentControlSet(), "CurrentControlSet");
    EXPECT_EQ(ScanLocations()[48].Path, "CurrentControlSet\\Services");
    EXPECT_EQ(ScanLocations()[1].Path, "CurrentControlSet\\Control\\Terminal Server\\Wds\\rdpwd");
    // Once the numbered set exists it is used, and the paths move to it.
    CreateRegKey(HKEY_LOCAL_MACHINE, "_REMOTE_SYSTEM\\ControlSet004");
    SetControlSet(5);
    EXPECT_EQ(ScanLocations()[48].Path, "ControlSet004\\Services");
    ResetLocations(ScanLocations());
}

} // namespace
