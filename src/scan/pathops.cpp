#include "scan/pathops.h"

#include "system/text.h"

#include <cstddef>

namespace {

constexpr auto npos = std::string::npos;

std::string RemoveQuotes(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text)
        if (c != '"')
            out += c;
    return out;
}

// The text before the first occurrence of c; the text when there is none.
std::string CutBefore(const std::string &text, char c) { return text.substr(0, text.find(c)); }

std::string Prefix(const std::string &text, std::size_t n) { return text.substr(0, n); }

} // namespace

std::string ExpandEnvVars(const std::string &text, const InstallContext &ctx) {
    const std::string &w = ctx.windowsDir;
    const std::string root = Prefix(w, 3);
    // Only the first kind found is expanded, in this order.
    const std::pair<const char *, std::string> kinds[] = {
        {"%systemroot%", w},
        {"%programfiles%", root + "Program Files"},
        {"%programfiles(x86)%", root + "Program Files (x86)"},
        {"%commonprogramfiles%", root + "Program Files\\Common Files"},
        {"%commonprogramfiles(x86)%", root + "Program Files (x86)\\Common Files"},
        {"%windir%", w},
        {"%systemdrive%", Prefix(w, 2)},
        {"%temp%", ctx.temp},
    };
    const std::string lower = LowerText(text);
    for (const auto &[name, value] : kinds)
        if (lower.find(name) != npos)
            return ReplaceAllNoCase(text, name, value);
    return RemoveQuotes(text);
}

std::string StripHostExe(const std::string &text) {
    if (ContainsNoCase(text, "regsvr32"))
        return "regsvr32.exe";
    if (ContainsNoCase(text, "rundll32")) {
        const std::size_t blank = text.find(' ');
        return blank == npos ? text : text.substr(blank + 1);
    }
    return text;
}

std::string StripArgs(const std::string &text) {
    const std::size_t dot = text.find('.');
    if (dot == npos) {
        if (text.find(' ') != npos)
            return CutBefore(text, ' ');
        return CutBefore(text, ',');
    }
    const std::size_t blank = text.find(' ', dot + 1);
    if (blank != npos)
        return text.substr(0, blank);
    return CutBefore(text, ',');
}

std::string CleanImagePath(const std::string &text, const FileTest &exists) {
    if (text.empty())
        return text;
    if (exists && exists(text))
        return text;
    const std::size_t colon = text.find(':');
    if (colon == npos)
        return CutBefore(text, ' ');
    if (colon == 0)
        return text;
    return CutBefore(text.substr(colon - 1), ',');
}

std::string SystemPath(const InstallContext &ctx) { return ctx.windowsDir + "\\system32\\"; }

std::string AddSystemPath(const std::string &text, const InstallContext &ctx) {
    if (text.empty())
        return text;
    if (text.find('%') == npos && text.find(":\\") == npos)
        return SystemPath(ctx) + text;
    return text;
}

std::string RemapDrive(const std::string &text, const InstallContext &ctx) {
    // Only a drive letter moves: a UNC path or a relative text has none.
    if (ctx.drive == 0 || text.size() < 2 || text[1] != ':')
        return text;
    std::string out = text;
    out[0] = UpperChar(ctx.drive);
    return out;
}

std::string UnquotePath(const std::string &text) {
    const std::size_t open = text.find('"');
    if (open == npos)
        return text;
    const std::size_t close = text.find('"', open + 1);
    if (close == npos)
        return text.substr(open + 1);
    return text.substr(open + 1, close - open - 1);
}

std::string CutAtComma(const std::string &text) { return CutBefore(text, ','); }

std::string AddDllExt(const std::string &text) { return text.find('.') == npos ? text + ".dll" : text; }

std::string FileNamePart(const std::string &text) {
    const std::size_t slash = text.rfind('\\');
    return slash == npos ? text : text.substr(slash + 1);
}

std::string FolderPart(const std::string &text) {
    const std::size_t slash = text.rfind('\\');
    return slash == npos ? std::string() : text.substr(0, slash + 1);
}

std::string ParentFolder(const std::string &text) {
    const std::size_t slash = text.rfind('\\');
    return slash == npos ? std::string() : text.substr(0, slash);
}

std::string DriveRoot(const std::string &text) { return Prefix(text, 3); }

std::string PrettyPath(const std::string &text) {
    std::string out = LowerText(text);
    for (std::size_t i = 0; i < out.size(); ++i)
        if (i == 0 || out[i - 1] == '\\' || out[i - 1] == ' ')
            out[i] = UpperChar(out[i]);
    return out;
}

std::string SearchPathList(const std::string &pathList, const std::string &name, const FileTest &exists) {
    if (!exists)
        return std::string();
    static const char *const kExtensions[] = {".exe", ".com", ".bat", ".pif", ".scr"};
    const std::string list = pathList + ";";
    std::size_t pos = 0;
    for (;;) {
        const std::size_t semi = list.find(';', pos);
        if (semi == npos || semi == pos)
            return std::string(); // end of the list, or its first empty entry
        const std::string dir = list.substr(pos, semi - pos);
        pos = semi + 1;
        if (name.find('.') != npos) {
            const std::string candidate = dir + "\\" + name;
            if (exists(candidate))
                return PrettyPath(candidate);
            continue;
        }
        for (const char *ext : kExtensions) {
            const std::string candidate = dir + "\\" + name + ext;
            if (exists(candidate))
                return PrettyPath(candidate);
        }
    }
}

std::string ResolveFilePath(const std::string &text, const InstallContext &ctx) {
    return RemapDrive(AddSystemPath(ExpandEnvVars(text, ctx), ctx), ctx);
}

std::string ResolveCommandLine(const std::string &text, const InstallContext &ctx, const FileTest &exists) {
    std::string s = RemoveQuotes(text);    // 1
    s = StripHostExe(s);                   // 2
    s = StripArgs(s);                      // 3
    s = ExpandEnvVars(s, ctx);             // 4
    s = CleanImagePath(s, exists);         // 5
    if (!s.empty() && s.find(':') == npos) // 6
        s = SystemPath(ctx) + s;
    if (!s.empty() && s.find('.') == npos) // 7
        s += ".exe";
    return RemapDrive(s, ctx); // 8
}
