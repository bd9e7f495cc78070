#include "system/file_lookup.h"

#include "system/handles.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The errors by which the attributes say that the name is not there; any
// other error (a file in use, no access) leaves the answer to the search.
bool MeansAbsent(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_PATHNAME || error == ERROR_DIRECTORY || error == ERROR_NOT_READY ||
           error == ERROR_INVALID_DRIVE;
}

FileLookup Search(const std::string &name) {
    FileLookup result;
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA(name.c_str(), &data));
    if (!find)
        return result;
    result.found = true;
    result.created = data.ftCreationTime;
    result.modified = data.ftLastWriteTime;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            result.file = true;
            break;
        }
    } while (FindNextFileA(find.get(), &data));
    return result;
}

} // namespace

bool AttributesAnswerFor(const std::string &name) {
    if (name.size() < 4 || name.size() >= MAX_PATH || !IsLetter(name[0]) || name[1] != ':' || name[2] != '\\')
        return false;
    if (name.find_first_of("*?<>\"|", 3) != std::string::npos || name.find(':', 2) != std::string::npos)
        return false;
    const char last = name.back();
    return last != '\\' && last != '/' && last != '.' && last != ' ';
}

namespace {
bool &RemoteRefused() {
    static bool refused = false;
    return refused;
}
std::function<void(const std::string &)> &Recorder() {
    static std::function<void(const std::string &)> recorder;
    return recorder;
}
} // namespace

namespace {
// The drive types asked while look-ups are limited, by letter; 0: not asked yet.
UINT (&KnownDriveTypes())[26] {
    static UINT types[26] = {};
    return types;
}
} // namespace

bool IsLocalDrivePath(const std::string &name) {
    if (name.size() < 3 || !IsLetter(name[0]) || name[1] != ':' || (name[2] != '\\' && name[2] != '/'))
        return false;
    const int letter = (name[0] | 0x20) - 'a';
    UINT &type = KnownDriveTypes()[letter];
    if (type == 0 || !RemoteRefused()) {
        const char root[] = {name[0], ':', '\\', '\0'};
        type = GetDriveTypeA(root) + 1; // DRIVE_UNKNOWN is 0
    }
    return type != DRIVE_REMOTE + 1;
}

RemoteLookupsRefused::RemoteLookupsRefused(bool limit) : before_(RemoteRefused()) {
    if (limit && !before_)
        std::fill(std::begin(KnownDriveTypes()), std::end(KnownDriveTypes()), 0u);
    RemoteRefused() = before_ || limit;
}
RemoteLookupsRefused::~RemoteLookupsRefused() { RemoteRefused() = before_; }

bool LookUpRefused(const std::string &name) { return RemoteRefused() && !IsLocalDrivePath(name); }

void SetLookUpRecorder(std::function<void(const std::string &)> recorder) { Recorder() = std::move(recorder); }

FileLookup LookUpFile(const std::string &name) {
    if (name.empty() || LookUpRefused(name))
        return FileLookup{};
    if (Recorder())
        Recorder()(name);
    if (!AttributesAnswerFor(name))
        return Search(name);
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) {
        if (MeansAbsent(GetLastError()))
            return FileLookup{};
        return Search(name);
    }
    FileLookup result;
    result.found = true;
    result.file = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    result.created = data.ftCreationTime;
    result.modified = data.ftLastWriteTime;
    return result;
}

namespace {

char FoldAscii(wchar_t c) { return static_cast<char>(c >= L'A' && c <= L'Z' ? c - L'A' + L'a' : c); }

// The name folded as a plain ASCII name is, or empty when a character of it
// has no ASCII capital (such a name never matches a plain ASCII name).
std::string FoldName(const wchar_t *name) {
    std::string folded;
    for (const wchar_t *p = name; *p != 0; ++p) {
        wchar_t c = *p;
        if (c >= 0x80) {
            // Compared by capitals, as the file system compares names: a
            // character whose capital is ASCII matches that letter.
            wchar_t upper[2] = {c, 0};
            CharUpperBuffW(upper, 1);
            c = upper[0];
            if (c >= 0x80)
                return std::string();
        }
        folded.push_back(FoldAscii(c));
    }
    return folded;
}

bool NamesDevice(const std::string &leaf) {
    std::string base = leaf.substr(0, leaf.find('.'));
    while (!base.empty() && (base.back() == ' ' || base.back() == '.'))
        base.pop_back();
    static const char *const kDevices[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
    for (const char *device : kDevices)
        if (base == device)
            return true;
    return base.size() == 4 && (base.compare(0, 3, "com") == 0 || base.compare(0, 3, "lpt") == 0) && base[3] >= '0' &&
           base[3] <= '9';
}

// A name without any folder: a search for it looks in the current folder.
bool IsPlainLeaf(const std::string &name) {
    if (name.empty() || name.size() >= MAX_PATH || name.find_first_of("\\/:*?<>\"|") != std::string::npos)
        return false;
    return name.back() != '.' && name.back() != ' ';
}

} // namespace

FolderNames ListFolderNames(const std::string &folder) {
    FolderNames listing;
    const std::string pattern = folder + "\\*";
    const int size = MultiByteToWideChar(CP_ACP, 0, pattern.c_str(), -1, nullptr, 0);
    if (size <= 0)
        return listing;
    std::wstring wide(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, pattern.c_str(), -1, wide.data(), size);
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW(wide.c_str(), &data));
    if (!find) {
        // An empty drive root lists nothing; a missing folder holds nothing.
        const DWORD error = GetLastError();
        listing.usable = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
        return listing;
    }
    do {
        for (const wchar_t *name : {data.cFileName, data.cAlternateFileName})
            if (name[0] != 0)
                if (std::string folded = FoldName(name); !folded.empty())
                    listing.names.insert(std::move(folded));
    } while (FindNextFileW(find.get(), &data));
    listing.usable = GetLastError() == ERROR_NO_MORE_FILES;
    return listing;
}

bool SplitForListing(const std::string &name, std::string &folder, std::string &leaf) {
    const bool plain = IsPlainLeaf(name);
    if (!plain && !AttributesAnswerFor(name))
        return false;
    const std::size_t slash = plain ? std::string::npos : name.find_last_of("\\/");
    // In a double-byte code page a "\" after a byte above 0x7F may be the
    // second half of a character rather than a separator.
    if (!plain && static_cast<unsigned char>(name[slash - 1]) >= 0x80)
        return false;
    const std::size_t start = plain ? 0 : slash + 1;
    leaf.clear();
    for (std::size_t i = start; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c >= 0x80 || c < 0x20 || c == '~')
            return false;
        leaf.push_back(FoldAscii(static_cast<wchar_t>(c)));
    }
    if (leaf.empty() || NamesDevice(leaf))
        return false;
    folder = plain ? std::string(".") : name.substr(0, slash);
    return true;
}
