// Which row a click selects, whether it toggles, what the commands and the
// status bar show for it, and what Copy takes.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "fake_grids.h"
#include "ui/commands.h"
#include "ui/menu_bar.h"

namespace {

FakeGrid RunGrid() {
    return FakeGrid({Header("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run", "3"),
                     Entry("Updater", "", "Fernhollow", "C:\\Tools\\up.exe", "3", "1"),
                     Entry("Agent", "Agent service", "Maker", "C:\\agent.exe", "3", "2"), EmptyRow(), EmptyRow()});
}

} // namespace

TEST(Selection, ClicksSelectRowsAndOnlyALeftClickOnACheckBoxToggles) {
    FakeGrid grid = RunGrid();
    // The caption row selects nothing.
    EXPECT_FALSE(ResolveClick(grid, 0, 0, SelectBy::LeftClick).select);

    ClickTarget entry = ResolveClick(grid, 2, 0, SelectBy::LeftClick);
    EXPECT_TRUE(entry.select);
    EXPECT_EQ(entry.row, 2);
    EXPECT_EQ(entry.locationRow, 1);
    EXPECT_FALSE(entry.headerRow);
    EXPECT_TRUE(entry.toggle);
    // The same cell reached by the search, the buttons or a right click.
    EXPECT_FALSE(ResolveClick(grid, 2, 0, SelectBy::Program).toggle);
    EXPECT_TRUE(ResolveClick(grid, 2, 0, SelectBy::Program).select);
    EXPECT_FALSE(ResolveClick(grid, 2, 3, SelectBy::LeftClick).toggle);

    // Column 0 of a header row never toggles.
    ClickTarget header = ResolveClick(grid, 1, 0, SelectBy::LeftClick);
    EXPECT_TRUE(header.headerRow);
    EXPECT_EQ(header.locationRow, 1);
    EXPECT_FALSE(header.toggle);

    // Below the data: the last filled row, column 2, no toggle.
    ClickTarget below = ResolveClick(grid, 5, 0, SelectBy::LeftClick);
    EXPECT_EQ(below.row, 3);
    EXPECT_EQ(below.col, 2);
    EXPECT_FALSE(below.toggle);

    FakeGrid empty({EmptyRow(), EmptyRow()});
    EXPECT_FALSE(ResolveClick(empty, 2, 0, SelectBy::LeftClick).select);
}

TEST(Selection, EnablingFollowsTheKindOfRow) {
    // The Entry menu in its order, then toolbar buttons 3 to 5, for a kind of row.
    auto enabled = [](Selected selected) {
        std::vector<bool> menu, buttons(3);
        for (const CommandRow &row : Commands()) {
            const bool on = EnabledFor(row.enabled, selected);
            if (row.menu == kMenuEntry)
                menu.push_back(on);
            if (row.button >= 3 && row.button <= 5)
                buttons[static_cast<size_t>(row.button - 3)] = on;
        }
        return std::pair{menu, buttons};
    };
    using V = std::vector<bool>;
    // Disable/Enable, Delete, Copy, Backup, Restore, Jump, Google, Explore, Properties.
    EXPECT_EQ(enabled(Selected::EntryRow),
              std::pair(V{true, true, true, false, false, true, true, true, true}, V{true, true, true}));
    EXPECT_EQ(enabled(Selected::HeaderRow),
              std::pair(V{false, false, true, true, true, true, true, false, false}, V{true, false, false}));
    EXPECT_EQ(enabled(Selected::Nothing), std::pair(V(9), V(3)));
}

TEST(Selection, StatusHelpForTheCellUnderTheMouse) {
    FakeGrid grid = RunGrid();
    EXPECT_EQ(GridHoverHelp(grid, 2, 0).status, "Checkbox to Disable and Enable Startup Items");
    EXPECT_EQ(GridHoverHelp(grid, 2, 1).status, "File Icon");
    EXPECT_FALSE(GridHoverHelp(grid, 2, 1).setTooltip); // the old tooltip stays
    EXPECT_EQ(GridHoverHelp(grid, 1, 0).status, "");
    HoverHelp name = GridHoverHelp(grid, 3, 3);
    EXPECT_EQ(name.status, "Description");
    EXPECT_TRUE(name.setTooltip);
    EXPECT_EQ(name.tooltip, "Agent service");
    HoverHelp location = GridHoverHelp(grid, 1, 2);
    EXPECT_EQ(location.status, "Location of Startup Entry in the Registry or File System");
    EXPECT_EQ(location.tooltip, "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(GridHoverHelp(grid, 5, 5).status, "Image Path"); // an empty row
}

TEST(Selection, CopyTextOfEntryAndHeaderRows) {
    FakeGrid grid = RunGrid();
    EXPECT_EQ(CopyText(grid, 2, false), "Updater\t\tFernhollow\tC:\\Tools\\up.exe");
    EXPECT_EQ(CopyText(grid, 1, true), "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
}

TEST(Selection, FilePanelLabels) {
    StartupEntry entry;
    for (int i = 1; i <= 8; ++i)
        entry.VersionInfo[i] = std::string(1, 'v').append(std::to_string(i));
    entry.Created = 45000;
    entry.Modified = 45001;
    auto date = [](DateSerial d) { return std::to_string(static_cast<int>(d)); };
    auto labels = FilePanelLabels(entry, +date);
    EXPECT_EQ(labels,
              (std::array<std::string, 8>{"v1", "v2", "v3", "v4", "v5", "v6", "Created: 45000", "Modified: 45001"}));
    entry.Created = kNoDate; // no date read: version strings only
    labels = FilePanelLabels(entry, +date);
    EXPECT_EQ(labels[5], "v6");
    EXPECT_EQ(labels[6], "");
    EXPECT_EQ(labels[7], "");
    EXPECT_FALSE(ShortDateText(45000).empty());
}
