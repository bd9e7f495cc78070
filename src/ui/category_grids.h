// The 14 category grids as plain data: their column layout, filling them from
// ScanLocations() (one header row per shown pass, one row per shown entry,
// each row carrying a reference to the records it shows),
// the options Include Empty and Hide Microsoft, emptying them, taking the
// highlight off the selected row, the last filled row and the list of all
// grids as text, and saving that list. The window side supplies the pictures
// and the questions; everything here runs without a window.
#pragma once
#include <array>
#include <string>
#include <vector>

#include "changes/shown_rows.h"
#include "scan/records.h"
#include "ui/grid_model.h"
#include "ui/selection.h"

constexpr int kGridCount = 14;
constexpr int kGridCols = 6;
constexpr int kGridMinRows = 20;

// Columns of a category grid.
constexpr int kColCheck = 0;       // check glyph (entry row) or location picture (header row)
constexpr int kColIcon = 1;        // the file's icon
constexpr int kColName = 2;        // entry name, or the location text merged over 2 to 5
constexpr int kColDescription = 3; //
constexpr int kColPublisher = 4;   //
constexpr int kColImagePath = 5;   //

// The check glyphs in the font kCheckFont: a ticked and an empty box.
inline const std::string kCheckOn = "\xFE";
inline const std::string kCheckOff = "q";
inline const std::string kCheckFont = "Wingdings";
constexpr float kCheckFontSize = 14;
inline const std::string &CheckGlyph(bool disabled) { return disabled ? kCheckOff : kCheckOn; }
inline const std::string kSaveFailed = "Unable to save file to that location. May be read-only.";

// The pictures the grids show.
class GridPictures {
  public:
    virtual ~GridPictures() = default;
    virtual PictureId RegPic() = 0;  // header row of a registry location
    virtual PictureId FilePic() = 0; // header row of a folder location
    virtual PictureId DisPic() = 0;  // entry whose file is missing
    // The small icon of the file's type; an icon that cannot be drawn gives a
    // blank picture, never the one of an earlier file.
    virtual PictureId FileIcon(const std::string &imagePath) = 0;
};

struct GridOptions {
    bool IncludeEmpty = false;  // header rows of locations without entries
    bool HideMicrosoft = false; // leave out entries published by Microsoft
};

class CategoryGrids : public ShownList {
  public:
    CategoryGrids();

    // Grid 1..14 (= category, tab); any other number gives grid 1.
    GridModel &Grid(int index);
    const GridModel &Grid(int index) const;
    GridOptions &Options() { return options_; }
    const GridOptions &Options() const { return options_; }

    // Captions of row 0, column widths and alignments; current row 0.
    void SetUpColumns();
    // Flat index of a cell of grid gridIndex.
    int CellIndex(int row, int col, int gridIndex) const;
    const std::string &Cell(int row, int col, int gridIndex) const;

    // Fills every grid from ScanLocations(); the grids must be empty
    // (ClearGrids) or fresh. Each grid's current row is 0 afterwards.
    void LoadGrids(GridPictures &pictures);
    // Empties every grid to 19 empty data rows; the selection keeps its grid
    // but selects no row.
    void ClearGrids(SelectionState &selection);
    // Gives the selected row the normal colours of what it now shows and
    // resets the selection.
    void UnhighlightRow(SelectionState &selection);
    // The last row that shows a record, 0 for none. A number outside 1..14
    // is logged and set to 1, and gives 0.
    int GetLastRow(int &gridIndex) const;
    // The records shown by the filled rows of grids 1..14, in order.
    std::vector<RowRef> ShownRows() const override;
    // Every filled row of grids 1..14, one CR LF line each, as the grids
    // show it: the one list text of Save, Backup All and the snapshot.
    std::string GetGridsText() const override;
    // Shows an entry row's check box ticked or empty.
    void SetCheck(int gridIndex, int row, bool disabled);

    // The two options: set the flag, then empty and refill the grids.
    void SetIncludeEmpty(bool on, SelectionState &selection, GridPictures &pictures);
    void SetHideMicrosoft(bool on, SelectionState &selection, GridPictures &pictures);

  private:
    void WriteHeaderRow(int location, int pass, GridPictures &pictures);
    void WriteEntryRow(int location, int entry, GridPictures &pictures);
    // The row's reference and its four texts.
    void WriteRowTexts(GridModel &grid, int row, const RowRef &ref);
    int NextRow(GridModel &grid);

    std::array<GridModel, kGridCount + 1> grids_; // element 0 unused
    GridOptions options_;
};

// True when no entry of the pass lacks the Microsoft flag (also for a pass
// without entries and a location without entries); deleted entries count.
bool AllMicrosoft(const ScanLocation &location, int pass);

// What saving the list needs from the user.
class SaveListUi {
  public:
    virtual ~SaveListUi() = default;
    // The "Save File" dialog for "Text File" names; "" when cancelled.
    virtual std::string AskSaveFile() = 0;
    // A message with an OK button and no icon, titled with the program's name.
    virtual void Tell(const std::string &prompt) = 0;
};
// Asks for a file and writes the list of all grids to it; a short write is
// reported with kSaveFailed.
void SaveGridsList(const CategoryGrids &grids, SaveListUi &ui);
