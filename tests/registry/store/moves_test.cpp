#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/values.h"
#include "support/store_support.h"
#include "support/testing.h"

using namespace storetest;

namespace {

const std::string kDis = "\\AutorunsDisabled";

std::string Nul(const std::string &text) { return text + std::string(1, '\0'); }
std::string Dword(DWORD v) { return std::string(reinterpret_cast<const char *>(&v), 4); }

struct Kind {
    std::string name;
    DWORD type;
    std::string data;
};

// A value of every kind a location may hold.
std::vector<Kind> Kinds() {
    return {
        {"Sz", REG_SZ, Nul("C:\\Tools\\tool.exe /min")},
        {"Expand", REG_EXPAND_SZ, Nul("%SystemRoot%\\system32\\helper.exe")},
        {"Multi", REG_MULTI_SZ, std::string("first.exe\0second.exe\0\0", 22)},
        {"Number", REG_DWORD, Dword(0x12345678)},
        {"Bytes", REG_BINARY, std::string("\x01\x00\xff\x00", 4)},
        {"Long", REG_SZ, Nul("C:\\" + std::string(4096, 'x') + ".exe")},
        {"Empty", REG_SZ, ""},
        {"", REG_SZ, Nul("C:\\unnamed.exe")},
    };
}

void Put(const std::string &key, const Kind &k) { SetRegBinary(HKEY_LOCAL_MACHINE, key, k.name, k.data, k.type); }

std::string Line(const Kind &k) { return std::to_string(k.type) + ":" + Hex(k.data); }

class StoreTest : public testing::Test {
  protected:
    TestKey base{HKEY_LOCAL_MACHINE, kBase};
    Tree Now() const { return Dump(HKEY_LOCAL_MACHINE, kBase); }
};

TEST_F(StoreTest, ValuesOfEveryKindMoveWholeAndComeBackUnchanged) {
    for (const auto &k : Kinds())
        Put(kBase, k);
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Other", "C:\\other.exe");
    const Tree start = Now();

    for (const auto &k : Kinds()) {
        SCOPED_TRACE("value \"" + k.name + "\"");
        ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, k.name, false));
        Tree moved = Now();
        EXPECT_EQ(moved.count("|" + k.name), 0u);
        EXPECT_EQ(moved["\\AutorunsDisabled|" + k.name], Line(k));
        ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, k.name, true));
        EXPECT_EQ(Now(), start);
    }
    // All disabled at once, enabled in another order.
    for (const auto &k : Kinds())
        ASSERT_TRUE(MoveSingleValue(HKEY_LOCAL_MACHINE, kBase, k.name, false));
    Tree disabled = Now();
    EXPECT_EQ(disabled.size(), Kinds().size() + 3); // two keys, the other value, the disabled ones
    const auto kinds = Kinds();
    for (auto it = kinds.rbegin(); it != kinds.rend(); ++it)
        ASSERT_TRUE(MoveSingleValue(HKEY_LOCAL_MACHINE, kBase, it->name, true));
    EXPECT_EQ(Now(), start);
}

TEST_F(StoreTest, TheStoreKeyGoesOnlyWhenNothingIsLeftInIt) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "A", "a.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "B", "b.exe");
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", false));
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "B", false));
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", true));
    EXPECT_EQ(ReadString(ScopedKey(OpenKey(HKEY_LOCAL_MACHINE, kBase + kDis)).get(), "B"), "b.exe");
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "B", true));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + kDis));

    // A disabled subkey beside the last disabled value: the value comes back,
    // the store stays for the subkey, and that is success.
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", false));
    CreateRegKey(HKEY_LOCAL_MACHINE, kBase + kDis + "\\SubEntry");
    EXPECT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", true));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + kDis + "\\SubEntry"));

    // Deleting follows the same rule.
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", false));
    EXPECT_TRUE(DeleteNamedValue(HKEY_LOCAL_MACHINE, kBase, "A", true));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + kDis + "\\SubEntry"));
    DeleteRegTree(HKEY_LOCAL_MACHINE, kBase + kDis + "\\SubEntry");
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "B", false));
    EXPECT_TRUE(DeleteValueEverywhere(HKEY_LOCAL_MACHINE, kBase, "B", true));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + kDis));
    EXPECT_EQ(Now(), (Tree{{"", ""}}));
    // Nothing to delete or move: false.
    EXPECT_FALSE(DeleteNamedValue(HKEY_LOCAL_MACHINE, kBase, "A", false));
    EXPECT_FALSE(DeleteNamedValue(HKEY_LOCAL_MACHINE, kBase, "A", true));
    EXPECT_FALSE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", false));
    EXPECT_FALSE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "A", true));
    EXPECT_FALSE(MoveValue(HKEY_LOCAL_MACHINE, kBase + "\\Missing", "A", false));
    EXPECT_EQ(Now(), (Tree{{"", ""}}));
}

TEST_F(StoreTest, AMoveNeverReplacesADifferentValueOfTheSameName) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Tool", "new.exe");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + kDis, "Tool", "old.exe");
    const Tree start = Now();
    EXPECT_FALSE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "Tool", false));
    EXPECT_FALSE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "Tool", true));
    EXPECT_EQ(Now(), start);
    // The same value in both places is simply one entry again.
    SetRegString(HKEY_LOCAL_MACHINE, kBase + kDis, "Tool", "new.exe");
    EXPECT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "Tool", true));
    EXPECT_EQ(Now(), (Tree{{"", ""}, {"|Tool", std::to_string(REG_SZ) + ":" + Hex(Nul("new.exe"))}}));
}

Tree ListTree(const std::string &live, const std::string &disabled = "") {
    Tree t{{"", ""}, {"|Authentication Packages", std::to_string(REG_MULTI_SZ) + ":" + Hex(live)}};
    if (!disabled.empty()) {
        t["\\AutorunsDisabled"] = "";
        t["\\AutorunsDisabled|Authentication Packages"] = std::to_string(REG_MULTI_SZ) + ":" + Hex(disabled);
    }
    return t;
}

const std::string kAuth = "Authentication Packages";

TEST_F(StoreTest, ListItemsMoveBetweenTheLists) {
    const std::string ab("msv1_0\0kerberos\0\0", 17);
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase, kAuth, ab, REG_MULTI_SZ);
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "kerberos", false));
    EXPECT_EQ(Now(), ListTree(std::string("msv1_0\0\0", 8), std::string("kerberos\0\0", 10)));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "kerberos", true));
    EXPECT_EQ(Now(), ListTree(ab));

    // The only item: the live list is left empty (a single NUL).
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "kerberos", false));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "msv1_0", false));
    EXPECT_EQ(Now(), ListTree(std::string(1, '\0'), std::string("kerberos\0msv1_0\0\0", 17)));
    // An item that is in no list is not made up.
    EXPECT_FALSE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "ghost", true));
    EXPECT_FALSE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "ghost", false));
    EXPECT_FALSE(DeleteMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "ghost", true));
    EXPECT_EQ(Now(), ListTree(std::string(1, '\0'), std::string("kerberos\0msv1_0\0\0", 17)));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "msv1_0", true));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "kerberos", true));
    EXPECT_EQ(Now(), ListTree(ab)); // both back, the store gone

    // Two lists of one key keep their own disabled items.
    SetRegMultiString(HKEY_LOCAL_MACHINE, kBase, "Security Packages", {"schannel", "wdigest"});
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "kerberos", false));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, "Security Packages", "wdigest", false));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "kerberos", true));
    ScopedKey d(OpenKey(HKEY_LOCAL_MACHINE, kBase + kDis));
    ASSERT_TRUE(d);
    EXPECT_FALSE(ReadValue(d.get(), kAuth).present);
    EXPECT_EQ(ReadValue(d.get(), "Security Packages").data, std::string("wdigest\0\0", 9));
}

TEST_F(StoreTest, ListsAreTakenApartAtTheirNulsWhateverTheirEnd) {
    // No closing pair of NULs, an empty piece inside, and an item twice.
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase, kAuth, std::string("a\0\0b\0a\0c", 8), REG_MULTI_SZ);
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "a", false));
    EXPECT_EQ(Now(), ListTree(std::string("b\0c\0\0", 5), std::string("a\0\0", 3)));
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "c", false));
    EXPECT_EQ(Now(), ListTree(std::string("b\0\0", 3), std::string("a\0c\0\0", 5)));
    // A disabled list without data counts as empty.
    SetRegBinary(HKEY_LOCAL_MACHINE, kBase + kDis, kAuth, "", REG_MULTI_SZ);
    ASSERT_TRUE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "b", false));
    EXPECT_EQ(Now(), ListTree(std::string(1, '\0'), std::string("b\0\0", 3)));
    // Deleting the last disabled item removes the list and the store.
    ASSERT_TRUE(DeleteMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "b", true));
    EXPECT_EQ(Now(), ListTree(std::string(1, '\0')));
    SetRegMultiString(HKEY_LOCAL_MACHINE, kBase, kAuth, {"x", "y"});
    ASSERT_TRUE(DeleteMultiSzItem(HKEY_LOCAL_MACHINE, kBase, kAuth, "x", false));
    EXPECT_EQ(Now(), ListTree(std::string("y\0\0", 3)));
    // A value that is not a list is not rewritten as one.
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Plain", "x");
    const Tree before = Now();
    EXPECT_FALSE(MoveMultiSzItem(HKEY_LOCAL_MACHINE, kBase, "Plain", "x", false));
    EXPECT_FALSE(DeleteMultiSzItem(HKEY_LOCAL_MACHINE, kBase, "Plain", "x", false));
    EXPECT_EQ(Now(), before);
}

// A subkey entry with values of every kind and a nested subtree.
void MakeSubKeyEntry(const std::string &key) {
    for (const auto &k : Kinds())
        Put(key, k);
    SetRegString(HKEY_LOCAL_MACHINE, key + "\\Nested\\Deeper", "Deep", "deep.dll");
    CreateRegKey(HKEY_LOCAL_MACHINE, key + "\\EmptyChild");
}

TEST_F(StoreTest, SubKeysMoveWithTheirSubtree) {
    MakeSubKeyEntry(kBase + "\\Entry");
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "Beside", "x");
    const Tree start = Now();
    const Tree entry = Dump(HKEY_LOCAL_MACHINE, kBase + "\\Entry");
    ASSERT_TRUE(MoveKey(HKEY_LOCAL_MACHINE, kBase + "\\Entry", kBase + kDis + "\\Entry", false));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Entry"));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Entry"), entry);
    ASSERT_TRUE(MoveKey(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Entry", kBase + "\\Entry", true));
    EXPECT_EQ(Now(), start);

    // A target that exists already: refused, neither key touched.
    MakeSubKeyEntry(kBase + kDis + "\\Entry");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Entry", "Mine", "keep");
    const Tree both = Now();
    {
        CapturedLog log;
        EXPECT_FALSE(MoveKey(HKEY_LOCAL_MACHINE, kBase + "\\Entry", kBase + kDis + "\\Entry", false));
        EXPECT_EQ(log.lines(), std::vector<std::string>{"Key already exixts."});
    }
    EXPECT_EQ(Now(), both);
    DeleteRegTree(HKEY_LOCAL_MACHINE, kBase + kDis);

    // Enabling the last disabled subkey keeps disabled values stored beside it.
    ASSERT_TRUE(MoveKey(HKEY_LOCAL_MACHINE, kBase + "\\Entry", kBase + kDis + "\\Entry", false));
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "Beside", false));
    ASSERT_TRUE(MoveKey(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Entry", kBase + "\\Entry", true));
    ASSERT_TRUE(MoveValue(HKEY_LOCAL_MACHINE, kBase, "Beside", true));
    EXPECT_EQ(Now(), start);

    // A source that is not there: false, and no target is left behind, so a
    // retry is not refused.
    {
        CapturedLog log;
        EXPECT_FALSE(MoveKey(HKEY_LOCAL_MACHINE, kBase + "\\Missing", kBase + kDis + "\\Missing", true));
        EXPECT_EQ(log.lines(), std::vector<std::string>{"Failed to copy the subkey"});
    }
    EXPECT_EQ(Now(), start);
}

TEST_F(StoreTest, DeletingASubKeyEntry) {
    CreateRegKey(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Parent\\Child");
    CreateRegKey(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Lone");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + kDis, "Value", "v.exe");
    const Tree start = Now();
    EXPECT_FALSE(DeleteKeyAndEmptyParent(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Parent", "", true));
    EXPECT_FALSE(DeleteKeyAndEmptyParent(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Missing", "", true));
    EXPECT_EQ(Now(), start);
    EXPECT_TRUE(DeleteKeyAndEmptyParent(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Parent\\Child", "", false));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Parent"));
    EXPECT_TRUE(DeleteKeyAndEmptyParent(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Parent", "", true));
    EXPECT_TRUE(DeleteKeyAndEmptyParent(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Lone", "", true));
    // The store still holds a disabled value: it stays.
    EXPECT_EQ(Now(), (Tree{{"", ""},
                           {"\\AutorunsDisabled", ""},
                           {"\\AutorunsDisabled|Value", std::to_string(REG_SZ) + ":" + Hex(Nul("v.exe"))}}));
    CreateRegKey(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Last");
    ASSERT_TRUE(DeleteNamedValue(HKEY_LOCAL_MACHINE, kBase, "Value", true));
    EXPECT_TRUE(DeleteKeyAndEmptyParent(HKEY_LOCAL_MACHINE, kBase + kDis + "\\Last", "", true));
    EXPECT_EQ(Now(), (Tree{{"", ""}}));
}

TEST_F(StoreTest, CopySubKeyMergesIntoTheTarget) {
    MakeSubKeyEntry(kBase + "\\From");
    SetRegString(HKEY_LOCAL_MACHINE, kBase + "\\To", "Own", "kept");
    const Tree from = Dump(HKEY_LOCAL_MACHINE, kBase + "\\From");
    ASSERT_TRUE(CopySubKey(HKEY_LOCAL_MACHINE, kBase + "\\From", kBase + "\\To"));
    Tree expected = from;
    expected["|Own"] = std::to_string(REG_SZ) + ":" + Hex(Nul("kept"));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kBase + "\\To"), expected);
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kBase + "\\From"), from);
    ASSERT_TRUE(CopySubKey(HKEY_LOCAL_MACHINE, kBase + "\\From", kBase + "\\New\\Deep"));
    EXPECT_EQ(Dump(HKEY_LOCAL_MACHINE, kBase + "\\New\\Deep"), from);
    CapturedLog log;
    EXPECT_FALSE(CopySubKey(HKEY_LOCAL_MACHINE, kBase + "\\Missing", kBase + "\\Made\\Here"));
    EXPECT_EQ(log.lines(), std::vector<std::string>{"CopySubKey failed."});
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kBase + "\\Made"));
}

TEST_F(StoreTest, StartTypesAreParkedAndRestored) {
    const std::string svc = kBase + "\\Svc", drv = kBase + "\\Drv";
    SetRegDword(HKEY_LOCAL_MACHINE, svc, "Start", 2);
    SetRegString(HKEY_LOCAL_MACHINE, svc, "ImagePath", "C:\\svc.exe");
    SetRegDword(HKEY_LOCAL_MACHINE, drv, "Start", 1);
    const Tree start = Now();
    auto dword = [](const std::string &key, const char *name) {
        const RegValue v = ReadValue(ScopedKey(OpenKey(HKEY_LOCAL_MACHINE, key)).get(), name);
        return v.present && v.type == REG_DWORD ? static_cast<long>(*reinterpret_cast<const DWORD *>(v.data.data()))
                                                : -1L;
    };
    ASSERT_TRUE(MoveStartValue(HKEY_LOCAL_MACHINE, svc, false, true));
    EXPECT_EQ(dword(svc, "Start"), 4);
    EXPECT_EQ(dword(svc, "AutorunsDisabled"), 1);
    // Disabling again would overwrite the saved start type: refused.
    EXPECT_FALSE(MoveStartValue(HKEY_LOCAL_MACHINE, svc, false, true));
    EXPECT_EQ(dword(svc, "AutorunsDisabled"), 1);
    ASSERT_TRUE(MoveStartValue(HKEY_LOCAL_MACHINE, drv, false, false));
    EXPECT_EQ(dword(drv, "Start"), 4);
    EXPECT_EQ(dword(drv, "AutorunsDisabled"), 1);
    ASSERT_TRUE(MoveStartValue(HKEY_LOCAL_MACHINE, svc, true, true));
    ASSERT_TRUE(MoveStartValue(HKEY_LOCAL_MACHINE, drv, true, false));
    EXPECT_EQ(Now(), start);
    EXPECT_FALSE(MoveStartValue(HKEY_LOCAL_MACHINE, svc, true, true)); // nothing saved
    EXPECT_FALSE(MoveStartValue(HKEY_LOCAL_MACHINE, kBase + "\\NoSvc", false, true));
    EXPECT_EQ(Now(), start);

    ASSERT_TRUE(MoveStartValue(HKEY_LOCAL_MACHINE, svc, false, true));
    EXPECT_TRUE(SetStartDisabled(HKEY_LOCAL_MACHINE, svc, true));
    EXPECT_EQ(dword(svc, "Start"), 4);
    EXPECT_EQ(dword(svc, "AutorunsDisabled"), -1);
    EXPECT_TRUE(SetStartDisabled(HKEY_LOCAL_MACHINE, drv, false));
    EXPECT_EQ(dword(drv, "Start"), 4);
    EXPECT_FALSE(SetStartDisabled(HKEY_LOCAL_MACHINE, drv, true)); // no saved value to remove
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, drv));
}

TEST_F(StoreTest, ExeOpenCommandIsTheUnnamedValue) {
    SetRegString(HKEY_LOCAL_MACHINE, kBase, "", "evil.exe \"%1\" %*");
    ASSERT_TRUE(SetExeOpenDefault(HKEY_LOCAL_MACHINE, kBase, "Anything", "x"));
    const RegValue v = ReadValue(ScopedKey(OpenKey(HKEY_LOCAL_MACHINE, kBase)).get(), "");
    EXPECT_EQ(v.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(v.Text(), "\"%1\" %*");
    EXPECT_EQ(Now().count("|Anything"), 0u);
    EXPECT_FALSE(SetExeOpenDefault(HKEY_LOCAL_MACHINE, kBase + "\\Missing", "", ""));
}

// The scanner finds each moved entry in its new place.
TEST_F(StoreTest, TheScannerFollowsEveryMove) {
    const int run = LocationNumber(kCatLogon, "Microsoft\\Windows\\CurrentVersion\\Run", "");
    const int userinit = LocationNumber(kCatLogon, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "Userinit");
    const int notify =
        LocationNumber(kCatWinLogon, "Microsoft\\Windows NT\\CurrentVersion\\Winlogon\\Notify", "DLLName");
    const int packages = LocationNumber(kCatLsa, "ControlSet001\\Control\\Lsa", "Authentication Packages");
    const int services = LocationNumber(kCatServices, "ControlSet001\\Services", "");
    const int drivers = LocationNumber(kCatDrivers, "ControlSet001\\Services", "");
    ASSERT_TRUE(run && userinit && notify && packages && services && drivers);
    const HKEY hklm = HKEY_LOCAL_MACHINE;

    SetRegString(hklm, kBase + "\\Run", "Tool", "C:\\tool.exe");
    SetRegString(hklm, kBase + "\\Run", "Other", "C:\\other.exe");
    ASSERT_TRUE(MoveValue(hklm, kBase + "\\Run", "Tool", false));
    EXPECT_EQ(Scan(run, hklm, kBase + "\\Run"), (std::vector<std::string>{"Other", "Tool (disabled)"}));
    ASSERT_TRUE(MoveValue(hklm, kBase + "\\Run", "Tool", true));
    EXPECT_EQ(Scan(run, hklm, kBase + "\\Run"), (std::vector<std::string>{"Other", "Tool"}));

    SetRegString(hklm, kBase + "\\Winlogon", "Userinit", "C:\\windows\\system32\\userinit.exe,");
    ASSERT_TRUE(MoveSingleValue(hklm, kBase + "\\Winlogon", "Userinit", false));
    EXPECT_EQ(Scan(userinit, hklm, kBase + "\\Winlogon"), std::vector<std::string>{"userinit.exe (disabled)"});
    ASSERT_TRUE(MoveSingleValue(hklm, kBase + "\\Winlogon", "Userinit", true));
    EXPECT_EQ(Scan(userinit, hklm, kBase + "\\Winlogon"), std::vector<std::string>{"userinit.exe"});

    const std::string notifyKey = kBase + "\\Notify";
    SetRegString(hklm, notifyKey + "\\Hook", "DLLName", "hook.dll");
    SetRegString(hklm, notifyKey + "\\Keep", "DLLName", "keep.dll");
    ASSERT_TRUE(MoveKey(hklm, notifyKey + "\\Hook", notifyKey + kDis + "\\Hook", false));
    auto found = Scan(notify, hklm, notifyKey);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"Hook (disabled)", "Keep"}));
    ASSERT_TRUE(MoveKey(hklm, notifyKey + kDis + "\\Hook", notifyKey + "\\Hook", true));
    found = Scan(notify, hklm, notifyKey);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::string>{"Hook", "Keep"}));

    SetRegMultiString(hklm, kBase + "\\Lsa", "Authentication Packages", {"msv1_0", "extra"});
    ASSERT_TRUE(MoveMultiSzItem(hklm, kBase + "\\Lsa", "Authentication Packages", "extra", false));
    EXPECT_EQ(Scan(packages, hklm, kBase + "\\Lsa"), (std::vector<std::string>{"msv1_0", "extra (disabled)"}));
    ASSERT_TRUE(MoveMultiSzItem(hklm, kBase + "\\Lsa", "Authentication Packages", "extra", true));
    EXPECT_EQ(Scan(packages, hklm, kBase + "\\Lsa"), (std::vector<std::string>{"msv1_0", "extra"}));

    const std::string svc = kBase + "\\Services";
    SetRegDword(hklm, svc + "\\Svc", "Start", 2);
    SetRegString(hklm, svc + "\\Svc", "ObjectName", "LocalSystem");
    SetRegString(hklm, svc + "\\Svc", "ImagePath", "C:\\svc\\svc.exe");
    SetRegDword(hklm, svc + "\\Drv", "Start", 1);
    SetRegString(hklm, svc + "\\Drv", "ImagePath", "system32\\drivers\\drv.sys");
    ASSERT_TRUE(MoveStartValue(hklm, svc + "\\Svc", false, true));
    ASSERT_TRUE(MoveStartValue(hklm, svc + "\\Drv", false, false));
    EXPECT_EQ(Scan(services, hklm, svc), std::vector<std::string>{"Svc (disabled)"});
    EXPECT_EQ(Scan(drivers, hklm, svc), std::vector<std::string>{"Drv (disabled)"});
    ASSERT_TRUE(MoveStartValue(hklm, svc + "\\Svc", true, true));
    ASSERT_TRUE(MoveStartValue(hklm, svc + "\\Drv", true, false));
    EXPECT_EQ(Scan(services, hklm, svc), std::vector<std::string>{"Svc"});
    EXPECT_EQ(Scan(drivers, hklm, svc), std::vector<std::string>{"Drv"});
}

} // namespace
