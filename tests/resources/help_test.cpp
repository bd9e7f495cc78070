// The help file against the program: the names of menus, tabs and columns the
// pages mark are the ones the program shows (and every one of them is
// described), every page's navigation bar leads to every page, the index
// holds every command and tab, the categories page describes every tab, the
// messages page every message of the Entry, backup and watch commands, and
// the compiled help carries its index and its full-text search.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "resources/ids.h"
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
            EXPECT_TRUE(program.count(name)) << "the help names the " << kind << " \"" << name
                                             << "\", which the program does not have";
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

// The texts the change code shows, read from its sources: the first text of
// every Ask( and Tell( call (a literal, or a named constant), and the texts
// of the Entry commands' table of kinds. Composed messages give their fixed
// start.
std::set<std::string> ChangeMessages(const std::string &sourceFolder) {
    const char *const kFiles[] = {"changes\\entry_changes.cpp", "changes\\backup.cpp", "changes\\restore.cpp",
                                  "changes\\watch.cpp",         "changes\\watch.h",    "changes\\snapshot.cpp",
                                  "changes\\startup_run.cpp"};
    auto unescape = [](const std::string &literal) {
        return std::regex_replace(literal.substr(1, literal.size() - 2), std::regex(R"(\\(.))"), "$1");
    };
    std::map<std::string, std::string> constants;
    std::vector<std::string> sources;
    const std::regex constant(R"re((k\w+) = ("(?:[^"\\]|\\.)*"))re");
    for (const char *file : kFiles) {
        std::string text;
        EXPECT_TRUE(ReadFileBytes(sourceFolder + "\\" + file, text)) << file;
        for (std::sregex_iterator it(text.begin(), text.end(), constant), end; it != end; ++it)
            constants[(*it)[1]] = unescape((*it)[2]);
        sources.push_back(text);
    }
    std::set<std::string> messages;
    auto add = [&](const std::string &argument) {
        if (argument.front() == '"')
            messages.insert(TrimBlanks(unescape(argument)));
        else if (constants.count(argument))
            messages.insert(TrimBlanks(constants[argument]));
    };
    const std::regex call(R"re((?:Ask|Tell)\((?:ui, )?(?:std::string\()?("(?:[^"\\]|\\.)*"|k\w+))re");
    const std::regex tableItem(R"re("(?:[^"\\]|\\.)*"|\bk\w+)re");
    for (const std::string &text : sources) {
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it)
            add((*it)[1]);
        const size_t table = text.find("kRows[] = {");
        if (table == std::string::npos)
            continue;
        const std::string rows = text.substr(table, text.find("};", table) - table);
        for (std::sregex_iterator it(rows.begin() + 11, rows.end(), tableItem), end; it != end; ++it)
            add(it->str());
    }
    messages.erase("Quillmara");
    return messages;
}

TEST(Help, TheMessagesPageExplainsEveryMessageOfTheChangeCommands) {
    const std::string sources = DosPath(QM_SOURCE_DIR "/src");
    if (sources.empty())
        GTEST_SKIP() << "the sources are reached through Wine's drive mapping";
    const std::set<std::string> messages = ChangeMessages(sources);
    // The table of kinds, a composed message and a named constant are all read.
    EXPECT_TRUE(messages.count("Disabling Winsock Providers not available, only deletion is supported."));
    EXPECT_TRUE(messages.count("Failed to delete startup of"));
    EXPECT_TRUE(messages.count("Unable to start registry watching due to error loading snapshot."));
    EXPECT_TRUE(messages.count("Location is empty, nothing to backup."));
    const std::string page = PlainText(HelpSource("messages.html"));
    for (const std::string &message : messages)
        EXPECT_NE(page.find(message), std::string::npos) << "the messages page never names \"" << message << "\"";
    EXPECT_NE(page.find("SNAPSHOT ERROR"), std::string::npos);
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
