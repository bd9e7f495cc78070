#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include "scan/fileinfo.h"
#include "ui/shell_icons.h"
#include "scan/fileinfo_parse.h"
#include "scan/state.h"
#include "support/testing.h"
#include "system/platform.h"

namespace {

std::string OwnPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Records what a walk does to the progress bar and the mouse pointer.
class RecordedProgress : public FileInfoProgress {
  public:
    explicit RecordedProgress(double start, int pointer = kPointerArrowBusy) : value_(start), pointer_(pointer) {}
    double Value() override { return value_; }
    void SetValue(double value) override {
        value_ = value;
        values.push_back(value);
    }
    int Pointer() override { return pointer_; }
    void SetPointer(int pointer) override {
        pointer_ = pointer;
        pointers.push_back(pointer);
    }
    std::vector<double> values;
    std::vector<int> pointers;

  private:
    double value_;
    int pointer_;
};

StartupEntry Entry(const std::string &image, bool hasFile) {
    StartupEntry e;
    e.ImagePath = image;
    e.HasFile = hasFile;
    return e;
}

// Counts the event-pump calls for as long as it lives.
class PumpCounter {
  public:
    PumpCounter() {
        SetEventPump([this] { ++calls; });
    }
    ~PumpCounter() { SetEventPump(nullptr); }
    int calls = 0;
};

class FileInfoWalks : public ::testing::Test {
  protected:
    void SetUp() override {
        InitVersionFields();
        ResetLocations(ScanLocations());
    }
    void TearDown() override { ResetLocations(ScanLocations()); }
    TempDir dir_;
};

TEST_F(FileInfoWalks, LoadFileInfoFillsEntriesWithFiles) {
    const std::string own = OwnPath(), missing = dir_ / "gone.exe", plain = dir_ / "plain.txt";
    ASSERT_TRUE(WriteFileBytes(plain, "text"));
    auto &locations = ScanLocations();
    locations.resize(4);
    for (int j = 1; j <= 30; ++j)
        locations[1].Entries.push_back(Entry(own, j % 3 == 0));
    // Location 2 has no entries; location 3 files without version strings.
    locations[3].Entries.push_back(Entry(missing, true));
    locations[3].Entries.push_back(Entry(plain, true));
    locations[3].Entries[2].VersionInfo[1] = "stale";

    RecordedProgress progress(20);
    PumpCounter pump;
    LoadFileInfo(progress);

    for (int j = 1; j <= 30; ++j) {
        const StartupEntry &e = locations[1].Entries[j];
        if (j % 3 == 0) {
            EXPECT_EQ(e.VersionInfo[1], "MICROSOFT CORPORATION");
            EXPECT_EQ(e.VersionInfo[6], "helper.exe");
            EXPECT_TRUE(e.IsMicrosoft);
        } else {
            EXPECT_EQ(e.VersionInfo[1], "") << j;
            EXPECT_FALSE(e.IsMicrosoft) << j;
        }
    }
    for (int j = 1; j <= 2; ++j) {
        for (int k = 1; k <= 8; ++k)
            EXPECT_EQ(locations[3].Entries[j].VersionInfo[k], "") << j << " " << k;
        EXPECT_FALSE(locations[3].Entries[j].IsMicrosoft);
    }
    // One step of 0.3 and one event pump per entry, skipped or not; the
    // pointer flips at every 12th entry of a location.
    ASSERT_EQ(progress.values.size(), 32u);
    EXPECT_NEAR(progress.values.front(), 20.3, 1e-9);
    EXPECT_NEAR(progress.values.back(), 20 + 32 * 0.3, 1e-9);
    EXPECT_EQ(pump.calls, 32);
    EXPECT_EQ(progress.pointers, (std::vector<int>{kPointerBusy, kPointerArrowBusy}));
}

TEST_F(FileInfoWalks, ProgressStopsAtTheFirstValueNotBelow99) {
    auto &locations = ScanLocations();
    locations.resize(2);
    for (int j = 1; j <= 400; ++j)
        locations[1].Entries.push_back(Entry("", false));
    RecordedProgress progress(20, 0);
    LoadFileInfo(progress);
    ASSERT_FALSE(progress.values.empty());
    for (size_t i = 1; i < progress.values.size(); ++i) {
        EXPECT_NEAR(progress.values[i] - progress.values[i - 1], 0.3, 1e-9);
        EXPECT_LT(progress.values[i - 1], 99.0);
    }
    EXPECT_GE(progress.values.back(), 99.0);
    EXPECT_LT(progress.values.back(), 99.3);
    EXPECT_EQ(progress.values.size(), 264u);
    // A pointer other than the two busy ones is left alone.
    EXPECT_TRUE(progress.pointers.empty());

    RecordedProgress nearlyDone(98.9, kPointerBusy);
    LoadFileInfo(nearlyDone);
    ASSERT_EQ(nearlyDone.values.size(), 1u);
    EXPECT_LT(nearlyDone.values.back(), 100.0);
    EXPECT_EQ(nearlyDone.pointers.size(), 33u); // 400 / 12
}

TEST_F(FileInfoWalks, WalkSurvivesEventsThatEmptyTheLocations) {
    auto &locations = ScanLocations();
    locations.resize(3);
    for (int n = 1; n <= 2; ++n)
        for (int j = 1; j <= 5; ++j)
            locations[n].Entries.push_back(Entry(OwnPath(), true));
    int calls = 0;
    SetEventPump([&] {
        if (++calls == 3)
            ResetLocations(ScanLocations());
    });
    RecordedProgress progress(0);
    LoadFileInfo(progress);
    SetEventPump(nullptr);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(UpperBound(ScanLocations()), 0);
}

// Entries that name one file, in any case of its name, get what the walk read
// for the first of them, even if the file changes meanwhile; the next walk
// reads it afresh.
TEST_F(FileInfoWalks, AFileSeveralEntriesNameIsReadOncePerWalk) {
    const std::string file = dir_ / "tool.exe";
    ASSERT_TRUE(CopyFileA(OwnPath().c_str(), file.c_str(), FALSE));
    auto &locations = ScanLocations();
    locations.resize(3);
    locations[1].Entries.push_back(Entry(file, true));
    locations[2].Entries.push_back(Entry(dir_ / "TOOL.EXE", true));
    locations[2].Entries.push_back(Entry(file, true));
    int calls = 0;
    SetEventPump([&] {
        if (++calls == 1)
            WriteFileBytes(file, "no version resource now");
    });
    RecordedProgress progress(0);
    LoadFileInfo(progress);
    SetEventPump(nullptr);
    for (int n = 1; n <= 2; ++n)
        for (int j = 1; j <= UpperBound(locations[n].Entries); ++j)
            EXPECT_EQ(locations[n].Entries[j].VersionInfo[1], "MICROSOFT CORPORATION") << n << " " << j;

    LoadFileInfo(progress);
    for (int n = 1; n <= 2; ++n)
        for (int j = 1; j <= UpperBound(locations[n].Entries); ++j)
            EXPECT_EQ(locations[n].Entries[j].VersionInfo[1], "") << n << " " << j;
}

TEST_F(FileInfoWalks, ItemFileInfoMarksExistingFilesOfOneLocation) {
    const std::string missing = dir_ / "gone.exe";
    auto &locations = ScanLocations();
    locations.resize(3);
    locations[1].Entries.push_back(Entry(OwnPath(), false));
    locations[1].Entries.push_back(Entry(missing, true));
    locations[1].Entries[2].VersionInfo[1] = "kept";
    locations[2].Entries.push_back(Entry(OwnPath(), false));
    for (int j = 3; j <= 24; ++j)
        locations[1].Entries.push_back(Entry(missing, false));

    RecordedProgress pointer(50);
    PumpCounter pump;
    ItemFileInfo(locations[1], pointer);
    EXPECT_TRUE(locations[1].Entries[1].HasFile);
    EXPECT_EQ(locations[1].Entries[1].VersionInfo[1], "MICROSOFT CORPORATION");
    EXPECT_TRUE(locations[1].Entries[1].IsMicrosoft);
    // A missing file leaves the entry as it was.
    EXPECT_TRUE(locations[1].Entries[2].HasFile);
    EXPECT_EQ(locations[1].Entries[2].VersionInfo[1], "kept");
    EXPECT_FALSE(locations[1].Entries[3].HasFile);
    // Other locations and the progress bar are not touched.
    EXPECT_FALSE(locations[2].Entries[1].HasFile);
    EXPECT_TRUE(pointer.values.empty());
    EXPECT_EQ(pointer.pointers, (std::vector<int>{kPointerBusy, kPointerArrowBusy}));
    EXPECT_EQ(pump.calls, 24);
}

TEST_F(FileInfoWalks, GetItemFileInfoFillsTheEntryAndReturnsDates) {
    auto &locations = ScanLocations();
    locations.resize(2);
    locations[1].Entries.push_back(Entry("", false));
    const std::string own = OwnPath();
    const FileDates dates = GetItemFileInfo(own, 1, 1);
    const StartupEntry &e = locations[1].Entries[1];
    EXPECT_EQ(e.VersionInfo[1], "MICROSOFT CORPORATION");
    EXPECT_EQ(e.VersionInfo[8], "1.2");
    EXPECT_FALSE(e.IsMicrosoft);
    EXPECT_FALSE(e.HasFile);
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    ASSERT_TRUE(GetFileAttributesExA(own.c_str(), GetFileExInfoStandard, &attrs));
    EXPECT_EQ(dates.Modified, LocalDateOfFileTime(attrs.ftLastWriteTime));
    EXPECT_GT(dates.Modified, DateSerialOf(2020, 1, 1));

    const FileDates none = GetItemFileInfo(dir_ / "gone.exe", 1, 1);
    EXPECT_EQ(none.Created, kNoDate);
    EXPECT_EQ(none.Modified, kNoDate);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(e.VersionInfo[k], "") << k;
    // An entry that does not exist gets nothing, the dates still come back.
    EXPECT_EQ(GetItemFileInfo(own, 5, 1).Modified, dates.Modified);
    EXPECT_EQ(GetItemFileInfo(own, 1, 9).Modified, dates.Modified);
}

// A 48 x 48 memory bitmap filled with one colour.
class MemoryPicture {
  public:
    explicit MemoryPicture(COLORREF fill) {
        HDC screen = GetDC(nullptr);
        dc_ = CreateCompatibleDC(screen);
        bitmap_ = CreateCompatibleBitmap(screen, 48, 48);
        ReleaseDC(nullptr, screen);
        old_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, 48, 48};
        HBRUSH brush = CreateSolidBrush(fill);
        FillRect(dc_, &all, brush);
        DeleteObject(brush);
    }
    ~MemoryPicture() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    // Pixels inside [x0, x1) x [y0, y1) that differ from colour.
    int Differing(int x0, int y0, int x1, int y1, COLORREF colour) const {
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                n += GetPixel(dc_, x, y) != colour;
        return n;
    }

  private:
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
};

TEST(DrawFileIcon, DrawsSmallOrLargeIconIntoTheClearedBox) {
    CoInitialize(nullptr);
    const COLORREF red = RGB(255, 0, 0), white = RGB(255, 255, 255);
    for (UINT flags : {kSmallTypeIcon, kLargeTypeIcon}) {
        const int size = flags == kSmallTypeIcon ? 16 : 32;
        MemoryPicture picture(red);
        IconBox box;
        box.dc = picture.dc();
        box.area = RECT{4, 4, 44, 44};
        box.background = white;
        // The icon of the file's type, taken from the name alone.
        ASSERT_TRUE(DrawFileIcon("C:\\nowhere\\tool.exe", box, flags)) << flags;
        EXPECT_GT(picture.Differing(4, 4, 4 + size, 4 + size, white), 0) << flags;
        // Nothing beyond the icon's size; the rest of the box cleared and
        // outside the box untouched.
        EXPECT_EQ(picture.Differing(4 + size, 4, 44, 44, white), 0) << flags;
        EXPECT_EQ(picture.Differing(4, 4 + size, 44, 44, white), 0) << flags;
        EXPECT_EQ(picture.Differing(0, 0, 48, 4, red), 0) << flags;
        EXPECT_EQ(picture.Differing(44, 0, 48, 48, red), 0) << flags;
    }
    CoUninitialize();
}

} // namespace
