#include "ui/grid_pictures.h"

#include <shellapi.h>

#include <utility>

#include "ui/shell_icons.h"
#include "system/text.h"

namespace {

constexpr int kSize = 16;

COLORREF Background() { return GetSysColor(COLOR_WINDOW); }

void Fill(HDC dc, const RECT &r, COLORREF color) {
    SetBkColor(dc, color);
    ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
}

// A registry key: four coloured blocks.
void PaintRegistry(HDC dc) {
    Fill(dc, {1, 1, 7, 7}, RGB(0, 90, 200));
    Fill(dc, {9, 1, 15, 7}, RGB(0, 160, 220));
    Fill(dc, {1, 9, 7, 15}, RGB(0, 160, 220));
    Fill(dc, {9, 9, 15, 15}, RGB(0, 90, 200));
}

// A folder, drawn when the shell gives none.
void PaintFolder(HDC dc) {
    Fill(dc, {1, 3, 7, 5}, RGB(200, 160, 40));
    Fill(dc, {1, 5, 15, 14}, RGB(240, 200, 80));
}

// A missing file: a grey page crossed out in red.
void PaintMissing(HDC dc) {
    Fill(dc, {3, 1, 13, 15}, RGB(160, 160, 160));
    Fill(dc, {4, 2, 12, 14}, RGB(255, 255, 255));
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(210, 0, 0));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, 3, 3, nullptr);
    LineTo(dc, 13, 13);
    MoveToEx(dc, 13, 3, nullptr);
    LineTo(dc, 3, 13);
    SelectObject(dc, old);
    DeleteObject(pen);
}

// The part of the file name that decides its type's icon.
std::string TypeOf(const std::string &path) {
    const size_t slash = path.find_last_of("\\/");
    const size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    return LowerText(path.substr(dot));
}

} // namespace

GridImages::GridImages(IconDrawer drawIcon) : drawIcon_(drawIcon) {
    HDC screen = GetDC(nullptr);
    scratchDc_ = CreateCompatibleDC(screen);
    scratch_ = CreateCompatibleBitmap(screen, kSize, kSize);
    stripDc_ = CreateCompatibleDC(screen);
    capacity_ = 32;
    strip_ = CreateCompatibleBitmap(screen, kSize * capacity_, kSize);
    ReleaseDC(nullptr, screen);
    if (!stripDc_ || !strip_ || !scratchDc_ || !scratch_)
        return;
    stripOld_ = SelectObject(stripDc_, strip_);
    scratchOld_ = SelectObject(scratchDc_, scratch_);

    ClearScratch();
    PaintRegistry(scratchDc_);
    reg_ = AddScratch();

    ClearScratch();
    SHFILEINFOA info{};
    if (SHGetFileInfoA("folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                       SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) != 0 &&
        info.hIcon != nullptr) {
        DrawIconEx(scratchDc_, 0, 0, info.hIcon, kSize, kSize, 0, nullptr, DI_NORMAL);
        DestroyIcon(info.hIcon);
    } else {
        PaintFolder(scratchDc_);
    }
    file_ = AddScratch();

    ClearScratch();
    PaintMissing(scratchDc_);
    dis_ = AddScratch();
}

GridImages::~GridImages() {
    if (scratchDc_) {
        if (scratchOld_)
            SelectObject(scratchDc_, scratchOld_);
        DeleteDC(scratchDc_);
    }
    if (scratch_)
        DeleteObject(scratch_);
    if (stripDc_) {
        if (stripOld_)
            SelectObject(stripDc_, stripOld_);
        DeleteDC(stripDc_);
    }
    if (strip_)
        DeleteObject(strip_);
}

void GridImages::ClearScratch() {
    const RECT all{0, 0, kSize, kSize};
    Fill(scratchDc_, all, Background());
}

PictureId GridImages::AddScratch() {
    if (count_ == capacity_) {
        // A strip twice as wide, holding the pictures so far.
        HBITMAP wider = CreateCompatibleBitmap(stripDc_, kSize * capacity_ * 2, kSize);
        if (!wider)
            return 0;
        HDC copy = CreateCompatibleDC(stripDc_);
        HGDIOBJ old = SelectObject(copy, wider);
        BitBlt(copy, 0, 0, kSize * count_, kSize, stripDc_, 0, 0, SRCCOPY);
        SelectObject(copy, old);
        DeleteDC(copy);
        SelectObject(stripDc_, wider);
        DeleteObject(strip_);
        strip_ = wider;
        capacity_ *= 2;
    }
    ++count_;
    PutScratch(static_cast<PictureId>(count_));
    return static_cast<PictureId>(count_);
}

void GridImages::PutScratch(PictureId id) {
    BitBlt(stripDc_, kSize * (static_cast<int>(id) - 1), 0, kSize, kSize, scratchDc_, 0, 0, SRCCOPY);
}

void GridImages::UseFixedPictures(HIMAGELIST list, int reg, int file, int dis) {
    if (!list || !strip_ || !scratchDc_)
        return;
    const int count = ImageList_GetImageCount(list);
    const std::pair<PictureId, int> pictures[] = {{reg_, reg}, {file_, file}, {dis_, dis}};
    for (const auto &[id, index] : pictures) {
        if (id == 0 || index < 1 || index > count)
            continue;
        ClearScratch();
        ImageList_Draw(list, index - 1, scratchDc_, 0, 0, ILD_TRANSPARENT);
        PutScratch(id);
    }
}

PictureId GridImages::FileIcon(const std::string &imagePath) {
    if (!strip_ || !scratchDc_)
        return 0;
    // The icon comes from the file's type alone, so each type is drawn once.
    const std::string type = TypeOf(imagePath);
    if (auto found = byType_.find(type); found != byType_.end())
        return found->second;
    // Cleared first: an icon that cannot be drawn leaves a blank picture,
    // not the previous file's icon.
    ClearScratch();
    IconBox box;
    box.dc = scratchDc_;
    box.area = {0, 0, kSize, kSize};
    box.background = Background();
    drawIcon_(imagePath, box, kSmallTypeIcon);
    const PictureId id = AddScratch();
    byType_.emplace(type, id);
    return id;
}

void GridImages::Draw(HDC dc, PictureId id, int x, int y) const {
    if (id == 0 || static_cast<int>(id) > count_)
        return;
    BitBlt(dc, x, y, kSize, kSize, stripDc_, kSize * (static_cast<int>(id) - 1), 0, SRCCOPY);
}

int GridImages::Count() const { return count_; }

COLORREF GridImages::Pixel(PictureId id, int x, int y) const {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    const RECT all{0, 0, kSize, kSize};
    Fill(dc, all, RGB(1, 2, 3));
    Draw(dc, id, 0, 0);
    const COLORREF pixel = GetPixel(dc, x, y);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixel;
}
