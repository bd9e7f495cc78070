// The start-up rules that need no window: when the agreement counts as
// accepted, when the Run value is this program's registration, and where the
// watch switch is looked for.
#include <gtest/gtest.h>

#include "ui/startup.h"

namespace {

TEST(StartupRules, OnlyAFirstByteOfOneAcceptsTheAgreement) {
    EXPECT_TRUE(EulaBytesAccepted(std::string("\x01\x00\x00\x00", 4)));
    EXPECT_TRUE(EulaBytesAccepted(std::string("\x01\x00\x00\x00\x00\x00\x00\x00", 8))); // longer than a DWORD
    EXPECT_TRUE(EulaBytesAccepted(std::string("\x01", 1)));
    EXPECT_FALSE(EulaBytesAccepted(std::string("\x00\x00\x00\x00", 4)));
    EXPECT_FALSE(EulaBytesAccepted("1")); // the digit's character code
    EXPECT_FALSE(EulaBytesAccepted(""));
}

TEST(StartupRules, TheRunValueMatchesOnlyTheExactRegistrationInAnyCase) {
    const std::string exe = "C:\\Program Files\\Quillmara\\Quillmara.exe";
    // Quoted, so that no C:\\Program.exe starts in its place.
    EXPECT_EQ(RunCommandText(exe), "\"C:\\Program Files\\Quillmara\\Quillmara.exe\" /Watch");
    EXPECT_TRUE(RunValueMatches("\"c:\\program files\\quillmara\\QUILLMARA.EXE\" /WATCH", exe));
    EXPECT_TRUE(RunValueMatches(std::string("\"C:\\Program Files\\Quillmara\\Quillmara.exe\" /Watch\0junk", 57), exe));
    // The unquoted form earlier versions wrote is still this program's.
    EXPECT_TRUE(RunValueMatches("c:\\program files\\quillmara\\QUILLMARA.EXE /WATCH", exe));
    EXPECT_FALSE(RunValueMatches("\"C:\\Program Files\\Quillmara\\Quillmara.exe /Watch\"", exe));
    EXPECT_FALSE(RunValueMatches("\"C:\\Program Files\\Quillmara\\Quillmara.exe\"/Watch", exe));
    EXPECT_FALSE(RunValueMatches("C:\\Program Files\\Quillmara\\Quillmara.exe /Other", exe));
    EXPECT_FALSE(RunValueMatches("", exe));
}

TEST(StartupRules, TheWatchSwitchIsOneWholeArgumentInAnyCase) {
    for (const char *on : {"/Watch", "-WATCH", "watch", "/min /watch", "\"/watch\"", "x\t/Watch"})
        EXPECT_TRUE(HasWatchSwitch(on)) << on;
    for (const char *off : {"", "/wat", "/nowatch", "stopwatching", "/watchdog", "C:\\watchers\\Quillmara.exe",
                            "\"C:\\my watch\\x.exe\"", "/watch:", "//watch"})
        EXPECT_FALSE(HasWatchSwitch(off)) << off;
    // The Run value the program registers starts it watching.
    const std::string run = RunCommandText("C:\\watchers\\Quillmara.exe");
    EXPECT_TRUE(HasWatchSwitch(run.substr(run.find("\" ") + 1)));
}

} // namespace
