// The 16x16 pictures of the category grids, held side by side in one bitmap
// (copied to the screen without blending, which keeps drawing fast): the
// location pictures (registry key, folder), the missing-file picture, and the
// icon of each file type, drawn once per type through a scratch picture that
// is cleared before every icon.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <unordered_map>

#include "ui/category_grids.h"
#include "ui/shell_icons.h"

class GridImages : public GridPictures {
  public:
    // How a file's icon is drawn into a box; DrawFileIcon unless a test says otherwise.
    using IconDrawer = bool (*)(const std::string &fileName, const IconBox &box, UINT flags);
    explicit GridImages(IconDrawer drawIcon = &DrawFileIcon);
    ~GridImages() override;
    GridImages(const GridImages &) = delete;
    GridImages &operator=(const GridImages &) = delete;

    PictureId RegPic() override { return reg_; }
    PictureId FilePic() override { return file_; }
    PictureId DisPic() override { return dis_; }
    PictureId FileIcon(const std::string &imagePath) override;

    // Takes the location and missing-file pictures from images reg, file and
    // dis (numbered from 1) of an image list; their ids stay the same.
    void UseFixedPictures(HIMAGELIST list, int reg, int file, int dis);
    // Draws picture id with its top-left corner at x, y; nothing for 0.
    void Draw(HDC dc, PictureId id, int x, int y) const;
    int Count() const;
    // The colour of one pixel of a picture (for checking what was drawn).
    COLORREF Pixel(PictureId id, int x, int y) const;

  private:
    PictureId AddScratch();
    void PutScratch(PictureId id);
    void ClearScratch();

    IconDrawer drawIcon_;
    HDC stripDc_ = nullptr;
    HBITMAP strip_ = nullptr;
    HGDIOBJ stripOld_ = nullptr;
    int capacity_ = 0; // pictures the strip has room for
    int count_ = 0;
    HDC scratchDc_ = nullptr;
    HBITMAP scratch_ = nullptr;
    HGDIOBJ scratchOld_ = nullptr;
    PictureId reg_ = 0, file_ = 0, dis_ = 0;
    std::unordered_map<std::string, PictureId> byType_;
};
