// What the grids and the file panel show about an entry's image file: the
// eight version-resource strings, whether the publisher is Microsoft, the
// file's dates; and the two walks that attach the version
// strings to the scanned entries.
#pragma once
#include <windows.h>

#include <array>
#include <string>

#include "scan/records.h"

struct VersionField {
    std::string FieldName;
};

// The names of the eight version strings, numbered 0 to 7 ("CompanyName" ...
// "ProductVersion"); string i goes to an entry's VersionInfo(i + 1).
std::array<VersionField, 8> &VersionFields();
// Sets the eight field names; must run before the first read.
void InitVersionFields();

// A file's eight version strings, in the order of VersionFields().
using VersionStrings = std::array<std::string, 8>;
// The file's version strings under its first translation; every failure
// gives eight empty strings.
VersionStrings ReadVersionInfo(const std::string &fileName);

struct FileDates {
    DateSerial Created = kNoDate;
    DateSerial Modified = kNoDate;
};

// Local calendar date of a file time (UTC), time of day dropped.
DateSerial LocalDateOfFileTime(const FILETIME &utc);
// The file's creation and last-write dates; both kNoDate when it is not found.
FileDates GetFileDates(const std::string &fileName);

// Copies the strings into the entry's VersionInfo(1..8) and sets (never
// clears) its IsMicrosoft when the company name contains "Microsoft".
void ApplyVersionStrings(StartupEntry &entry, const VersionStrings &strings);

// Reads the file's version strings into entry `entry` of location `location`
// of ScanLocations() and returns the file's dates.
FileDates GetItemFileInfo(const std::string &fileName, int location, int entry);

// The program's mouse pointer during the walks: every 12th entry it switches
// between kPointerArrowBusy and kPointerBusy (any other pointer is left alone).
constexpr int kPointerBusy = 11;
constexpr int kPointerArrowBusy = 13;
class BusyPointer {
  public:
    virtual ~BusyPointer() = default;
    virtual int Pointer() = 0;
    virtual void SetPointer(int pointer) = 0;
};
// The progress window's bar (0 to 100) as well.
class FileInfoProgress : public BusyPointer {
  public:
    virtual double Value() = 0;
    virtual void SetValue(double value) = 0;
};

// Attaches the version strings to every entry of ScanLocations() whose file
// exists (HasFile), raising the progress value by 0.3 per entry while it is
// below 99 and letting window events run after each entry.
void LoadFileInfo(FileInfoProgress &progress);
// Marks the entries of one location whose file exists and attaches their
// version strings (after a change to that location was accepted, into the
// new records before they take the old ones' place).
void ItemFileInfo(ScanLocation &location, BusyPointer &pointer);
