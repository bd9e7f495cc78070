// The path operations and the command-line chain on any text, for the running
// system and for an offline installation, with a file test that answers from
// the input itself.
// fuzz-sources: src/scan/pathops.cpp src/system/text.cpp
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/pathops.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    if (size < 2)
        return 0;
    // First byte: drive and file-test choice; the rest: the text.
    const std::uint8_t mode = data[0];
    const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
    InstallContext ctx;
    ctx.drive = (mode & 1) ? static_cast<char>('C' + (mode >> 1) % 20) : 0;
    ctx.windowsDir = ctx.drive ? std::string(1, ctx.drive) + ":\\WINDOWS" : "C:\\WINDOWS";
    ctx.temp = "C:\\TEMP";
    // A file "exists" when its length has the chosen parity, so that every
    // branch of the chain that asks is reached both ways.
    const FileTest exists = [mode](const std::string &path) { return (path.size() + (mode >> 6)) % 2 == 0; };

    ResolveCommandLine(text, ctx, exists);
    ExpandEnvVars(text, ctx);
    StripHostExe(text);
    StripArgs(text);
    CleanImagePath(text, exists);
    AddSystemPath(text, ctx);
    RemapDrive(text, ctx);
    UnquotePath(text);
    CutAtComma(text);
    AddDllExt(text);
    FileNamePart(text);
    FolderPart(text);
    ParentFolder(text);
    DriveRoot(text);
    SplitMultiSz(text);
    SplitNul(text);
    PrettyPath(text);
    SearchPathList(text, "app", exists);
    return 0;
}
