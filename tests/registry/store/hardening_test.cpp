// The store against hostile and unlucky cases: a key moved into itself, data
// outside the program's code page, damaged backups, hive names that are no
// hive of ours, changes in a loaded hive that must reach its file, and what a
// process that died half-way through a restore or a move leaves behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/hives.h"
#include "registry/key_trust.h"
#include "registry/values.h"
#include "support/store_support.h"
#include "support/testing.h"
#include "system/codepage.h"
#include "system/platform.h"

using namespace storetest;

namespace {

const HKEY kRoot = HKEY_LOCAL_MACHINE;
const std::string kRecords = "Software\\Fernhollowsys\\Quillmara";

std::string Bytes(const std::wstring &text) {
    return std::string(reinterpret_cast<const char *>(text.data()), text.size() * sizeof(wchar_t));
}

// The bytes of a wide literal with every NUL in it but its own terminator.
template <size_t N> std::string Literal(const wchar_t (&text)[N]) { return Bytes(std::wstring(text, N - 1)); }

void SetWide(const std::string &key, const std::wstring &name, DWORD type, const std::string &bytes) {
    CreateRegKey(kRoot, key);
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExA(kRoot, key.c_str(), 0, KEY_SET_VALUE, &k), ERROR_SUCCESS);
    RegSetValueExW(k, name.c_str(), 0, type, reinterpret_cast<const BYTE *>(bytes.data()),
                   static_cast<DWORD>(bytes.size()));
    RegCloseKey(k);
}

// A value's text as the program reads it; "" when missing.
std::string GetRegString(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey k(OpenKey(root, key));
    return ReadString(k.get(), name);
}

// The exact bytes of a value read through the wide-character call; "-" when missing.
std::string WideData(const std::string &key, const std::wstring &name) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(kRoot, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS)
        return "-";
    std::string data(4096, '\0');
    DWORD size = static_cast<DWORD>(data.size());
    const LONG rc = RegQueryValueExW(k, name.c_str(), nullptr, nullptr, reinterpret_cast<BYTE *>(data.data()), &size);
    RegCloseKey(k);
    return rc == ERROR_SUCCESS ? data.substr(0, size) : "-";
}

// Children that die in the middle of their work, as a killed program would.
// "disable-and-die <hive file>": loads the hive, disables its value "Tool"
// and ends without unloading it.
int DisableAndDie(const std::vector<std::string> &args) {
    if (args.empty() || !LoadHive(args[0], kRoot, "_REMOTE_QmKilled"))
        return 2;
    if (!MoveValue(kRoot, "_REMOTE_QmKilled\\Run", "Tool", false))
        return 3;
    TerminateProcess(GetCurrentProcess(), 9);
    return 0;
}

// "restore-and-die <key> <file>": dies when the restore flushes the key it
// has just emptied and refilled.
int RestoreAndDie(const std::vector<std::string> &args) {
    if (args.size() < 2)
        return 2;
    SetStoreFault([](const char *call) -> long {
        if (std::string(call) == "RegFlushKey")
            TerminateProcess(GetCurrentProcess(), 9);
        return 0;
    });
    RestoreKeyFromFile(args[0], args[1], kRoot);
    return 3;
}

// "move-into-itself <key>": moves and copies the key into its own subtree;
// 0 when both were refused (a copy into itself would overflow the stack).
int MoveIntoItself(const std::vector<std::string> &args) {
    if (args.empty())
        return 2;
    const bool moved = MoveKey(kRoot, args[0], args[0] + "\\AutorunsDisabled", false);
    const bool copied = CopySubKey(kRoot, args[0], args[0] + "\\Copy");
    return moved || copied ? 1 : 0;
}

// "move-and-die <from> <to> <n>": moves the key and dies at the store's
// call n; when that call deletes the source, part of the source goes first,
// as a kill in the middle of the deletion leaves it. 0 when the move ended
// before call n.
int MoveAndDie(const std::vector<std::string> &args) {
    if (args.size() < 3)
        return 2;
    const std::string from = args[0];
    const int dieAt = std::atoi(args[2].c_str());
    int calls = 0;
    SetStoreFault([&](const char *call) -> long {
        if (++calls != dieAt)
            return 0;
        if (std::string(call) == "SHDeleteKeyA")
            RegDeleteTreeA(kRoot, (from + "\\Child").c_str());
        TerminateProcess(GetCurrentProcess(), 9);
        return 0;
    });
    return MoveKey(kRoot, from, args[1], true) ? 0 : 3;
}

const bool registered = RegisterChild("disable-and-die", DisableAndDie) &&
                        RegisterChild("restore-and-die", RestoreAndDie) &&
                        RegisterChild("move-into-itself", MoveIntoItself) && RegisterChild("move-and-die", MoveAndDie);

class Hardening : public ::testing::Test {
  protected:
    void SetUp() override { DeleteRegTree(kRoot, kBase); }
    void TearDown() override { DeleteRegTree(kRoot, kBase); }
};

TEST_F(Hardening, AKeyIsNeverMovedOrCopiedIntoItself) {
    SetRegString(kRoot, kBase + "\\AutorunsDisabled", "Old", "old.exe");
    SetRegString(kRoot, kBase + "\\Sub", "DLLName", "x.dll");
    const Tree before = Dump(kRoot, kBase);
    // In a child first: a copy into itself would take the process down.
    ASSERT_TRUE(registered);
    EXPECT_EQ(RunChild("move-into-itself", {kBase + "\\AutorunsDisabled"}), 0);
    EXPECT_EQ(Dump(kRoot, kBase), before);
    EXPECT_FALSE(MoveKey(kRoot, kBase + "\\AutorunsDisabled", kBase + "\\AutorunsDisabled\\AutorunsDisabled", false));
    EXPECT_FALSE(MoveKey(kRoot, kBase + "\\Sub", kBase + "\\SUB", false));
    EXPECT_FALSE(CopySubKey(kRoot, kBase + "\\Sub", kBase + "\\Sub\\Copy"));
    EXPECT_EQ(Dump(kRoot, kBase), before);
    // A name that only begins like the source is another key.
    EXPECT_TRUE(CopySubKey(kRoot, kBase + "\\Sub", kBase + "\\Sub2"));
}

TEST_F(Hardening, MovesKeepDataOutsideTheCodePageByteForByte) {
    const std::string run = kBase + "\\Run";
    const std::string program = Literal(L"C:\\\x041F\x0440\x043E\x0433\x0440\x0430\x043C\x043C\x044B\\app.exe\0");
    SetWide(run, L"App", REG_SZ, program);
    ASSERT_TRUE(MoveValue(kRoot, run, "App", false));
    EXPECT_EQ(WideData(run + "\\AutorunsDisabled", L"App"), program);
    ASSERT_TRUE(MoveValue(kRoot, run, "App", true));
    EXPECT_EQ(WideData(run, L"App"), program);

    // Moving one item of a list leaves its neighbours exactly as they were.
    const std::string list = Literal(L"scecli\0\x041F\x0430\x043A\x0435\x0442\0vendor\0\0");
    SetWide(kBase, L"Notification Packages", REG_MULTI_SZ, list);
    ASSERT_TRUE(MoveMultiSzItem(kRoot, kBase, "Notification Packages", "scecli", false));
    EXPECT_EQ(WideData(kBase, L"Notification Packages"), Literal(L"\x041F\x0430\x043A\x0435\x0442\0vendor\0\0"));
    ASSERT_TRUE(MoveMultiSzItem(kRoot, kBase, "Notification Packages", "scecli", true));
    // So does deleting one program of a value that names several.
    SetWide(kBase, L"AppSetup", REG_SZ, Literal(L"a.exe, \x041F\x0430\x043A.exe, b.exe\0"));
    ASSERT_TRUE(DeleteListedProgram(kRoot, kBase, "AppSetup", "a.exe", ", ", false));
    EXPECT_EQ(WideData(kBase, L"AppSetup"), Literal(L"\x041F\x0430\x043A.exe, b.exe\0"));

    // A name the code page cannot express is not changed, nor is a value
    // whose literal name is what that name reads as.
    if (GetACP() != CP_UTF8) {
        SetWide(run, L"\x041F\x0443\x0441\x043A", REG_SZ, program);
        SetRegString(kRoot, run, "????", "other.exe");
        const Tree before = Dump(kRoot, kBase);
        EXPECT_FALSE(MoveValue(kRoot, run, "????", false));
        EXPECT_EQ(Dump(kRoot, kBase), before);
    }
}

TEST_F(Hardening, ACutOrDamagedBackupIsRefusedAndTheKeyKept) {
    TempDir dir;
    const std::string key = kBase + "\\Key";
    SetRegBinary(kRoot, key, "Big", std::string(200000, 'b'), REG_BINARY);
    SetRegString(kRoot, key, "Which", "saved");
    const std::string file = dir / "backup.hiv";
    ASSERT_TRUE(SaveKeyToFile(key, file, kRoot));
    const std::string whole = ReadFileBytes(file);
    SetRegString(kRoot, key, "Which", "current");
    const Tree current = Dump(kRoot, key);
    for (const std::string &damaged : {whole.substr(0, whole.size() / 2), whole.substr(0, whole.size() * 99 / 100),
                                       whole.substr(0, 64) + std::string(whole.size() - 64, 'j')}) {
        ASSERT_TRUE(WriteFileBytes(file, damaged));
        EXPECT_FALSE(RestoreKeyFromFile(key, file, kRoot)) << damaged.size();
        EXPECT_EQ(Dump(kRoot, key), current);
    }
    // The whole file restores; so does one without a record (made by hand).
    ASSERT_TRUE(WriteFileBytes(file, whole));
    EXPECT_TRUE(RestoreKeyFromFile(key, file, kRoot));
    SetRegString(kRoot, key, "Which", "current");
    ASSERT_TRUE(DeleteFileA(CheckRecordFile(file).c_str()));
    EXPECT_TRUE(RestoreKeyFromFile(key, file, kRoot));
    ScopedKey k(OpenKey(kRoot, key));
    EXPECT_EQ(ReadString(k.get(), "Which"), "saved");
}

TEST_F(Hardening, OnlyANewNameTakesAHive) {
    TempDir dir;
    SetRegString(kRoot, kBase + "\\Hive", "A", "1");
    const std::string file = dir / "hive";
    ASSERT_TRUE(SaveKeyToFile(kBase + "\\Hive", file, kRoot));
    const size_t listed = LoadedHives().size();
    EXPECT_FALSE(LoadHive(file, HKEY_USERS, ""));
    EXPECT_FALSE(LoadHive(file, HKEY_USERS, "_REMOTE_Qm\\Below"));
    EXPECT_FALSE(LoadHive(file, HKEY_USERS, ".DEFAULT"));
    EXPECT_FALSE(LoadHive(file, kRoot, "SOFTWARE"));
    EXPECT_EQ(LoadedHives().size(), listed);
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "_REMOTE_Qm"));
    EXPECT_FALSE(UnloadHive(HKEY_USERS, "_REMOTE_QmNoSuchHive"));
}

TEST_F(Hardening, AChangeInALoadedHiveReachesItsFileAtOnce) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Windows writes loaded hives itself";
    TempDir dir;
    SetRegString(kRoot, kBase + "\\Hive\\Run", "Tool", "tool.exe");
    const std::string file = dir / "hive";
    ASSERT_TRUE(SaveKeyToFile(kBase + "\\Hive", file, kRoot));
    ASSERT_TRUE(LoadHive(file, kRoot, "_REMOTE_QmWriteBack"));
    ASSERT_TRUE(MoveValue(kRoot, "_REMOTE_QmWriteBack\\Run", "Tool", false));
    // What the file holds now, before any unload: load it a second time.
    ASSERT_EQ(RegLoadKeyA(kRoot, "_REMOTE_QmWriteBackCheck", file.c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(RegKeyExists(kRoot, "_REMOTE_QmWriteBackCheck\\Run\\AutorunsDisabled"));
    RegUnLoadKeyA(kRoot, "_REMOTE_QmWriteBackCheck");
    EXPECT_TRUE(UnloadHive(kRoot, "_REMOTE_QmWriteBack"));
}

TEST_F(Hardening, AKilledProcessLeavesItsCompletedOfflineChangesInTheHiveFile) {
    ASSERT_TRUE(registered);
    TempDir dir;
    SetRegString(kRoot, kBase + "\\Hive\\Run", "Tool", "tool.exe");
    const std::string file = dir / "hive";
    ASSERT_TRUE(SaveKeyToFile(kBase + "\\Hive", file, kRoot));
    EXPECT_EQ(RunChild("disable-and-die", {file}), 9);
    // The dead process's hive is still loaded; dropped here without a write-back.
    EnablePrivileges();
    RegUnLoadKeyA(kRoot, "_REMOTE_QmKilled");
    ASSERT_EQ(RegLoadKeyA(kRoot, "_REMOTE_QmKilledCheck", file.c_str()), ERROR_SUCCESS);
    EXPECT_TRUE(RegKeyExists(kRoot, "_REMOTE_QmKilledCheck\\Run\\AutorunsDisabled"));
    RegUnLoadKeyA(kRoot, "_REMOTE_QmKilledCheck");
    DisablePrivileges();
}

TEST_F(Hardening, ARestoreKilledHalfWayIsPutBackAtTheNextStart) {
    ASSERT_TRUE(registered);
    TempDir dir;
    const std::string key = kBase + "\\Key";
    SetRegString(kRoot, key, "Which", "saved");
    const std::string file = dir / "backup.hiv";
    ASSERT_TRUE(SaveKeyToFile(key, file, kRoot));
    SetRegString(kRoot, key, "Which", "current");
    SetRegString(kRoot, key + "\\Sub", "", "current");
    const Tree current = Dump(kRoot, key);
    EXPECT_EQ(RunChild("restore-and-die", {key, file}), 9);
    EXPECT_FALSE(RestoreLeftovers().empty());
    CapturedLog log;
    EXPECT_TRUE(RecoverInterruptedChanges());
    EXPECT_EQ(Dump(kRoot, key), current);
    EXPECT_EQ(RestoreLeftovers(), std::vector<std::string>{});
    EXPECT_NE(log.text().find("put the earlier content of"), std::string::npos) << log.text();
}

TEST_F(Hardening, AKilledRestoreIsPutBackAtTheNextStart) {
    // What a restore that died half-way leaves: the key half written, its
    // earlier content in a copy that names it, the temporary hive loaded.
    const std::string target = kBase + "\\Target";
    const std::string copy = kRecords + "\\RestoreCopy-4000000-1";
    SetRegString(kRoot, target, "Half", "x");
    SetRegString(kRoot, copy, "Root", "HKEY_LOCAL_MACHINE\\");
    SetRegString(kRoot, copy, "Key", target);
    SetRegDword(kRoot, copy, "Ready", 1);
    SetRegString(kRoot, copy + "\\Content", "Tool", "earlier.exe");
    SetRegString(kRoot, copy + "\\Content\\Sub", "", "kept");
    const Tree earlier = Dump(kRoot, copy + "\\Content");
    TempDir dir;
    SetRegString(kRoot, kBase + "\\Hive", "A", "1");
    ASSERT_TRUE(SaveKeyToFile(kBase + "\\Hive", dir / "hive", kRoot));
    EnablePrivileges();
    ASSERT_EQ(RegLoadKeyA(HKEY_USERS, "QuillmaraRestore-4000000-1", (dir / "hive").c_str()), ERROR_SUCCESS);
    DisablePrivileges();

    CapturedLog log;
    EXPECT_TRUE(RecoverInterruptedChanges());
    EXPECT_EQ(Dump(kRoot, target), earlier);
    EXPECT_FALSE(RegKeyExists(kRoot, copy));
    EXPECT_FALSE(RegKeyExists(HKEY_USERS, "QuillmaraRestore-4000000-1"));
    EXPECT_EQ(log.lines().size(), 3u) << log.text();
    RemoveRestoreLeftovers();
}

TEST_F(Hardening, AnInterruptedMoveIsCompletedByItsRetry) {
    // The copy of a move stopped half-way: the source whole, a partial target
    // that the record of the move names.
    const std::string from = kBase + "\\X", to = kBase + "\\AutorunsDisabled\\X";
    SetRegString(kRoot, from, "DLLName", "x.dll");
    SetRegString(kRoot, from + "\\Deep", "A", "1");
    const Tree whole = Dump(kRoot, from);
    SetRegString(kRoot, to, "DLLName", "x.dll");
    SetRegString(kRoot, kRecords + "\\Moves", "HKEY_LOCAL_MACHINE\\" + to, "HKEY_LOCAL_MACHINE\\" + from);
    EXPECT_TRUE(MoveKey(kRoot, from, to, false));
    EXPECT_EQ(Dump(kRoot, to), whole);
    EXPECT_FALSE(RegKeyExists(kRoot, from));
    ScopedKey records(OpenKey(kRoot, kRecords + "\\Moves"));
    EXPECT_FALSE(ReadValue(records.get(), "HKEY_LOCAL_MACHINE\\" + to).present);
    // A target no move of ours made is still refused.
    SetRegString(kRoot, from, "DLLName", "x.dll");
    EXPECT_FALSE(MoveKey(kRoot, from, to, false));

    // A disable that saved the start type but died before setting it: the
    // retry completes it.
    SetRegDword(kRoot, kBase + "\\Svc", "Start", 2);
    SetRegDword(kRoot, kBase + "\\Svc", "AutorunsDisabled", 1);
    EXPECT_TRUE(MoveStartValue(kRoot, kBase + "\\Svc", false, true));
    ScopedKey svc(OpenKey(kRoot, kBase + "\\Svc"));
    EXPECT_EQ(ReadValue(svc.get(), "Start").data, std::string("\x04\0\0\0", 4));
    EXPECT_EQ(ReadValue(svc.get(), "AutorunsDisabled").data, std::string("\x01\0\0\0", 4));
}

TEST_F(Hardening, ARetryAfterTheCopyKeepsWhatTheSourceGotSinceAndStaleRecordsAreDropped) {
    const std::string from = kBase + "\\X", to = kBase + "\\AutorunsDisabled\\X";
    const std::string fromName = "HKEY_LOCAL_MACHINE\\" + from, toName = "HKEY_LOCAL_MACHINE\\" + to;
    auto recordCopied = [&](const std::string &target, const std::string &source) {
        CreateRegKey(kRoot, kRecords + "\\Moves");
        ScopedKey records(OpenKeyWrite(kRoot, kRecords + "\\Moves"));
        const std::string list = source + '\0' + "Copied" + '\0' + '\0';
        RegSetValueExA(records.get(), target.c_str(), 0, REG_MULTI_SZ, reinterpret_cast<const BYTE *>(list.data()),
                       static_cast<DWORD>(list.size()));
    };
    auto recorded = [&] {
        ScopedKey records(OpenKey(kRoot, kRecords + "\\Moves"));
        return EnumValueNames(records.get());
    };
    // The copy was whole and the source deletion failed; the software then
    // wrote its key again.
    SetRegString(kRoot, to, "DLLName", "x.dll");
    SetRegString(kRoot, from, "DLLName", "y.dll");
    SetRegString(kRoot, from, "Later", "written after the copy");
    SetRegString(kRoot, from + "\\New", "", "new subkey");
    recordCopied(toName, fromName);
    EXPECT_TRUE(MoveKey(kRoot, from, to, false));
    EXPECT_FALSE(RegKeyExists(kRoot, from));
    EXPECT_EQ(GetRegString(kRoot, to, "DLLName"), "y.dll");
    EXPECT_EQ(GetRegString(kRoot, to, "Later"), "written after the copy");
    EXPECT_EQ(GetRegString(kRoot, to + "\\New", ""), "new subkey");
    EXPECT_EQ(recorded(), std::vector<std::string>{});

    // A record naming another source, and one in an offline hive this process
    // has not loaded: dropped with a line each, neither key touched.
    SetRegString(kRoot, from, "DLLName", "live.dll");
    const Tree source = Dump(kRoot, from), target = Dump(kRoot, to);
    recordCopied(toName, "HKEY_LOCAL_MACHINE\\" + kBase + "\\Other");
    CapturedLog log;
    EXPECT_FALSE(MoveKey(kRoot, from, to, false));
    EXPECT_EQ(Dump(kRoot, from), source);
    EXPECT_EQ(Dump(kRoot, to), target);
    EXPECT_EQ(recorded(), std::vector<std::string>{});
    EXPECT_EQ(log.lines().size(), 1u) << log.text();

    const std::string remote = "_REMOTE_QmGone\\Run";
    SetRegString(kRoot, remote + "\\X", "DLLName", "live.dll");
    SetRegString(kRoot, remote + "\\AutorunsDisabled\\X", "DLLName", "other.dll");
    recordCopied("HKEY_LOCAL_MACHINE\\" + remote + "\\AutorunsDisabled\\X", "HKEY_LOCAL_MACHINE\\" + remote + "\\X");
    EXPECT_FALSE(MoveKey(kRoot, remote + "\\X", remote + "\\AutorunsDisabled\\X", false));
    EXPECT_EQ(GetRegString(kRoot, remote + "\\X", "DLLName"), "live.dll");
    EXPECT_EQ(GetRegString(kRoot, remote + "\\AutorunsDisabled\\X", "DLLName"), "other.dll");
    EXPECT_EQ(recorded(), std::vector<std::string>{});
    DeleteRegTree(kRoot, "_REMOTE_QmGone");
}

TEST_F(Hardening, TheSettingsKeyIsRepairedBeforeAnyRecordIsRead) {
    CreateRegKey(kRoot, kRecords + "\\Moves");
    SetKeySecurityRead([](const std::string &) { return std::string("O:BUD:(A;CI;KA;;;BU)"); });
    CapturedLog log;
    bool asked = false, repairedFirst = false;
    SetStoreFault([&](const char *) -> long {
        if (!asked)
            repairedFirst = log.text().find("repaired the security of HKEY_LOCAL_MACHINE\\" + kRecords + "\\Moves") !=
                            std::string::npos;
        asked = true;
        return 0;
    });
    RecoverInterruptedChanges();
    SetStoreFault(nullptr);
    SetKeySecurityRead(nullptr);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(repairedFirst) << log.text();
}

TEST_F(Hardening, RecordsUnderARepairedKeyAreDroppedNotActedOn) {
    // Written while others could write the settings key: a restore copy that
    // would put its content into a key, a registry link posing as one, and
    // records of a move and of a loaded hive.
    const std::string target = kBase + "\\Target", copy = kRecords + "\\RestoreCopy-4000000-1";
    SetRegString(kRoot, target, "Tool", "own.exe");
    SetRegString(kRoot, copy, "Root", "HKEY_LOCAL_MACHINE\\");
    SetRegString(kRoot, copy, "Key", target);
    SetRegDword(kRoot, copy, "Ready", 1);
    SetRegString(kRoot, copy + "\\Content", "Tool", "planted.exe");
    SetRegString(kRoot, kRecords + "\\Moves", "HKEY_LOCAL_MACHINE\\" + target, "x");
    SetRegString(kRoot, kRecords + "\\Hives", "HKEY_USERS\\QmPlanted", "C:\\planted");
    SetRegString(kRoot, target + "\\Sub", "Kept", "1");
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(kRoot, WideText(kRecords + "\\RestoreCopy-4000000-2").c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
              ERROR_SUCCESS);
    const std::wstring linked = L"\\Registry\\Machine\\" + WideText(target);
    ASSERT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE *>(linked.data()),
                             static_cast<DWORD>(linked.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(link);

    SetKeySecurityRead([](const std::string &) { return std::string("O:BUD:(A;CI;KA;;;BU)"); });
    CapturedLog log;
    RecoverInterruptedChanges();
    SetKeySecurityRead(nullptr);
    EXPECT_EQ(GetRegString(kRoot, target, "Tool"), "own.exe");
    EXPECT_EQ(GetRegString(kRoot, target + "\\Sub", "Kept"), "1");
    EXPECT_FALSE(RegKeyExists(kRoot, copy));
    HKEY opened = nullptr;
    EXPECT_NE(RegOpenKeyExA(kRoot, (kRecords + "\\RestoreCopy-4000000-2").c_str(), REG_OPTION_OPEN_LINK, KEY_READ,
                            &opened),
              ERROR_SUCCESS);
    EXPECT_EQ(GetRegString(kRoot, kRecords + "\\Moves", "HKEY_LOCAL_MACHINE\\" + target), "");
    EXPECT_EQ(GetRegString(kRoot, kRecords + "\\Hives", "HKEY_USERS\\QmPlanted"), "");
    EXPECT_NE(log.text().find("is a registry link: not followed"), std::string::npos) << log.text();
    EXPECT_EQ(log.text().find("put the earlier content"), std::string::npos) << log.text();
    for (const std::string &dropped :
         {"dropped HKEY_LOCAL_MACHINE\\" + copy + ":", std::string("dropped the record HKEY_USERS\\QmPlanted in "),
          "dropped the record HKEY_LOCAL_MACHINE\\" + target + " in "})
        EXPECT_NE(log.text().find(dropped), std::string::npos) << dropped << "\n" << log.text();
    RemoveRestoreLeftovers();
}

TEST_F(Hardening, ChangesInALoadedHiveReachItsFileAfterASaveDroppedThePrivileges) {
    if (!RunningOnWine())
        GTEST_SKIP() << "Windows writes loaded hives itself";
    TempDir dir;
    SetRegString(kRoot, kBase + "\\Hive\\Run", "Tool", "tool.exe");
    const std::string file = dir / "hive", saved = dir / "run.hiv";
    ASSERT_TRUE(SaveKeyToFile(kBase + "\\Hive", file, kRoot));
    ASSERT_TRUE(LoadHive(file, kRoot, "_REMOTE_QmHeld"));
    SetRegString(kRoot, "_REMOTE_QmHeld\\Run", "Saved", "in the backup");
    ASSERT_TRUE(SaveKeyToFile("_REMOTE_QmHeld\\Run", saved, kRoot)); // drops the privileges
    ASSERT_FALSE(PrivilegesEnabled());
    ASSERT_TRUE(RestoreKeyFromFile("_REMOTE_QmHeld\\Run", saved, kRoot));
    // What the file holds now, before any unload: load it a second time.
    EnablePrivileges();
    ASSERT_EQ(RegLoadKeyA(kRoot, "_REMOTE_QmHeldCheck", file.c_str()), ERROR_SUCCESS);
    EXPECT_EQ(GetRegString(kRoot, "_REMOTE_QmHeldCheck\\Run", "Saved"), "in the backup");
    RegUnLoadKeyA(kRoot, "_REMOTE_QmHeldCheck");
    EXPECT_TRUE(UnloadHive(kRoot, "_REMOTE_QmHeld"));
    DisablePrivileges();
}

TEST_F(Hardening, AMoveKilledAtAnyStepIsWholeInOnePlaceAfterItsRetry) {
    ASSERT_TRUE(registered);
    const std::string live = kBase + "\\X", stored = kBase + "\\AutorunsDisabled\\X";
    auto makeEntry = [](const std::string &key) {
        SetRegString(kRoot, key, "DLLName", "x.dll");
        SetRegDword(kRoot, key + "\\Child", "Asynchronous", 1);
        SetRegString(kRoot, key + "\\Child\\Deep", "", "deep");
    };
    makeEntry(live);
    const Tree whole = Dump(kRoot, live);
    // Disabling (into the store) and enabling (out of it, the store dropped).
    for (const bool enable : {false, true}) {
        const std::string from = enable ? stored : live, to = enable ? live : stored;
        int completed = 0;
        for (int n = 1; completed == 0; ++n) {
            ASSERT_LT(n, 100) << "the move does not end";
            SCOPED_TRACE((enable ? "enable, killed at call " : "disable, killed at call ") + std::to_string(n));
            DeleteRegTree(kRoot, kBase);
            DeleteRegTree(kRoot, kRecords + "\\Moves");
            makeEntry(from);
            const int code = RunChild("move-and-die", {from, to, std::to_string(n)});
            auto recorded = [&] {
                ScopedKey records(OpenKey(kRoot, kRecords + "\\Moves"));
                return EnumValueNames(records.get());
            };
            if (code == 0) {
                completed = n;
            } else {
                ASSERT_EQ(code, 9);
                // Retried while the entry still shows at its old place or its
                // move is still recorded (a kill while tidying up needs none).
                if (RegKeyExists(kRoot, from) || !recorded().empty()) {
                    EXPECT_TRUE(MoveKey(kRoot, from, to, true));
                }
            }
            EXPECT_EQ(Dump(kRoot, to), whole);
            EXPECT_FALSE(RegKeyExists(kRoot, from));
            EXPECT_EQ(recorded(), std::vector<std::string>{});
        }
        EXPECT_GT(completed, 5);
    }
}

} // namespace
