#include "system/safe_files.h"

#include <winioctl.h>

#include <cstddef>
#include <cstring>
#include <vector>

#include "system/codepage.h"
#include "system/files.h"
#include "system/folder_trust.h"
#include "system/handles.h"
#include "system/link_trust.h"
#include "system/late_calls.h"
#include "system/log.h"
#include "system/text.h"

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

std::wstring JoinPath(const std::wstring &folder, const std::wstring &name) {
    return !folder.empty() && folder.back() == L'\\' ? folder + name : folder + L"\\" + name;
}

// Where the object a handle has open really lies, links followed, as a plain
// path ("C:\..." or "\\server\share\..."); "" when it cannot be read.
std::wstring FinalPathOf(HANDLE handle) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = LateGetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                                      FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        if (n == 0)
            return L"";
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(n + 1);
    }
    if (path.rfind(L"\\\\?\\UNC\\", 0) == 0)
        path = L"\\\\" + path.substr(8);
    else if (path.rfind(L"\\\\?\\", 0) == 0)
        path.erase(0, 4);
    return path;
}

bool SamePath(const std::wstring &a, const std::wstring &b) {
    auto trimmed = [](std::wstring text) {
        while (text.size() > 3 && text.back() == L'\\')
            text.pop_back();
        return text;
    };
    const std::wstring x = trimmed(a);
    const std::wstring y = trimmed(b);
    return LateCompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()),
                                    TRUE) == CSTR_EQUAL;
}

struct StatusBlock {
    LONG_PTR status;
    ULONG_PTR information;
};

// Opens the item at path itself (a link is not followed) with access alone:
// CreateFile adds SYNCHRONIZE, which the system's compatibility links deny
// everyone.
FileHandle OpenItself(const std::wstring &path, ACCESS_MASK access) {
    struct Text {
        USHORT length;
        USHORT maximum;
        PWSTR buffer;
    };
    struct Attributes {
        ULONG length;
        HANDLE root;
        Text *name;
        ULONG attributes;
        void *security;
        void *quality;
    };
    using Create = LONG(WINAPI *)(HANDLE *, ACCESS_MASK, Attributes *, StatusBlock *, LARGE_INTEGER *, ULONG, ULONG,
                                  ULONG, ULONG, void *, ULONG);
    constexpr ULONG kCaseInsensitive = 0x40, kOpen = 1, kForBackup = 0x4000, kOpenReparsePoint = 0x200000;
    const auto create = NativeCall<Create>("NtCreateFile");
    std::wstring name = path.rfind(L"\\\\", 0) == 0 ? L"\\??\\UNC\\" + path.substr(2) : L"\\??\\" + path;
    if (create == nullptr || name.size() > 32000)
        return FileHandle();
    Text text{static_cast<USHORT>(name.size() * sizeof(wchar_t)), static_cast<USHORT>(name.size() * sizeof(wchar_t)),
              name.data()};
    Attributes attributes{sizeof attributes, nullptr, &text, kCaseInsensitive, nullptr, nullptr};
    StatusBlock status{};
    HANDLE item = nullptr;
    const LONG result = create(&item, access, &attributes, &status, nullptr, 0, kShareAll, kOpen,
                               kForBackup | kOpenReparsePoint, nullptr, 0);
    if (result < 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FileHandle();
    }
    return FileHandle(item);
}

// Where the open link (a junction or symbolic link) in folder points, as a
// full path; "" for any other kind of reparse point or a target that is no
// drive or network path (a volume's own name).
std::wstring LinkTarget(HANDLE link, const std::wstring &folder) {
    struct Header {
        ULONG tag;
        USHORT dataLength;
        USHORT reserved;
        USHORT substituteOffset;
        USHORT substituteLength;
        USHORT printOffset;
        USHORT printLength;
    };
    std::vector<unsigned char> data(16 * 1024);
    DWORD got = 0;
    if (!DeviceIoControl(link, FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(), static_cast<DWORD>(data.size()), &got,
                         nullptr) ||
        got < sizeof(Header))
        return L"";
    Header header;
    std::memcpy(&header, data.data(), sizeof header);
    size_t at = sizeof header;
    bool relative = false;
    if (header.tag == IO_REPARSE_TAG_SYMLINK) {
        ULONG flags = 0;
        if (got < at + sizeof flags)
            return L"";
        std::memcpy(&flags, data.data() + at, sizeof flags);
        at += sizeof flags;
        relative = (flags & 1) != 0; // SYMLINK_FLAG_RELATIVE
    } else if (header.tag != IO_REPARSE_TAG_MOUNT_POINT) {
        return L"";
    }
    at += header.substituteOffset;
    if (got < at + header.substituteLength)
        return L"";
    std::wstring target(header.substituteLength / sizeof(wchar_t), L'\0');
    std::memcpy(target.data(), data.data() + at, target.size() * sizeof(wchar_t));
    if (relative)
        return JoinPath(folder, target);
    if (target.rfind(L"\\??\\UNC\\", 0) == 0)
        return L"\\\\" + target.substr(8);
    if (target.rfind(L"\\??\\", 0) == 0 && target.size() >= 6 && target[5] == L':')
        return target.substr(4);
    return L"";
}

// The length of the path's root: "C:\", or a network path's server and share
// with the "\" after them; 0 when the path has no root.
size_t RootLength(const std::wstring &path) {
    const auto separator = [](wchar_t c) { return c == L'\\' || c == L'/'; };
    if (path.size() >= 3 && path[1] == L':' && separator(path[2]))
        return 3;
    if (path.size() >= 2 && separator(path[0]) && separator(path[1])) {
        const size_t server = path.find_first_of(L"\\/", 2);
        const size_t share = server == std::wstring::npos ? server : path.find_first_of(L"\\/", server + 1);
        return share == std::wstring::npos ? 0 : share + 1;
    }
    return 0;
}

// The folders ChosenFolder holds, as full paths without a trailing "\".
std::vector<std::wstring> &ChosenFolders() {
    static std::vector<std::wstring> folders;
    return folders;
}

std::wstring FullPath(const std::wstring &path) {
    const DWORD size = path.empty() ? 0 : GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    std::wstring full(size, L'\0');
    const DWORD length = size == 0 ? 0 : GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
    full.resize(length < size ? length : 0);
    return full;
}

// True when level (a full path) lies strictly above a folder ChosenFolder holds.
bool AboveChosen(const std::wstring &level) {
    for (const std::wstring &chosen : ChosenFolders())
        if (chosen.size() > level.size() && chosen[level.size()] == L'\\' &&
            _wcsnicmp(chosen.c_str(), level.c_str(), level.size()) == 0)
            return true;
    return false;
}

// The links one path may pass through before it is refused.
constexpr int kMostLinks = 8;

// The place folder really is, built from its root's final path level by
// level: a level that is a link is followed only when LinkFault finds it the
// system's, and then the place it points to goes on; levels that do not exist
// yet are taken as written (the caller makes them). "" when a level is a link
// to refuse or cannot be read, with one log line naming that level.
std::wstring RealFolder(const std::wstring &folder, int links = 0) {
    const std::wstring full = FullPath(folder);
    size_t at = RootLength(full);
    if (at == 0) {
        WriteLog("FolderHasNoLink " + AnsiText(folder) + " is no full path");
        return L"";
    }
    FileHandle root(CreateFileW(full.substr(0, at).c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    std::wstring real = root ? FinalPathOf(root.get()) : L"";
    if (real.empty()) {
        WriteLog("FolderHasNoLink cannot read " + AnsiText(full.substr(0, at)) + ": " +
                 ApiErrorText(static_cast<long>(GetLastError())));
        return L"";
    }
    while (at < full.size()) {
        size_t cut = full.find_first_of(L"\\/", at);
        if (cut == std::wstring::npos)
            cut = full.size();
        if (cut > at) {
            const std::wstring name = full.substr(at, cut - at);
            const std::string level = AnsiText(full.substr(0, cut));
            if (name.find_first_of(L"*?") != std::wstring::npos) {
                WriteLog("FolderHasNoLink " + level + " is no folder name");
                return L"";
            }
            WIN32_FIND_DATAW data;
            FindHandle find(FindFirstFileW(JoinPath(real, name).c_str(), &data));
            if (!find) {
                const DWORD error = GetLastError();
                // Nothing below a missing level exists either.
                if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
                    return JoinPath(real, full.substr(at));
                WriteLog("FolderHasNoLink cannot read " + level + ": " + ApiErrorText(static_cast<long>(error)));
                return L"";
            }
            const std::wstring here = JoinPath(real, data.cFileName);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
                // The owner and the target are read on the same open link.
                FileHandle link = OpenItself(here, READ_CONTROL | FILE_READ_ATTRIBUTES);
                const std::string fault = !link ? "it cannot be opened" : LinkFault(link.get());
                if (!fault.empty() && link && !FolderSecurityKept() && AboveChosen(full.substr(0, cut))) {
                    // The administrator's own choice, where no owner tells
                    // otherwise: followed to where it leads.
                    FileHandle opened(CreateFileW(here.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
                    real = opened ? FinalPathOf(opened.get()) : L"";
                    if (real.empty()) {
                        WriteLog("FolderHasNoLink cannot follow " + level);
                        return L"";
                    }
                    at = cut + 1;
                    continue;
                }
                if (!fault.empty()) {
                    WriteLog("FolderHasNoLink " + level + " is a link (" + fault + ")");
                    return L"";
                }
                const std::wstring target = LinkTarget(link.get(), real);
                if (target.empty() || links >= kMostLinks) {
                    WriteLog("FolderHasNoLink cannot follow " + level);
                    return L"";
                }
                real = RealFolder(target, links + 1);
                if (real.empty())
                    return L"";
            } else {
                real = here;
            }
        }
        at = cut + 1;
    }
    return real;
}

// The place path (a file or folder) really is: its folder's RealFolder and its
// own name; "" when the folder is refused or path names no item.
std::wstring RealPlace(const std::string &path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos || slash + 1 >= path.size()) {
        WriteLog("FolderHasNoLink " + path + " names no file");
        return L"";
    }
    const std::wstring folder = RealFolder(WideText(path.substr(0, slash + 1)));
    return folder.empty() ? L"" : JoinPath(folder, WideText(path.substr(slash + 1)));
}

// True when the item open lies at real; else false with a log line.
bool LiesAt(const char *caller, HANDLE item, const std::wstring &path, const std::wstring &real) {
    const std::wstring final = FinalPathOf(item);
    if (SamePath(final, real))
        return true;
    WriteLog(std::string(caller) + " " + AnsiText(path) + " leads to " + AnsiText(final));
    return false;
}

// Opens path without following a link at its last level; an empty handle
// (with a log line) when it does not open or what opened is not the item at
// real: a level was swapped for a link since it was checked.
FileHandle OpenAt(const char *caller, const std::wstring &path, const std::wstring &real, DWORD access, DWORD share,
                  DWORD disposition) {
    FileHandle item(CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!item) {
        WriteLog(std::string(caller) + " " + AnsiText(path) + ": " + ApiErrorText(static_cast<long>(GetLastError())));
        return item;
    }
    if (!LiesAt(caller, item.get(), path, real))
        item.reset();
    return item;
}

// Rights over a folder that let an account put a name into it.
constexpr ACCESS_MASK kFolderWriteRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | WRITE_DAC |
                                           WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

bool OthersMayWrite(const std::wstring &folder) {
    if (!FolderSecurityKept() || folder.empty())
        return true;
    FileHandle opened(CreateFileW(folder.c_str(), READ_CONTROL, kShareAll, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const OwnedSecurity security = opened ? SecurityOfObject(opened.get(), SE_FILE_OBJECT) : OwnedSecurity();
    return !WriteRightsFault(security.get(), kFolderWriteRights).empty();
}

// Why the open item is not to be read or written: it is a link, or a file
// with more than one name whose name at path lies in a folder others may
// write (whoever made the other name there chose what it holds). "" else.
std::string OpenedItemFault(HANDLE item, const std::wstring &path) {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(item, &info))
        return "its names cannot be counted";
    if (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return "it is a link";
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || info.nNumberOfLinks <= 1)
        return "";
    const size_t slash = path.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : path.substr(0, slash == 2 ? 3 : slash);
    return OthersMayWrite(folder) ? "it has more than one name, in a folder others may write" : "";
}

// OpenedItemFault of an open item, logged with the caller; true when sound.
bool SoundItem(const char *caller, HANDLE item, const std::wstring &path) {
    const std::string fault = OpenedItemFault(item, path);
    if (fault.empty())
        return true;
    WriteLog(std::string(caller) + " " + AnsiText(path) + " is not used: " + fault);
    return false;
}

// Deletes the item a handle has open (opened with DELETE) when it is closed.
bool DisposeOf(HANDLE item) {
    FILE_DISPOSITION_INFO dispose{TRUE};
    return LateSetFileInformationByHandle(item, FileDispositionInfo, &dispose, sizeof dispose) != FALSE;
}

// The item's attributes and times; false when they cannot be read.
bool BasicInfoOf(HANDLE item, FILE_BASIC_INFO &basic) {
    return LateGetFileInformationByHandleEx(item, FileBasicInfo, &basic, sizeof basic) != FALSE;
}

// True when the open item is a file, no link or folder (basic receives its
// attributes and times); else false, logged when it is a link or folder.
bool IsPlainFile(HANDLE item, const std::string &path, FILE_BASIC_INFO &basic) {
    if (!BasicInfoOf(item, basic))
        return false;
    if ((basic.FileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0)
        return true;
    WriteLog("CopyFileNoLink " + path + " is a link or folder");
    return false;
}

// Copies the bytes, the last write time and the attributes of one open file
// to another.
bool CopyOpenFile(HANDLE from, HANDLE to, const FILE_BASIC_INFO &basic) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(from, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr))
            return false;
        if (got == 0)
            break;
        DWORD written = 0;
        if (!WriteFile(to, buffer.data(), got, &written, nullptr) || written != got)
            return false;
    }
    if (!SetEndOfFile(to))
        return false;
    FILE_BASIC_INFO times{};
    times.LastWriteTime = basic.LastWriteTime;
    times.FileAttributes = basic.FileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                   FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE);
    if (times.FileAttributes == 0)
        times.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    return LateSetFileInformationByHandle(to, FileBasicInfo, &times, sizeof times) != FALSE;
}

// The rename through the native call: it takes the target's folder as a
// handle, so that only the checked folder can receive the item.
bool RenameInto(HANDLE item, HANDLE folder, const std::wstring &name) {
    using SetInformation = LONG(WINAPI *)(HANDLE, StatusBlock *, void *, ULONG, int);
    constexpr int kFileRenameInformation = 10;
    const auto set = NativeCall<SetInformation>("NtSetInformationFile");
    if (set == nullptr)
        return false;
    const size_t size = offsetof(FILE_RENAME_INFO, FileName) + (name.size() + 1) * sizeof(wchar_t);
    std::vector<char> buffer(size, 0);
    auto *rename = reinterpret_cast<FILE_RENAME_INFO *>(buffer.data());
    rename->ReplaceIfExists = FALSE;
    rename->RootDirectory = folder;
    rename->FileNameLength = static_cast<DWORD>(name.size() * sizeof(wchar_t));
    name.copy(rename->FileName, name.size());
    StatusBlock status{};
    const LONG result = set(item, &status, rename, static_cast<ULONG>(size), kFileRenameInformation);
    if (result < 0) {
        char text[16];
        std::snprintf(text, sizeof text, "%08lX", static_cast<unsigned long>(result));
        WriteLog(std::string("MoveFileNoLink status ") + text);
    }
    return result >= 0;
}

} // namespace

ChosenFolder::ChosenFolder(const std::string &folder) {
    std::wstring full = FullPath(WideText(folder));
    while (full.size() > 3 && full.back() == L'\\')
        full.pop_back();
    ChosenFolders().push_back(full);
}

ChosenFolder::~ChosenFolder() { ChosenFolders().pop_back(); }

bool OthersMayWriteFolder(const std::string &folder) { return OthersMayWrite(WideText(folder)); }

FileHandle OpenNoLink(const char *caller, const std::string &path, DWORD access, DWORD share, DWORD disposition) {
    const std::wstring wide = WideText(path);
    // The listing tells a link at the name where the open itself cannot.
    WIN32_FIND_DATAW data;
    FindHandle listed(wide.find_first_of(L"*?") == std::wstring::npos ? FindFirstFileW(wide.c_str(), &data)
                                                                         : INVALID_HANDLE_VALUE);
    if (listed && (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        WriteLog(std::string(caller) + " " + path + " is not used: it is a link");
        return FileHandle();
    }
    const auto open = [&](DWORD how) {
        return FileHandle(CreateFileW(wide.c_str(), access, share, nullptr, how,
                                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
    };
    // A new file is made only where no name is (a link whose target is
    // missing counts as a name), so that nothing is made through a link.
    FileHandle item = open(disposition == OPEN_ALWAYS ? CREATE_NEW : disposition);
    if (!item && disposition == OPEN_ALWAYS &&
        (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS))
        item = open(OPEN_EXISTING);
    if (!item) {
        WriteLog(std::string(caller) + " " + path + ": " + ApiErrorText(static_cast<long>(GetLastError())));
        return item;
    }
    if (!SoundItem(caller, item.get(), wide)) {
        item.reset();
        return item;
    }
    // Where a link to a file does not show as one (Wine), the place the file
    // really lies tells: it must be the name in the folder it was asked for.
    const size_t slash = wide.find_last_of(L"\\/");
    FileHandle folder(slash == std::wstring::npos
                          ? INVALID_HANDLE_VALUE
                          : CreateFileW(wide.substr(0, slash == 2 ? 3 : slash).c_str(), FILE_READ_ATTRIBUTES, kShareAll,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::wstring place = folder ? FinalPathOf(folder.get()) : L"";
    if (place.empty() || !LiesAt(caller, item.get(), wide, JoinPath(place, wide.substr(slash + 1))))
        item.reset();
    return item;
}

bool FolderHasNoLink(const std::string &folder) { return !RealFolder(WideText(folder)).empty(); }

bool DeleteFileNoLink(const std::string &path) {
    const std::wstring real = RealPlace(path);
    if (real.empty())
        return false;
    FileHandle item = OpenAt("DeleteFileNoLink", WideText(path), real,
                             DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES, kShareAll, OPEN_EXISTING);
    if (!item)
        return false;
    // The shell deleted read-only files too; the disposition needs the mark
    // off, and gets it back when the file stays.
    FILE_BASIC_INFO basic{};
    const bool readOnly = BasicInfoOf(item.get(), basic) && (basic.FileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    FILE_BASIC_INFO marks{};
    marks.FileAttributes = basic.FileAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
    if (marks.FileAttributes == 0)
        marks.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (readOnly)
        LateSetFileInformationByHandle(item.get(), FileBasicInfo, &marks, sizeof marks);
    if (DisposeOf(item.get()))
        return true;
    WriteLog("DeleteFileNoLink " + path + ": " + ApiErrorText(static_cast<long>(GetLastError())));
    marks.FileAttributes = basic.FileAttributes;
    if (readOnly)
        LateSetFileInformationByHandle(item.get(), FileBasicInfo, &marks, sizeof marks);
    return false;
}

bool MoveFileNoLink(const std::string &source, const std::string &target) {
    const std::wstring from = RealPlace(source);
    const std::wstring to = RealPlace(target);
    if (from.empty() || to.empty())
        return false;
    FileHandle item = OpenAt("MoveFileNoLink", WideText(source), from, DELETE | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                             kShareAll, OPEN_EXISTING);
    const size_t slash = to.find_last_of(L'\\');
    const std::wstring toFolder = to.substr(0, slash == 2 ? 3 : slash);
    FileHandle folder = item ? OpenAt("MoveFileNoLink", toFolder, toFolder,
                                      FILE_TRAVERSE | FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, OPEN_EXISTING)
                             : FileHandle();
    return folder && RenameInto(item.get(), folder.get(), to.substr(slash + 1));
}

bool CopyFileNoLink(const std::string &source, const std::string &target) {
    const std::wstring from = RealPlace(source);
    const std::wstring to = RealPlace(target);
    if (from.empty() || to.empty())
        return false;
    FileHandle in = OpenAt("CopyFileNoLink", WideText(source), from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    FILE_BASIC_INFO basic{};
    if (!in || !IsPlainFile(in.get(), source, basic) || !SoundItem("CopyFileNoLink", in.get(), from))
        return false;
    constexpr DWORD kAccess = GENERIC_WRITE | DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES;
    // A file there already is replaced, as the shell's copy replaced it.
    FileHandle out(CreateFileW(WideText(target).c_str(), kAccess, 0, nullptr, CREATE_NEW,
                               FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const bool made = static_cast<bool>(out);
    if (made && !LiesAt("CopyFileNoLink", out.get(), WideText(target), to)) {
        DisposeOf(out.get());
        return false;
    }
    if (!made)
        out = OpenAt("CopyFileNoLink", WideText(target), to, kAccess, 0, OPEN_EXISTING);
    FILE_BASIC_INFO there{};
    if (!out || !IsPlainFile(out.get(), target, there) || (!made && !SoundItem("CopyFileNoLink", out.get(), to)))
        return false;
    if (CopyOpenFile(in.get(), out.get(), basic))
        return true;
    WriteLog("CopyFileNoLink " + source + " to " + target + ": " + ApiErrorText(static_cast<long>(GetLastError())));
    if (made)
        DisposeOf(out.get());
    return false;
}

bool WriteBytesToFile(const std::string &path, const void *data, size_t size, DWORD &written) {
    written = 0;
    if (size > 0x7FFFFFFF)
        return false;
    FileHandle file = OpenNoLink("WriteStringToFile", path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    if (!file)
        return false;
    if (size > 0 && !WriteFile(file.get(), data, static_cast<DWORD>(size), &written, nullptr))
        return false;
    if (!SetEndOfFile(file.get()))
        return false;
    if (size > 0)
        FlushFileBuffers(file.get());
    return true;
}

long WriteStringToFile(const std::string &path, const std::string &text) {
    DWORD written = 0;
    return WriteBytesToFile(path, text.data(), text.size(), written) ? static_cast<long>(written) : 0;
}

namespace {

// Reads what the open file holds from its start; false when it cannot.
bool ReadOpenFile(HANDLE file, std::string &bytes) {
    bytes.clear();
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart < 0 || size.QuadPart > 0x7FFFFFFF)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr) || got == 0) {
            bytes.clear();
            return false;
        }
        done += got;
    }
    return true;
}

} // namespace

bool RewriteFileNoLink(const char *caller, const std::string &path, const std::function<bool(std::string &)> &edit) {
    FileHandle file = OpenNoLink(caller, path, GENERIC_READ | GENERIC_WRITE, 0, OPEN_ALWAYS);
    std::string bytes;
    if (!file || !ReadOpenFile(file.get(), bytes) || !edit(bytes) || bytes.size() > 0x7FFFFFFF)
        return false;
    DWORD written = 0;
    if (SetFilePointer(file.get(), 0, nullptr, FILE_BEGIN) != 0 ||
        (!bytes.empty() && (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                            written != bytes.size())) ||
        !SetEndOfFile(file.get())) {
        WriteLog(std::string(caller) + " " + path + ": " + ApiErrorText(static_cast<long>(GetLastError())));
        return false;
    }
    FlushFileBuffers(file.get());
    return true;
}

bool ReadFileBytes(const std::string &path, std::string &bytes) {
    bytes.clear();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && ReadOpenFile(file.get(), bytes);
}
