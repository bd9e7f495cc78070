#include <gtest/gtest.h>

#include <random>
#include <set>

#include "scan/pathops.h"

namespace {

InstallContext Running() { return {"C:\\WINDOWS", 0, "C:\\TEMP", false, "C:\\"}; }
InstallContext Offline() { return {"D:\\Windows", 'd', "C:\\TEMP", true, "D:\\"}; }

FileTest NoFiles() {
    return [](const std::string &) { return false; };
}
FileTest Files(std::set<std::string> names) {
    return [names](const std::string &p) { return names.count(p) > 0; };
}

struct ChainCase {
    const char *text;
    const char *running; // result for the running system (W = C:\WINDOWS)
    const char *offline; // result for the installation on D: (W = D:\Windows)
};

TEST(CommandLineChain, ResolvesTypicalStartupTextsForRunningAndOfflineSystems) {
    const ChainCase cases[] = {
        // host program with a library and entry point
        {"rundll32.exe shell32.dll,Control_RunDLL", "C:\\WINDOWS\\system32\\shell32.dll",
         "D:\\Windows\\system32\\shell32.dll"},
        {"C:\\WINDOWS\\system32\\RUNDLL32.EXE C:\\PROGRA~1\\Tool\\hook.dll,Start", "C:\\PROGRA~1\\Tool\\hook.dll",
         "D:\\PROGRA~1\\Tool\\hook.dll"},
        // regsvr32 in any case, whatever follows
        {"ReGsVr32 /s C:\\x\\comp.dll", "C:\\WINDOWS\\system32\\regsvr32.exe", "D:\\Windows\\system32\\regsvr32.exe"},
        // %SystemRoot% in any case, arguments cut
        {"%SystemRoot%\\system32\\svchost.exe -k netsvcs", "C:\\WINDOWS\\system32\\svchost.exe",
         "D:\\Windows\\system32\\svchost.exe"},
        {"%SYSTEMROOT%\\explorer.exe", "C:\\WINDOWS\\explorer.exe", "D:\\Windows\\explorer.exe"},
        // bare name: system folder and ".exe"
        {"ctfmon", "C:\\WINDOWS\\system32\\ctfmon.exe", "D:\\Windows\\system32\\ctfmon.exe"},
        {"ctfmon /n", "C:\\WINDOWS\\system32\\ctfmon.exe", "D:\\Windows\\system32\\ctfmon.exe"},
        // quoted path with arguments
        {"\"C:\\Program Files\\App\\app.exe\" /min", "C:\\Program Files\\App\\app.exe",
         "D:\\Program Files\\App\\app.exe"},
        // icon-style text: "@" dropped by the clean-up, index cut at the comma
        {"@C:\\p\\a.exe,1", "C:\\p\\a.exe", "D:\\p\\a.exe"},
        {"%ProgramFiles%\\Vendor\\tray.exe", "C:\\Program Files\\Vendor\\tray.exe",
         "D:\\Program Files\\Vendor\\tray.exe"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(ResolveCommandLine(c.text, Running(), NoFiles()), c.running) << c.text;
        EXPECT_EQ(ResolveCommandLine(c.text, Offline(), NoFiles()), c.offline) << c.text;
    }
}

TEST(CommandLineChain, ExistingFileKeepsItsBlanksAndEmptyStaysEmpty) {
    // A path with a blank but no "." is cut at the blank by step 3 already; one
    // whose "." comes before the blank survives step 3 and is kept whole by
    // step 5 only when it exists.
    const std::string text = "C:\\My.Tools\\run me";
    EXPECT_EQ(ResolveCommandLine(text, Running(), NoFiles()), "C:\\My.Tools\\run");
    EXPECT_EQ(ResolveCommandLine("", Running(), NoFiles()), "");
    EXPECT_EQ(ResolveCommandLine("\"\"", Offline(), NoFiles()), "");
    EXPECT_EQ(CleanImagePath("C:\\My.Tools\\run me", Files({"C:\\My.Tools\\run me"})), "C:\\My.Tools\\run me");
}

TEST(PathOps, ExpandEnvVarsExpandsOnlyTheFirstKindFound) {
    const InstallContext ctx = Running();
    EXPECT_EQ(ExpandEnvVars("%windir%\\a;%SystemRoot%\\b;%SYSTEMROOT%", ctx), "%windir%\\a;C:\\WINDOWS\\b;C:\\WINDOWS");
    EXPECT_EQ(ExpandEnvVars("%WinDir%\\x %windir%", ctx), "C:\\WINDOWS\\x C:\\WINDOWS");
    EXPECT_EQ(ExpandEnvVars("%ProgramFiles(x86)%\\a", ctx), "C:\\Program Files (x86)\\a");
    EXPECT_EQ(ExpandEnvVars("%CommonProgramFiles%\\a", ctx), "C:\\Program Files\\Common Files\\a");
    EXPECT_EQ(ExpandEnvVars("%commonprogramfiles(x86)%\\a", ctx), "C:\\Program Files (x86)\\Common Files\\a");
    EXPECT_EQ(ExpandEnvVars("%SystemDrive%\\boot", ctx), "C:\\boot");
    EXPECT_EQ(ExpandEnvVars("%Temp%\\t.exe", Offline()), "C:\\TEMP\\t.exe");
    // none of the kinds: quotes removed, other variables kept
    EXPECT_EQ(ExpandEnvVars("\"%AppData%\\x.exe\"", ctx), "%AppData%\\x.exe");
    // a replacement that holds the pattern is not expanded again
    InstallContext odd{"C:\\%systemroot%", 0, "", false, ""};
    EXPECT_EQ(ExpandEnvVars("%SystemRoot%\\x", odd), "C:\\%systemroot%\\x");
    // a Windows folder shorter than three characters
    InstallContext shortW{"C", 0, "", false, ""};
    EXPECT_EQ(ExpandEnvVars("%ProgramFiles%", shortW), "CProgram Files");
    EXPECT_EQ(ExpandEnvVars("%SystemDrive%", InstallContext{}), "");
}

TEST(PathOps, HostsArgumentsAndCleanUp) {
    EXPECT_EQ(StripHostExe("rundll32"), "rundll32");
    EXPECT_EQ(StripHostExe("RunDll32 a.dll,b c"), "a.dll,b c");
    EXPECT_EQ(StripHostExe("x\\REGSVR32.EXE"), "regsvr32.exe");
    EXPECT_EQ(StripHostExe("notepad a.txt"), "notepad a.txt");

    EXPECT_EQ(StripArgs("app -x"), "app");
    EXPECT_EQ(StripArgs("app,1"), "app");
    EXPECT_EQ(StripArgs("x,y z"), "x,y");
    EXPECT_EQ(StripArgs("C:\\a b\\c.exe"), "C:\\a b\\c.exe"); // blank before the "." stays
    EXPECT_EQ(StripArgs("C:\\a.b\\c d"), "C:\\a.b\\c");
    EXPECT_EQ(StripArgs("a,b.exe"), "a");

    EXPECT_EQ(CleanImagePath("app arg", NoFiles()), "app");
    EXPECT_EQ(CleanImagePath("xx@C:\\p\\a.exe,3", NoFiles()), "C:\\p\\a.exe");
    EXPECT_EQ(CleanImagePath(":odd, text", NoFiles()), ":odd, text");
    EXPECT_EQ(CleanImagePath("C:\\a,b", Files({"C:\\a,b"})), "C:\\a,b");
}

TEST(PathOps, SystemFolderAndDriveMapping) {
    EXPECT_EQ(SystemPath(Running()), "C:\\WINDOWS\\system32\\");
    EXPECT_EQ(AddSystemPath("a.dll", Running()), "C:\\WINDOWS\\system32\\a.dll");
    EXPECT_EQ(AddSystemPath("%windir%\\a.dll", Running()), "%windir%\\a.dll");
    EXPECT_EQ(AddSystemPath("E:\\a.dll", Running()), "E:\\a.dll");
    EXPECT_EQ(AddSystemPath("", Running()), "");

    EXPECT_EQ(RemapDrive("c:\\x.exe", Offline()), "D:\\x.exe");
    EXPECT_EQ(RemapDrive("c:\\x.exe", Running()), "c:\\x.exe");
    EXPECT_EQ(RemapDrive("\\\\server\\share\\x.exe", Offline()), "\\\\server\\share\\x.exe");
    EXPECT_EQ(RemapDrive("x.exe", Offline()), "x.exe");
    EXPECT_EQ(RemapDrive("", Offline()), "");
    EXPECT_EQ(RemapDrive("E:", Offline()), "D:");
}

TEST(PathOps, PiecesOfAPath) {
    EXPECT_EQ(UnquotePath("rundll32 \"C:\\p q\\x.dll\",Entry"), "C:\\p q\\x.dll");
    EXPECT_EQ(UnquotePath("a\"b c"), "b c");
    EXPECT_EQ(UnquotePath("plain"), "plain");
    EXPECT_EQ(UnquotePath("\"\""), "");
    EXPECT_EQ(CutAtComma("a.dll,Entry,2"), "a.dll");
    EXPECT_EQ(AddDllExt("x"), "x.dll");
    EXPECT_EQ(AddDllExt(""), ".dll");
    EXPECT_EQ(AddDllExt("x.ocx"), "x.ocx");
    EXPECT_EQ(FileNamePart("C:\\a\\b.exe"), "b.exe");
    EXPECT_EQ(FileNamePart("b.exe"), "b.exe");
    EXPECT_EQ(FileNamePart("C:\\a\\"), "");
    EXPECT_EQ(FolderPart("C:\\a\\b.exe"), "C:\\a\\");
    EXPECT_EQ(FolderPart("b.exe"), "");
    EXPECT_EQ(ParentFolder("C:\\a\\b.exe"), "C:\\a");
    EXPECT_EQ(ParentFolder("b.exe"), "");
    EXPECT_EQ(DriveRoot("C:\\a\\b.exe"), "C:\\");
    EXPECT_EQ(DriveRoot("C:"), "C:");
    EXPECT_EQ(PrettyPath("C:\\PROGRAM FILES\\my app.EXE"), "C:\\Program Files\\My App.exe");
    EXPECT_EQ(PrettyPath("\\x"), "\\X");
}

TEST(PathOps, ListsSplitAtNulsOnly) {
    using V = std::vector<std::string>;
    const std::string data("first item\0second\0\0", 19);
    EXPECT_EQ(SplitMultiSz(data), (V{"first item", "second", "", ""}));
    EXPECT_EQ(SplitMultiSz(std::string("a\0\0b", 4)), (V{"a", "", "b"}));
    EXPECT_EQ(SplitMultiSz("  one item  "), (V{"one item"}));
    EXPECT_EQ(SplitMultiSz("   "), (V{""}));
    EXPECT_EQ(SplitMultiSz(""), V{});
    EXPECT_EQ(SplitNul(std::string("a\0b", 3)), (V{"a", "b"}));
    EXPECT_EQ(SplitNul(std::string("\0", 1)), (V{"", ""}));
    EXPECT_EQ(SplitNul("ab"), (V{"ab"}));
    EXPECT_EQ(SplitNul(""), V{});
}

TEST(PathOps, PathSearchTakesTheFirstDirectoryWithAHit) {
    const auto files = Files({"C:\\one\\tool.bat", "C:\\one\\tool.com", "C:\\two\\tool.exe", "C:\\two\\lib.dll",
                              "C:\\three\\lib.dll", "C:\\four\\late.exe"});
    EXPECT_EQ(SearchPathList("C:\\one;C:\\two", "tool", files), "C:\\One\\Tool.com");
    EXPECT_EQ(SearchPathList("C:\\two;C:\\one", "tool", files), "C:\\Two\\Tool.exe");
    EXPECT_EQ(SearchPathList("C:\\x;C:\\three;C:\\two", "lib.dll", files), "C:\\Three\\Lib.dll");
    // the list ends at its first empty entry
    EXPECT_EQ(SearchPathList("C:\\one;;C:\\four", "late", files), "");
    EXPECT_EQ(SearchPathList("", "tool", files), "");
    EXPECT_EQ(SearchPathList("C:\\one", "", files), "");
}

TEST(PathOps, EmptyAndRandomTextsNeverFail) {
    const InstallContext contexts[] = {InstallContext{}, Running(), Offline()};
    for (const auto &ctx : contexts) {
        EXPECT_EQ(ExpandEnvVars("", ctx), "");
        EXPECT_EQ(AddSystemPath("", ctx), "");
        EXPECT_EQ(RemapDrive("", ctx), "");
        EXPECT_EQ(ResolveCommandLine("", ctx, NoFiles()), "");
    }
    EXPECT_EQ(StripHostExe(""), "");
    EXPECT_EQ(StripArgs(""), "");
    EXPECT_EQ(CleanImagePath("", NoFiles()), "");
    EXPECT_EQ(CleanImagePath("a b", FileTest{}), "a");
    EXPECT_EQ(UnquotePath(""), "");
    EXPECT_EQ(CutAtComma(""), "");
    EXPECT_EQ(FileNamePart(""), "");
    EXPECT_EQ(FolderPart(""), "");
    EXPECT_EQ(ParentFolder(""), "");
    EXPECT_EQ(DriveRoot(""), "");
    EXPECT_EQ(PrettyPath(""), "");

    std::mt19937 rng(12345);
    const std::string alphabet = std::string("\"%:\\., @\0aZ9(x86)", 17) + "systemrootwindirtemp";
    for (int i = 0; i < 3000; ++i) {
        std::string text(rng() % 40, ' ');
        for (char &c : text)
            c = (i % 3 == 0) ? static_cast<char>(rng() % 256) : alphabet[rng() % alphabet.size()];
        const auto &ctx = contexts[i % 3];
        const std::string out = ResolveCommandLine(text, ctx, [&](const std::string &p) { return p.size() % 2; });
        (void)out;
        (void)CleanImagePath(text, NoFiles());
        (void)UnquotePath(text);
        (void)SplitMultiSz(text);
        (void)PrettyPath(text);
        (void)SearchPathList(text, text, NoFiles());
    }
}

} // namespace
