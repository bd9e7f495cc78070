#include "scan/fileinfo.h"

#include <cstring>
#include <exception>
#include <unordered_map>
#include <vector>

#include "registry/access.h"
#include "scan/fileinfo_parse.h"
#include "scan/scanner.h"
#include "scan/state.h"
#include "scan/version_resource.h"
#include "system/codepage.h"
#include "system/file_lookup.h"
#include "system/files.h"
#include "system/text.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/platform.h"

namespace {

// Every 12th entry of a walk flips the busy pointer between its two forms.
void FlipBusyPointer(int entry, BusyPointer &pointer) {
    if (entry % 12 != 0)
        return;
    const int current = pointer.Pointer();
    if (current == kPointerArrowBusy)
        pointer.SetPointer(kPointerBusy);
    else if (current == kPointerBusy)
        pointer.SetPointer(kPointerArrowBusy);
}

// The entry j of location n of ScanLocations(), or null when the arrays no
// longer reach it (window events during a walk may have reset them).
StartupEntry *EntryAt(int n, int j) {
    auto &locations = ScanLocations();
    if (n < 1 || n > UpperBound(locations))
        return nullptr;
    auto &entries = locations[n].Entries;
    if (j < 1 || j > UpperBound(entries))
        return nullptr;
    return &entries[j];
}

int EntryCount(int n) {
    auto &locations = ScanLocations();
    return n >= 1 && n <= UpperBound(locations) ? UpperBound(locations[n].Entries) : 0;
}

} // namespace

std::array<VersionField, 8> &VersionFields() {
    static std::array<VersionField, 8> fields;
    return fields;
}

void InitVersionFields() {
    static const char *const names[8] = {"CompanyName",    "FileDescription",  "FileVersion", "InternalName",
                                         "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};
    for (int i = 0; i < 8; ++i)
        VersionFields()[i].FieldName = names[i];
}

namespace {

// The file's version resource as bytes, read through one mapping of the file
// as data (no code of it runs); empty when it has none.
std::string VersionResourceOf(const std::string &fileName) {
    const ModuleHandle module(LoadLibraryExA(fileName.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    if (!module)
        return std::string();
    std::string bytes;
    if (HRSRC info = FindResourceA(module.get(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16))) {
        const HGLOBAL loaded = LoadResource(module.get(), info);
        const void *data = loaded != nullptr ? LockResource(loaded) : nullptr;
        const DWORD size = SizeofResource(module.get(), info);
        if (data != nullptr && size > 0)
            bytes.assign(static_cast<const char *>(data), size);
    }
    return bytes;
}

} // namespace

VersionStrings ReadVersionInfo(const std::string &fileName) {
    VersionStrings strings;
    if (fileName.empty())
        return strings;
    const std::string resource = VersionResourceOf(fileName);
    const std::string_view translation = VersionTranslation(resource);
    const std::string key = TranslationKey(translation.data(), translation.size());
    if (key.empty())
        return strings;
    const auto &fields = VersionFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].FieldName.empty())
            continue;
        bool found = false;
        const std::u16string text = VersionString(resource, key, fields[i].FieldName, found);
        if (found)
            strings[i] = AnsiText(text);
    }
    return strings;
}

DateSerial LocalDateOfFileTime(const FILETIME &utc) {
    if (utc.dwLowDateTime == 0 && utc.dwHighDateTime == 0)
        return kNoDate;
    FILETIME local{};
    if (!FileTimeToLocalFileTime(&utc, &local))
        return kNoDate;
    return DateSerialOfFileTime((static_cast<unsigned long long>(local.dwHighDateTime) << 32) | local.dwLowDateTime);
}

FileDates GetFileDates(const std::string &fileName) {
    FileDates dates;
    // The dates a directory search gives, read from the attributes where they
    // are the same.
    const FileLookup found = LookUpFile(fileName);
    if (!found.found)
        return dates;
    dates.Created = LocalDateOfFileTime(found.created);
    dates.Modified = LocalDateOfFileTime(found.modified);
    return dates;
}

void ApplyVersionStrings(StartupEntry &entry, const VersionStrings &strings) {
    for (int k = 1; k <= 8; ++k) {
        entry.VersionInfo[k] = strings[k - 1];
        if (k == 1 && NamesMicrosoft(entry.VersionInfo[1]))
            entry.IsMicrosoft = true;
    }
}

FileDates GetItemFileInfo(const std::string &fileName, int location, int entry) {
    const VersionStrings strings = ReadVersionInfo(fileName);
    const FileDates dates = GetFileDates(fileName);
    if (StartupEntry *target = EntryAt(location, entry)) {
        for (int k = 1; k <= 8; ++k)
            target->VersionInfo[k] = strings[k - 1];
    }
    return dates;
}

namespace {

// The version strings of the files a walk has read, by name: a file that
// several entries name is read once per walk.
class VersionStringsRead {
  public:
    const VersionStrings &Of(const std::string &fileName) {
        const std::string key = FileNameKey(fileName);
        if (const auto found = read_.find(key); found != read_.end())
            return found->second;
        return read_.emplace(key, ReadVersionInfo(fileName)).first->second;
    }

  private:
    std::unordered_map<std::string, VersionStrings> read_;
};

} // namespace

void LoadFileInfo(FileInfoProgress &progress) {
    VersionStringsRead read;
    // Bounds are read afresh after every entry: the event pump may run code
    // that changes the arrays.
    for (int n = 1; n <= UpperBound(ScanLocations()); ++n) {
        for (int j = 1; j <= EntryCount(n); ++j) {
            try {
                if (StartupEntry *entry = EntryAt(n, j); entry != nullptr && entry->HasFile)
                    ApplyVersionStrings(*entry, read.Of(entry->ImagePath));
            } catch (const std::exception &e) {
                WriteLog(std::string("LoadFileInfo ") + e.what());
            }
            if (progress.Value() < 99)
                progress.SetValue(progress.Value() + 0.3);
            DoEvents();
            FlipBusyPointer(j, progress);
        }
    }
}

void ItemFileInfo(ScanLocation &location, BusyPointer &pointer) {
    VersionStringsRead read;
    const RemoteLookupsRefused remote(NamesFromUsers(location.MainKey, location.Scope));
    for (int j = 1; j <= UpperBound(location.Entries); ++j) {
        try {
            StartupEntry &entry = location.Entries[static_cast<size_t>(j)];
            if (FileExists(entry.ImagePath)) {
                entry.HasFile = true;
                ApplyVersionStrings(entry, read.Of(entry.ImagePath));
            }
        } catch (const std::exception &e) {
            WriteLog(std::string("ItemFileInfo ") + e.what());
        }
        DoEvents();
        FlipBusyPointer(j, pointer);
    }
}
