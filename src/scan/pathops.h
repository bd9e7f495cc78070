// The path operations: small, stateless string operations that turn a startup
// command line into the path of the image file it starts. No Windows API here:
// what they need of the scanned installation comes in an InstallContext, and
// the file test of the chain comes in as a callback, so that they can be tested
// and fuzzed on their own. scan/imagepath.h binds them to the scan state.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "system/text.h"

// What the path operations know of the scanned installation.
struct InstallContext {
    std::string windowsDir; // W: its Windows folder, e.g. "C:\WINDOWS" or "D:\WINDOWS"
    char drive = 0;         // its drive letter while an offline installation is scanned; 0 = running system
    std::string temp;       // the running program's "temp" variable
    bool offline = false;   // an offline installation is scanned: its hives are the "_REMOTE_" ones
    std::string root;       // its drive root as the installations list names it ("C:\"); "" when unknown
};

// True when a file matching the text exists.
using FileTest = std::function<bool(const std::string &)>;

std::string ExpandEnvVars(const std::string &text, const InstallContext &ctx);
std::string StripHostExe(const std::string &text);
std::string StripArgs(const std::string &text);
std::string CleanImagePath(const std::string &text, const FileTest &exists);
std::string SystemPath(const InstallContext &ctx);
std::string AddSystemPath(const std::string &text, const InstallContext &ctx);
std::string RemapDrive(const std::string &text, const InstallContext &ctx);
std::string UnquotePath(const std::string &text);
std::string CutAtComma(const std::string &text);
std::string AddDllExt(const std::string &text);
// A path cut at its last "\": FileNamePart is what follows it (all of the text
// when it has none), FolderPart what goes before it with the "\" kept, so that
// FolderPart + FileNamePart is the text again; ParentFolder is FolderPart
// without that "\". Both folders are "" when the text has no "\".
std::string FileNamePart(const std::string &text);
std::string FolderPart(const std::string &text);
std::string ParentFolder(const std::string &text);
std::string DriveRoot(const std::string &text);
std::string PrettyPath(const std::string &text);
// The search of a PATH list (directories divided by ";", up to the first empty
// one) for a program name: a name with a "." as it is, else with ".exe",
// ".com", ".bat", ".pif", ".scr" in that order. The first directory holding a
// match wins, as when Windows starts the program; the hit goes through
// PrettyPath, "" when there is none.
std::string SearchPathList(const std::string &pathList, const std::string &name, const FileTest &exists);

// A file named by a registry value: its variables expanded, a bare name put
// in the system folder, the drive moved to the installation's.
std::string ResolveFilePath(const std::string &text, const InstallContext &ctx);

// Steps 1 to 8 of the command-line chain: quotes removed, host program,
// arguments, environment variables, clean-up, system folder, ".exe", drive.
std::string ResolveCommandLine(const std::string &text, const InstallContext &ctx, const FileTest &exists);
