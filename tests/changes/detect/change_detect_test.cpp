#include <gtest/gtest.h>

#include "changes/change_detect.h"
#include "changes/hive_skeleton.h"
#include "changes/put_back.h"
#include "changes/snapshot.h"

namespace {

StartupEntry Entry(const std::string &name, short pass, const std::string &item = "") {
    StartupEntry e;
    e.EntryName = name;
    e.ItemName = item;
    e.PassIndex = pass;
    return e;
}

// Arrays of 68 locations; location n holds the given entries.
struct Side {
    std::vector<ScanLocation> locations = std::vector<ScanLocation>(69);
    Side &add(int n, const StartupEntry &e) {
        locations[static_cast<size_t>(n)].Entries.push_back(e);
        return *this;
    }
};

std::vector<std::string> Describe(const std::vector<ChangeRec> &list) {
    std::vector<std::string> out;
    for (size_t i = 1; i < list.size(); ++i)
        out.push_back(std::to_string(list[i].Location) + (list[i].Added ? "+" : "-") + list[i].ItemName + "#" +
                      std::to_string(list[i].EntryIndex));
    return out;
}

TEST(FindChanges, CountsDecideAndUnmatchedEntriesAreTakenFromTheLast) {
    Side live, snap;
    std::vector<ChangeRec> list;
    // Equal counts: a swap of one entry for another is no change.
    snap.add(15, Entry("old", 1));
    live.add(15, Entry("new", 1));
    EXPECT_FALSE(FindChanges(live.locations, snap.locations, list));
    EXPECT_EQ(UpperBound(list), 0);

    // Two new entries: two records, the first naming the later one.
    live.add(15, Entry("a", 1)).add(15, Entry("b", 1));
    snap.locations[15].Entries.resize(1);
    snap.add(15, Entry("new", 1));
    EXPECT_TRUE(FindChanges(live.locations, snap.locations, list));
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"15+b#3", "15+a#2"}));

    // A removed entry is found in the snapshot; ItemName names it before
    // EntryName does.
    Side live2, snap2;
    snap2.add(18, Entry("tool", 1, "C:\\x\\tool.lnk")).add(18, Entry("keep", 1, "C:\\x\\keep.lnk"));
    live2.add(18, Entry("keep", 1, "C:\\x\\keep.lnk"));
    FindChanges(live2.locations, snap2.locations, list);
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"18-C:\\x\\tool.lnk#1"}));
}

TEST(FindChanges, TheSameNameIsMatchedWithinItsLocationAndPassOnly) {
    Side live, snap;
    std::vector<ChangeRec> list;
    // The same value added to the machine's and a user's Run key: one record each.
    live.add(15, Entry("Evil", 1));
    live.add(24, Entry("Evil", 2));
    EXPECT_TRUE(FindChanges(live.locations, snap.locations, list));
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"15+Evil#1", "24+Evil#1"}));

    // The same name in two passes of one location is two entries; an entry of
    // another pass does not match.
    Side live2, snap2;
    snap2.add(24, Entry("Tool", 1));
    live2.add(24, Entry("Tool", 1)).add(24, Entry("Tool", 2)).add(24, Entry("Evil", 1));
    FindChanges(live2.locations, snap2.locations, list);
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"24+Evil#3", "24+Tool#2"}));

    // More difference than distinct unmatched entries: the records that find
    // nothing are not made.
    Side live3, snap3;
    live3.add(15, Entry("Dup", 1)).add(15, Entry("Dup", 1));
    FindChanges(live3.locations, snap3.locations, list);
    EXPECT_EQ(Describe(list), (std::vector<std::string>{"15+Dup#2"}));
}

TEST(ChangePrompt, TenLinesAsTheUserSeesThem) {
    EXPECT_EQ(ChangePromptText(true, "Evil", "Logon", "C:\\evil.exe", true),
              "ADDED: Startup Entry 'Evil' \r\n"
              "CATEGORY: Logon\r\n"
              "IMAGE: C:\\evil.exe\r\n"
              "LOCATION: Registry\r\n"
              "\r\n"
              "    DO YOU WANT TO ALLOW THIS CHANGE ?\r\n"
              "\r\n"
              "YES          Allow Change.\r\n"
              "NO            Deny Change.\r\n"
              "CANCEL     Turn Off Watching.");
    const std::string removed = ChangePromptText(false, "x.lnk", "Logon", "", false);
    EXPECT_EQ(removed.substr(0, 31), "REMOVED: Startup Entry 'x.lnk' ");
    EXPECT_NE(removed.find("LOCATION: File\r\n"), std::string::npos);

    EXPECT_TRUE(HasClsidForm("{0A1b2C3d-0000-1111-2222-333344445555}"));
    EXPECT_FALSE(HasClsidForm("{0A1b2C3d-0000-1111-2222-33334444555}"));
    EXPECT_FALSE(HasClsidForm("{0A1b2C3d-0000-1111-2222-33334444555g}"));
    EXPECT_FALSE(HasClsidForm("Evil"));
}

TEST(SnapshotLayout, KeyListsNamesAndPaths) {
    bool rootValue = false;
    const auto keys = SkeletonKeys("; comment\r\n@\r\n\r\nControlSet001\\Services\r\ncontrolset001\r\n"
                                   "ControlSet0012\\Other\r\n  Lsa  \r\n",
                                   "CurrentControlSet", rootValue);
    EXPECT_TRUE(rootValue);
    EXPECT_EQ(keys, (std::vector<std::string>{"CurrentControlSet\\Services", "CurrentControlSet",
                                              "ControlSet0012\\Other", "Lsa"}));
    SkeletonKeys("Run", "", rootValue);
    EXPECT_FALSE(rootValue);

    EXPECT_EQ(PassFileStem(15, 2), "15(2)");
    EXPECT_EQ(SnapshotCopyFolder("S", 18, 1, false), "S\\18(1)\\");
    EXPECT_EQ(SnapshotCopyFolder("S", 18, 1, true), "S\\AutorunsDisabled\\18(1)\\");
    EXPECT_EQ(PassKeyPath("HKEY_USERS\\_REMOTE_S-1-5-18\\Software\\Run", "hkey_users\\", true),
              "S-1-5-18\\Software\\Run");
    EXPECT_EQ(PassKeyPath("HKEY_LOCAL_MACHINE\\SOFTWARE\\Run", "HKEY_LOCAL_MACHINE\\", false), "SOFTWARE\\Run");

    EXPECT_TRUE(ListItemNames("autocheck autochk *", "autocheck"));
    EXPECT_TRUE(ListItemNames("msv1_0", "msv1_0"));
    EXPECT_FALSE(ListItemNames("autocheck autochk *", "autochk"));
}

} // namespace
