// The help file against the program: the names of menus, tabs and columns the
// pages mark are the ones the program shows (and every one of them is
// described), every page's navigation bar leads to every page, the index
// holds every command and tab, the categories page describes every tab and
// says which keys are read, the messages page holds every message the program
// shows, and the compiled help carries its index and its full-text search.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/ids.h"
#include "scan/locations.h"
#include "scan/state.h"
#include "support/scan_pass.h"
#include "support/testing.h"
#include "support/offline_drive.h"
#include "system/files.h"
#include "system/text.h"
#include "ui/category_grids.h"
#include "ui/main_window.h"
#include "ui/menu_bar.h"

namespace {

// The build tree: the folder above the test programs' own.
std::string BuildFolder() {
    const std::string tests = ProgramFolder();
    return tests.substr(0, tests.rfind('\\'));
}

std::string HelpSource(const std::string &name) {
    std::string bytes;
    EXPECT_TRUE(ReadFileBytes(BuildFolder() + "\\help-src\\" + name, bytes)) << name;
    return bytes;
}

// Entities decoded, every run of blanks and line ends one blank.
std::string PlainText(const std::string &html) {
    std::string text;
    for (size_t i = 0; i < html.size(); ++i) {
        static const std::pair<const char *, char> kEntities[] = {
            {"&amp;", '&'}, {"&gt;", '>'}, {"&lt;", '<'}, {"&quot;", '"'}};
        bool decoded = false;
        for (const auto &[entity, c] : kEntities)
            if (html.compare(i, std::strlen(entity), entity) == 0) {
                text += c;
                i += std::strlen(entity) - 1;
                decoded = true;
            }
        if (decoded)
            continue;
        const char c = html[i] == '\r' || html[i] == '\n' ? ' ' : html[i];
        if (c != ' ' || (!text.empty() && text.back() != ' '))
            text += c;
    }
    return TrimBlanks(text);
}

// The texts between each opening and the next closing.
std::vector<std::string> Between(const std::string &text, const std::string &open, const std::string &close) {
    std::vector<std::string> found;
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at)) {
        at += open.size();
        const size_t end = text.find(close, at);
        if (end == std::string::npos)
            break;
        found.push_back(text.substr(at, end - at));
    }
    return found;
}

// The help pages, as the project file lists them.
std::vector<std::string> Pages() {
    const std::string project = HelpSource("quillmara.hhp");
    std::vector<std::string> pages;
    const size_t files = project.find("[FILES]");
    if (files == std::string::npos)
        return pages;
    for (size_t at = project.find('\n', files); at != std::string::npos && at + 1 < project.size();) {
        const size_t end = project.find('\n', at + 1);
        const std::string line = TrimBlanks(project.substr(at + 1, end - at - 1));
        if (!line.empty())
            pages.push_back(line.back() == '\r' ? line.substr(0, line.size() - 1) : line);
        at = end;
    }
    return pages;
}

// What the pages mark with the class (menu, tab, col).
std::set<std::string> MarkedInHelp(const std::string &kind) {
    std::set<std::string> names;
    for (const std::string &page : Pages())
        for (const std::string &name : Between(HelpSource(page), "<span class=\"" + kind + "\">", "</span>"))
            names.insert(PlainText(name));
    return names;
}

// Every menu and item of the menu bar, without the Drive items (they are the
// installations' Windows folders).
void AddMenuNames(HMENU menu, std::set<std::string> &names) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info) || (info.fType & MFT_SEPARATOR))
            continue;
        char caption[128] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), caption, sizeof caption, MF_BYPOSITION);
        if (GetMenuItemID(menu, i) != static_cast<UINT>(IDM_OS0))
            names.insert(TrimBlanks(caption));
        if (HMENU sub = GetSubMenu(menu, i))
            AddMenuNames(sub, names);
    }
}

std::set<std::string> ProgramMenuNames() {
    std::set<std::string> names;
    HMENU bar = BuildMainMenu();
    AddMenuNames(bar, names);
    DestroyMenu(bar);
    return names;
}

std::set<std::string> ProgramTabCaptions() {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES | ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    MainWindow main;
    std::set<std::string> names;
    if (!main.CreateHidden())
        return names;
    const auto count = SendMessageA(main.tabStrip(), TCM_GETITEMCOUNT, 0, 0);
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(main.tabStrip(), TCM_GETITEMA, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        names.insert(TrimBlanks(text));
    }
    return names;
}

std::set<std::string> ProgramColumnHeaders() {
    std::set<std::string> names;
    const CategoryGrids grids;
    for (int c = 0; c < kGridCols; ++c)
        if (!grids.Grid(1).TextMatrix(0, c).empty())
            names.insert(grids.Grid(1).TextMatrix(0, c));
    return names;
}

// The names of the index.
std::set<std::string> IndexNames() {
    std::set<std::string> names;
    for (const std::string &name : Between(HelpSource("index.hhk"), "<param name=\"Name\" value=\"", "\""))
        names.insert(PlainText(name));
    return names;
}

std::set<std::string> Lower(const std::set<std::string> &names) {
    std::set<std::string> lower;
    for (const std::string &name : names)
        lower.insert(LowerText(name));
    return lower;
}

TEST(Help, NamesMenusTabsAndColumnsAsTheProgramShowsThem) {
    const std::pair<std::string, std::set<std::string>> kinds[] = {
        {"menu", ProgramMenuNames()}, {"tab", ProgramTabCaptions()}, {"col", ProgramColumnHeaders()}};
    for (const auto &[kind, program] : kinds) {
        ASSERT_FALSE(program.empty()) << kind;
        const std::set<std::string> help = MarkedInHelp(kind);
        for (const std::string &name : help)
            EXPECT_TRUE(program.count(name))
                << "the help names the " << kind << " \"" << name << "\", which the program does not have";
        for (const std::string &name : program)
            EXPECT_TRUE(help.count(name)) << "the help never names the " << kind << " \"" << name << "\"";
    }
}

TEST(Help, EveryPageLeadsToEveryPageAndTheIndexHoldsEveryCommandAndTab) {
    const std::vector<std::string> pages = Pages();
    ASSERT_GE(pages.size(), 8u);
    for (const std::string &page : pages) {
        const std::vector<std::string> bars = Between(HelpSource(page), "<p class=\"nav\">", "</p>");
        ASSERT_EQ(bars.size(), 1u) << page;
        for (const std::string &target : pages)
            EXPECT_NE(bars[0].find("href=\"" + target + "\""), std::string::npos) << page << " -> " << target;
    }
    const std::set<std::string> index = Lower(IndexNames());
    std::set<std::string> wanted = ProgramMenuNames();
    wanted.merge(ProgramTabCaptions());
    wanted.merge(ProgramColumnHeaders());
    for (const std::string &name : wanted)
        EXPECT_TRUE(index.count(LowerText(name)) || index.count(LowerText(name) + " menu")) << name;
    for (const std::string &local : Between(HelpSource("index.hhk"), "<param name=\"Local\" value=\"", "\""))
        EXPECT_NE(std::find(pages.begin(), pages.end(), local), pages.end()) << local;
}

TEST(Help, TheCategoriesPageDescribesEveryTab) {
    std::set<std::string> described;
    for (const std::string &name : Between(HelpSource("categories.html"), "<h2><span class=\"tab\">", "</span>"))
        described.insert(PlainText(name));
    EXPECT_EQ(described, ProgramTabCaptions());
}

// The categories page against the location table. Every whole key path the
// page gives (one starting "HKLM\" or "HKCU\") is a location's key, or lies in
// the paragraphs around the lists; the lists outside the one of class
// "unread" name only keys that are read, that list names exactly the ones
// listed but not read, and every key that is read is named somewhere.

// A location's key as the page writes it (the user hives as HKCU, the control
// set as CurrentControlSet), in lower case.
std::string PagePath(const ScanLocation &loc) {
    const std::string root = loc.MainKey == HKEY_LOCAL_MACHINE ? "hklm\\" : "hkcu\\";
    std::string path = LowerText(root + loc.LocalPath + loc.Path);
    const std::string set = "controlset001";
    if (const size_t at = path.find(set); at != std::string::npos)
        path.replace(at, set.size(), "currentcontrolset");
    return path;
}

// Whether a scan of location n over a key laid out as its entries are lists
// anything: its value (the default value when it names none) and another
// value naming a program, and a subkey with a "Script" value.
bool LogonLocationIsRead(int n, const ScanLocation &loc) {
    const std::string key = "SOFTWARE\\QuillmaraTests\\HelpProbe\\" + std::to_string(n);
    TestKey probe(HKEY_LOCAL_MACHINE, key);
    SetRegString(HKEY_LOCAL_MACHINE, key, loc.ValueName, "C:\\probe.exe");
    SetRegString(HKEY_LOCAL_MACHINE, key, "QmProbe", "C:\\probe.exe");
    SetRegString(HKEY_LOCAL_MACHINE, key + "\\0", "Script", "C:\\probe.cmd");
    return ScanLocationPass(n, HKEY_LOCAL_MACHINE, key).count() > 0;
}

std::vector<std::string> WholePaths(const std::string &html) {
    std::vector<std::string> paths;
    for (const std::string &code : Between(html, "<code>", "</code>")) {
        const std::string path = LowerText(PlainText(code));
        if (path.rfind("hklm\\", 0) == 0 || path.rfind("hkcu\\", 0) == 0)
            paths.push_back(path);
    }
    return paths;
}

TEST(Help, TheCategoriesPageSaysWhichKeysAreReadAndWhichAreListedOnly) {
    UseInstallations(0);
    LoadPaths();
    const std::vector<ScanLocation> locations = ScanLocations();
    ResetLocations(ScanLocations());
    ASSERT_EQ(UpperBound(locations), 68);
    std::set<std::string> read, unread;
    for (int n = 1; n <= 68; ++n) {
        const ScanLocation &loc = locations[static_cast<size_t>(n)];
        if (loc.MainKey == nullptr)
            continue; // the folders
        // Every other category has a reading of its own for each location.
        const bool isRead = loc.Category != 1 || LogonLocationIsRead(n, loc);
        (isRead ? read : unread).insert(PagePath(loc));
    }
    std::string unreadText;
    for (const std::string &path : unread)
        unreadText += path + "\n";
    EXPECT_EQ(unread.size(), 8u) << unreadText;

    std::string page = HelpSource("categories.html");
    const std::vector<std::string> unreadLists = Between(page, "<ul class=\"unread\">", "</ul>");
    ASSERT_EQ(unreadLists.size(), 1u);
    const std::vector<std::string> named = WholePaths(unreadLists[0]);
    EXPECT_EQ(std::set<std::string>(named.begin(), named.end()), unread);
    page.erase(page.find(unreadLists[0]), unreadLists[0].size());

    for (const std::string &path : WholePaths(page))
        EXPECT_FALSE(unread.count(path)) << path << " is not read, but named among what is";
    for (const std::string &list : Between(page, "<ul>", "</ul>"))
        for (const std::string &path : WholePaths(list))
            EXPECT_TRUE(read.count(path)) << "the page lists " << path << ", which is no location that is read";
    const std::vector<std::string> all = WholePaths(page);
    for (const std::string &path : read)
        EXPECT_NE(std::find(all.begin(), all.end(), path), all.end()) << "the page never names " << path;
    // Keys are given whole, never as a piece to add to another.
    for (const std::string &code : Between(HelpSource("categories.html"), "<code>", "</code>"))
        EXPECT_TRUE(code.rfind("...", 0) != 0 && code.rfind("\\", 0) != 0) << code;
}

// The messages the program shows, read from its sources: the first argument
// of every MsgBoxEx, Ask, Tell and ask call, with the texts of the table of
// kinds (row->...) of the Entry commands. Literals, named constants, local
// texts and the functions that build a prompt are followed to their fixed
// texts; a text passed on (a parameter) is the caller's. Each text is the
// list of its fixed parts (between the names filled in), each a few words.
struct SourceMessages {
    std::vector<std::vector<std::string>> messages;
    std::vector<std::string> unknown; // arguments not followed to a text
};

// The sources without their comments; literals kept.
std::string WithoutComments(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"' || text[i] == '\'') {
            const char quote = text[i];
            out += text[i];
            for (++i; i < text.size() && text[i] != quote; ++i) {
                out += text[i];
                if (text[i] == '\\' && i + 1 < text.size())
                    out += text[++i];
            }
            if (i < text.size())
                out += text[i];
        } else if (text.compare(i, 2, "//") == 0) {
            i = text.find('\n', i);
            if (i == std::string::npos)
                break;
            out += '\n';
        } else if (text.compare(i, 2, "/*") == 0) {
            i = text.find("*/", i);
            if (i == std::string::npos)
                break;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// A message text as the page gives it: line breaks and runs of blanks are
// one blank.
std::string OneLine(const std::string &text) {
    std::string line;
    for (char c : text) {
        if (c == '\r' || c == '\n' || c == '\t')
            c = ' ';
        if (c != ' ' || (!line.empty() && line.back() != ' '))
            line += c;
    }
    return TrimBlanks(line);
}

class MessageSources {
  public:
    explicit MessageSources(const std::string &folder) {
        Read(folder);
        ReadConstants();
    }

    SourceMessages Collect() {
        SourceMessages found;
        const std::regex call(R"(\b(?:MsgBoxEx|Ask|Tell|ask)\()");
        for (const auto &[file, text] : files_)
            for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
                size_t at = static_cast<size_t>(it->position() + it->length());
                std::string argument = Argument(text, at);
                if (argument == "ui") // the change code's Tell(ui, text)
                    argument = Argument(text, at);
                if (std::regex_match(argument, std::regex(R"((const\s+)?[\w:<>]+\s*[&*]?\s*\w+)")) &&
                    argument.find(' ') != std::string::npos)
                    continue; // a declaration
                if (argument.rfind("row->", 0) == 0)
                    continue; // the table of kinds, read below
                std::vector<std::string> parts;
                if (!Follow(text, argument, parts, 0))
                    found.unknown.push_back(file + ": " + argument);
                else if (!parts.empty())
                    found.messages.push_back(parts);
            }
        for (const auto &[file, text] : files_) {
            const size_t table = text.find("kRows[] = {");
            if (table == std::string::npos)
                continue;
            const std::string rows = text.substr(table + 11, text.find("};", table) - table - 11);
            const std::regex item(R"re("(?:[^"\\]|\\.)*"|\bk[A-Z]\w*)re");
            for (std::sregex_iterator it(rows.begin(), rows.end(), item), end; it != end; ++it) {
                std::vector<std::string> parts;
                if (Follow(text, it->str(), parts, 0) && !parts.empty())
                    found.messages.push_back(parts);
            }
        }
        return found;
    }

  private:
    void Read(const std::string &folder) {
        for (const FolderEntry &entry : ListFolder(folder + "\\")) {
            const std::string path = folder + "\\" + entry.name;
            std::string text;
            if (entry.name == "." || entry.name == "..")
                continue;
            if (entry.folder)
                Read(path);
            else if ((LowerTail(entry.name, 4) == ".cpp" || LowerTail(entry.name, 2) == ".h") &&
                     ReadFileBytes(path, text))
                files_[path] = WithoutComments(text);
        }
    }

    static std::string LowerTail(const std::string &name, size_t n) {
        return name.size() >= n ? LowerText(name.substr(name.size() - n)) : "";
    }

    // The expression from at to the next comma, closing bracket or semicolon
    // of its own level; at is left after that character.
    static std::string Argument(const std::string &text, size_t &at) {
        int depth = 0;
        const size_t start = at;
        for (; at < text.size(); ++at) {
            const char c = text[at];
            if (c == '"') {
                for (++at; at < text.size() && text[at] != '"'; ++at)
                    if (text[at] == '\\')
                        ++at;
            } else if (c == '(' || c == '{' || c == '[') {
                ++depth;
            } else if ((c == ')' || c == '}' || c == ']') && depth > 0) {
                --depth;
            } else if (depth == 0 && (c == ',' || c == ')' || c == ';' || c == '}')) {
                break;
            }
        }
        const std::string argument = TrimBlanks(OneLine(text.substr(start, at - start)));
        ++at;
        return argument;
    }

    // The text of adjacent literals, joined as the compiler joins them.
    static std::string JoinLiterals(const std::string &literals) {
        static const std::regex literal(R"re("(?:[^"\\]|\\.)*")re");
        std::string joined;
        for (std::sregex_iterator l(literals.begin(), literals.end(), literal), e; l != e; ++l)
            joined += Unescape(l->str());
        return joined;
    }

    static std::string Unescape(const std::string &literal) {
        std::string text;
        for (size_t i = 1; i + 1 < literal.size(); ++i) {
            if (literal[i] != '\\') {
                text += literal[i];
                continue;
            }
            const char c = literal[++i];
            text += c == 'r' || c == 'n' || c == 't' ? ' ' : c;
        }
        return text;
    }

    // Appends the fixed parts of expression (in file) to parts; false when it
    // leads to no text. A name or a call standing alone is followed (a named
    // constant, a local text, a parameter passed on, a function building the
    // text); in a text put together, the literals and named constants are
    // the fixed parts and the other names are filled in.
    bool Follow(const std::string &text, const std::string &expression, std::vector<std::string> &parts, int depth) {
        static const std::regex name(R"(\w+)"), call(R"((\w+)\(.*\))");
        std::smatch m;
        if (depth > 4)
            return false;
        if (std::regex_match(expression, name)) {
            if (constants_.count(expression)) {
                AddPart(parts, constants_[expression]);
                return true;
            }
            const std::smatch local = LocalText(text, expression);
            if (!local.empty())
                return Follow(text, TrimBlanks(OneLine(local[1])), parts, depth + 1);
            return IsParameter(text, expression); // passed on: the caller's text
        }
        if (std::regex_match(expression, m, call) && Builders().count(m[1]))
            return Follow(text, Builders()[m[1]], parts, depth + 1);
        static const std::regex token(R"re(("(?:[^"\\]|\\.)*"(?:\s*"(?:[^"\\]|\\.)*")*)|\b(k[A-Z]\w*))re");
        bool any = false;
        for (std::sregex_iterator it(expression.begin(), expression.end(), token), end; it != end; ++it) {
            if ((*it)[1].matched) {
                AddPart(parts, JoinLiterals((*it)[1]));
                any = true;
            } else if (constants_.count((*it)[2])) {
                AddPart(parts, constants_[(*it)[2]]);
                any = true;
            }
        }
        return any;
    }

    static void AddPart(std::vector<std::string> &parts, const std::string &text) {
        const std::string part = OneLine(text);
        if (std::any_of(part.begin(), part.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }))
            parts.push_back(part);
    }

    // "std::string name = ...;" in the same file.
    static std::smatch LocalText(const std::string &text, const std::string &name) {
        std::smatch m;
        std::regex_search(text, m, std::regex("std::string\\s+" + name + R"(\s*=\s*([^;]*);)"));
        return m;
    }

    static bool IsParameter(const std::string &text, const std::string &name) {
        return std::regex_search(text, std::regex(R"(std::string\s*&\s*)" + name + R"(\s*[,)])"));
    }

    // The functions returning a text: their bodies, by name.
    std::map<std::string, std::string> &Builders() {
        if (!builders_.empty())
            return builders_;
        const std::regex head(R"(std::string\s+(?:\w+::)?(\w+)\([^;{)]*\)\s*(?:const\s*)?\{)");
        for (const auto &[file, text] : files_)
            for (std::sregex_iterator it(text.begin(), text.end(), head), end; it != end; ++it) {
                size_t at = static_cast<size_t>(it->position() + it->length());
                int depth = 1;
                const size_t start = at;
                for (; at < text.size() && depth > 0; ++at)
                    depth += text[at] == '{' ? 1 : text[at] == '}' ? -1 : 0;
                builders_[(*it)[1]] = text.substr(start, at - start - 1);
            }
        return builders_;
    }

    void ReadConstants() {
        const std::regex constant(R"re(\b(k[A-Z]\w*)\s*=\s*((?:"(?:[^"\\]|\\.)*"\s*)+))re");
        for (const auto &[file, text] : files_)
            for (std::sregex_iterator it(text.begin(), text.end(), constant), end; it != end; ++it) {
                constants_[(*it)[1]] = JoinLiterals((*it)[2]);
            }
    }

  private:
    std::map<std::string, std::string> files_;
    std::map<std::string, std::string> constants_;
    std::map<std::string, std::string> builders_;
};

// The page's text without its tags, in one line.
std::string PageText(const std::string &html) { return PlainText(std::regex_replace(html, std::regex("<[^>]*>"), "")); }

TEST(Help, TheMessagesPageHoldsEveryMessageTheProgramShows) {
    const std::string sources = DosPath(QM_SOURCE_DIR "/src");
    if (sources.empty())
        GTEST_SKIP() << "the sources are reached through Wine's drive mapping";
    MessageSources code(sources);
    const SourceMessages found = code.Collect();
    EXPECT_TRUE(found.unknown.empty()) << "no text found for the message " << found.unknown.front();
    // Each kind of source is read: the table of kinds, a built prompt, a
    // local text, a named constant and texts joined across lines.
    std::set<std::string> firsts;
    for (const auto &parts : found.messages)
        firsts.insert(parts.front());
    for (const char *expected :
         {"Disabling Winsock Providers not available, only deletion is supported.", "Failed to delete startup of",
          "Are you sure you want to delete the autorun of", "Some local media may be read-only. Unable to continue.",
          "Unable to save file to that location. May be read-only.", "Quit Quillmara?",
          "STARTUP MONITORING IS RUNNING. Do you want to continue monitoring? YES Continue Startup Monitoring. NO "
          "Stop Monitoring. CANCEL Cancel Change in Monitoring Status."})
        EXPECT_TRUE(firsts.count(expected)) << expected;
    EXPECT_GE(found.messages.size(), 40u);
    const std::string page = PageText(HelpSource("messages.html"));
    for (const auto &parts : found.messages)
        for (const std::string &part : parts)
            EXPECT_NE(page.find(part), std::string::npos) << "the messages page never shows \"" << part << "\"";
}

// The compiled help names its index file in its system record, and holds the
// keyword tree of the binary index and the full-text search data.
TEST(Help, TheCompiledHelpCarriesItsIndexAndFullTextSearch) {
    std::string chm;
    ASSERT_TRUE(ReadFileBytes(BuildFolder() + "\\Help\\Quillmara.chm", chm));
    EXPECT_NE(chm.find(std::string("\x01\x00\x0a\x00index.hhk\x00", 14)), std::string::npos);
    EXPECT_NE(chm.find("/$WWKeywordLinks/BTree"), std::string::npos);
    EXPECT_NE(chm.find("/$FIftiMain"), std::string::npos);
}

} // namespace
