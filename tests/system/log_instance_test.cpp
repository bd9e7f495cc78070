#include <gtest/gtest.h>

#include "support/testing.h"
#include "system/instance.h"
#include "system/log.h"
#include "system/platform.h"

namespace {

TEST(WriteLog, AppendsOneCrLfLineToAnExistingFile) {
    CapturedLog log;
    EXPECT_TRUE(WriteLog("first"));
    EXPECT_TRUE(WriteLog("second line"));
    EXPECT_EQ(log.text(), "first\r\nsecond line\r\n");
}

TEST(WriteLog, WritesNothingWithoutFolderOrFile) {
    TempDir dir;
    const std::string previous = LogFolder();
    LogFolder() = "";
    EXPECT_FALSE(WriteLog("nothing"));
    // A folder without the log file: the file is never created.
    LogFolder() = dir.path();
    EXPECT_FALSE(WriteLog("nothing"));
    EXPECT_EQ(GetFileAttributesA((dir / "Quillmara.log").c_str()), INVALID_FILE_ATTRIBUTES);
    LogFolder() = previous;
}

TEST(WriteLog, DeletedLogIsNotRecreated) {
    CapturedLog log;
    ASSERT_TRUE(WriteLog("one"));
    ASSERT_TRUE(DeleteFileA(log.file().c_str()));
    EXPECT_FALSE(WriteLog("two"));
    EXPECT_EQ(GetFileAttributesA(log.file().c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(WriteLog, KeepsCharactersAboveAscii) {
    CapturedLog log;
    WriteLog("Soci\xE9t\xE9");
    EXPECT_EQ(log.text(), "Soci\xE9t\xE9\r\n");
}

TEST(ApiErrorText, FormatsCodeHexAndSystemText) {
    const std::string two = ApiErrorText(2);
    EXPECT_EQ(two.rfind("2&H2: ", 0), 0u) << two;
    EXPECT_GT(two.size(), 6u);
    EXPECT_NE(two.back(), '\n');
    EXPECT_NE(two.back(), ' ');
    EXPECT_EQ(ApiErrorText(5).rfind("5&H5: ", 0), 0u);
    // No system text: the marker alone.
    EXPECT_EQ(ApiErrorText(-1), "<no such error>");
}

int HoldInstance(const std::vector<std::string> &args) {
    // Takes the mutex, signals the parent through a file, waits for a file.
    if (!CheckSingleInstance())
        return 2;
    WriteFileBytes(args.at(0), "ready");
    for (int i = 0; i < 600 && GetFileAttributesA(args.at(1).c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    ReleaseInstanceMutex();
    return 0;
}

int TryInstance(const std::vector<std::string> &args) {
    CapturedLog log;
    const bool only = CheckSingleInstance();
    WriteFileBytes(args.at(0), log.text());
    if (only)
        ReleaseInstanceMutex();
    return only ? 1 : 0;
}

const bool registered = RegisterChild("hold", HoldInstance) && RegisterChild("try", TryInstance);

TEST(SingleInstance, SecondProcessIsRefusedUntilTheFirstEnds) {
    ASSERT_TRUE(registered);
    TempDir dir;
    const std::string ready = dir / "ready", release = dir / "release", logCopy = dir / "log";
    HANDLE first = StartChild("hold", {ready, release});
    ASSERT_NE(first, nullptr);
    for (int i = 0; i < 600 && GetFileAttributesA(ready.c_str()) == INVALID_FILE_ATTRIBUTES; ++i)
        Sleep(50);
    ASSERT_NE(GetFileAttributesA(ready.c_str()), INVALID_FILE_ATTRIBUTES);

    EXPECT_EQ(RunChild("try", {logCopy}), 0);
    EXPECT_EQ(ReadFileBytes(logCopy), "This application is already running.\r\n");

    WriteFileBytes(release, "go");
    EXPECT_EQ(WaitForSingleObject(first, 30000), WAIT_OBJECT_0);
    CloseHandle(first);
    EXPECT_EQ(RunChild("try", {logCopy}), 1);
    EXPECT_EQ(ReadFileBytes(logCopy), "");
}

TEST(IsAdmin, AnswersForTheCurrentToken) {
    // Wine's default token holds the Administrators group.
    if (RunningOnWine())
        EXPECT_TRUE(IsAdmin());
    else
        (void)IsAdmin();
}

TEST(Platform, EventPumpIsACallback) {
    int calls = 0;
    DoEvents();
    SetEventPump([&] { ++calls; });
    DoEvents();
    DoEvents();
    SetEventPump(nullptr);
    DoEvents();
    EXPECT_EQ(calls, 2);
}

} // namespace
