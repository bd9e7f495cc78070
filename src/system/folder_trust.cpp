#include "system/folder_trust.h"

#include <cstdio>
#include <memory>
#include <vector>

#include "system/codepage.h"
#include "system/files.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/platform.h"
#include "system/text.h"

namespace {

constexpr const char *kLinkFault = "it is a link or junction";

bool Exists(const std::string &path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Enables the backup, restore and take-ownership privileges of the process
// for the object's life and puts back what was there before.
class OwnershipPrivileges {
  public:
    OwnershipPrivileges() {
        HANDLE raw = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw))
            return;
        token_.reset(raw);
        struct {
            DWORD count = 3;
            LUID_AND_ATTRIBUTES entries[3];
        } wanted;
        const char *names[] = {"SeBackupPrivilege", "SeRestorePrivilege", "SeTakeOwnershipPrivilege"};
        for (int i = 0; i < 3; ++i) {
            wanted.entries[i] = {{}, SE_PRIVILEGE_ENABLED};
            LookupPrivilegeValueA(nullptr, names[i], &wanted.entries[i].Luid);
        }
        DWORD size = sizeof previous_;
        adjusted_ = AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES *>(&wanted),
                                          sizeof previous_, reinterpret_cast<TOKEN_PRIVILEGES *>(&previous_),
                                          &size) != FALSE;
    }
    ~OwnershipPrivileges() {
        if (adjusted_)
            AdjustTokenPrivileges(token_.get(), FALSE, reinterpret_cast<TOKEN_PRIVILEGES *>(&previous_), 0, nullptr,
                                  nullptr);
    }
    OwnershipPrivileges(const OwnershipPrivileges &) = delete;
    OwnershipPrivileges &operator=(const OwnershipPrivileges &) = delete;

  private:
    KernelHandle token_;
    struct {
        DWORD count = 0;
        LUID_AND_ATTRIBUTES entries[3];
    } previous_{};
    bool adjusted_ = false;
};

// Gives the file or folder at path (never a link) kDataFolderSecurity: owner
// Administrators and the protected DACL, set on the object opened, so that
// nothing swapped in after a check is changed. Needs OwnershipPrivileges.
bool SecureItem(const std::wstring &path) {
    FileHandle item(CreateFileW(path.c_str(), READ_CONTROL | WRITE_DAC | WRITE_OWNER | FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!item || !GetFileInformationByHandle(item.get(), &info))
        return false;
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        SetLastError(ERROR_REPARSE_TAG_INVALID);
        return false;
    }
    const DWORD rc = GiveProtectedSecurity(item.get(), SE_FILE_OBJECT, DescriptorFromText(kDataFolderSecurity));
    SetLastError(rc);
    return rc == ERROR_SUCCESS;
}

// Secures folder and everything in it (a sound folder of the program's that
// an earlier version made readable by others; no one else may write there).
// False, with the first failing path and its error in failed, when anything
// failed. Each item is reached by its own name, never by what the code page
// makes of it; links are left as they are.
bool SecureTree(const std::wstring &folder, std::string &failed) {
    if (!SecureItem(folder)) {
        failed = AnsiText(folder) + ": " + ApiErrorText(static_cast<long>(GetLastError()));
        return false;
    }
    bool ok = true;
    for (const FolderEntry &item : ListFolder(folder + L"\\")) {
        if (item.wide == L"." || item.wide == L".." || item.link)
            continue;
        const std::wstring path = folder + L"\\" + item.wide;
        const bool done = item.folder ? SecureTree(path, failed) : SecureItem(path);
        if (!done && failed.empty())
            failed = AnsiText(path) + ": " + ApiErrorText(static_cast<long>(GetLastError()));
        ok = ok && done;
    }
    return ok;
}

// A number from the clock, in 16 hexadecimal digits, plus n.
std::string ClockNumber(DWORD n) {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    char number[24];
    std::snprintf(number, sizeof number, "%08lX%08lX", static_cast<unsigned long>(now.dwHighDateTime),
                  static_cast<unsigned long>(now.dwLowDateTime + n));
    return number;
}

// A name for a refused folder to be moved aside to: folder & ".untrusted", then
// with the numbers 2 to 99, then (names planted ahead being no reason to keep
// a refused folder) with a number from the clock. "" when none is free.
std::string AsideName(const std::string &folder) {
    for (int n = 1; n < 100; ++n) {
        const std::string candidate = folder + ".untrusted" + (n > 1 ? std::to_string(n) : "");
        if (!Exists(candidate))
            return candidate;
    }
    for (DWORD n = 0; n < 100; ++n) {
        const std::string candidate = folder + ".untrusted" + ClockNumber(n);
        if (!Exists(candidate))
            return candidate;
    }
    return "";
}

} // namespace

std::string DataFolderFault(const std::string &folder) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
        return kLinkFault;
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return "it is no folder";
    return FolderSecurityKept() ? PathSecurityFault(folder) : "";
}

std::vector<std::string> FoldersHolding(const std::string &path) {
    // The index of the root's last "\": "X:\", or a share's "\\server\share\".
    size_t root = std::string::npos;
    if (path.size() >= 3 && path[1] == ':' && path[2] == '\\') {
        root = 2;
    } else if (path.compare(0, 2, "\\\\") == 0) {
        const size_t server = path.find('\\', 2);
        root = server == std::string::npos ? server : path.find('\\', server + 1);
    }
    std::vector<std::string> levels;
    if (root == std::string::npos)
        return levels;
    for (size_t slash = path.find_last_of('\\'); slash != std::string::npos && slash > root;
         slash = path.find_last_of('\\', slash - 1))
        levels.push_back(path.substr(0, slash));
    levels.push_back(path.substr(0, root + 1));
    return levels;
}

std::string ElevatedFileFault(const std::string &path) {
    if (!FolderSecurityKept())
        return "";
    const std::vector<std::string> levels = FoldersHolding(path);
    for (size_t i = 0; i <= levels.size(); ++i) {
        // The file and its own folder as a data folder is judged; each level
        // above for what could replace the one below it.
        const std::string &level = i == 0 ? path : levels[i - 1];
        std::string fault;
        if (i <= 1) {
            fault = PathSecurityFault(level);
        } else {
            const OwnedSecurity descriptor = SecurityOfPath(level);
            fault = descriptor ? LevelAboveFault(descriptor.get())
                               : "its security cannot be read: " + ApiErrorText(static_cast<long>(GetLastError()));
        }
        if (!fault.empty())
            return level + ": " + fault;
    }
    return "";
}

std::string ProgramFileFault(const std::string &exePath) { return ElevatedFileFault(exePath); }

bool MakeProtectedFolder(const std::string &folder) {
    // Only a folder owned by Administrators is one the next start trusts: an
    // account that may not name them as owner (no administrator) makes none.
    const DescriptorFromText sd(kDataFolderSecurity);
    SECURITY_ATTRIBUTES sa{sizeof sa, sd.get(), FALSE};
    if (sd.get() != nullptr && CreateDirectoryA(folder.c_str(), &sa))
        return true;
    WriteLog("MakeProtectedFolder " + folder + ": " + ApiErrorText(static_cast<long>(GetLastError())));
    return false;
}

std::string FreshDataFolderName(const std::string &folder, DWORD n) { return folder + "." + ClockNumber(n); }

bool IsFreshDataFolderName(const std::string &path, const std::string &folder) {
    if (folder.empty() || path.size() != folder.size() + 17 || !SameFolder(path.substr(0, folder.size()), folder) ||
        path[folder.size()] != '.')
        return false;
    return path.find_first_not_of("0123456789ABCDEF", folder.size() + 1) == std::string::npos;
}

std::string MakeFreshDataFolder(const std::string &folder) {
    const DescriptorFromText sd(kDataFolderSecurity);
    SECURITY_ATTRIBUTES sa{sizeof sa, sd.get(), FALSE};
    for (DWORD n = 0; sd.get() != nullptr && n < 100; ++n) {
        // Made here with its security, or not at all: a name someone made
        // ahead is passed over, never taken.
        const std::string candidate = FreshDataFolderName(folder, n);
        if (CreateDirectoryA(candidate.c_str(), &sa))
            return candidate;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    WriteLog("MakeFreshDataFolder beside " + folder + ": " + ApiErrorText(static_cast<long>(GetLastError())));
    return "";
}

bool RemoveLinkItself(const std::wstring &path, bool folder) {
    if (!Platform().linksRemovable) {
        SetLastError(ERROR_NOT_SUPPORTED);
        return false;
    }
    return (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) != FALSE;
}

bool RemoveLinkItself(const std::string &path, bool folder) { return RemoveLinkItself(WideText(path), folder); }

bool SettleDataFolder(const std::string &folder, std::string &note, std::string *fresh) {
    note.clear();
    if (fresh != nullptr)
        fresh->clear();
    if (!Exists(folder))
        return MakeProtectedFolder(folder);
    const std::string fault = DataFolderFault(folder);
    // Whoever made a refused folder that cannot be set aside may hold it open,
    // hold handles into it that keep their access whatever it is given now,
    // or have put links in it: it is left exactly as it is, and where fresh is
    // given a new folder is made beside it instead.
    auto leftAsItIs = [&](const std::string &what) {
        note = "SettleDataFolder cannot use " + folder + " (" + fault + ") nor " + what + "; it is left as it is";
        if (fresh == nullptr)
            return false;
        *fresh = MakeFreshDataFolder(folder);
        note += fresh->empty() ? " and no fresh folder can be made beside it" : ", and " + *fresh + " is used instead";
        return !fresh->empty();
    };
    if (fault.empty()) {
        const OwnedSecurity descriptor = FolderSecurityKept() ? SecurityOfPath(folder) : nullptr;
        if (descriptor && FolderOpenToOthers(descriptor.get())) {
            const OwnershipPrivileges held;
            std::string failed;
            note = SecureTree(WideText(folder), failed)
                       ? "SettleDataFolder made " + folder + " readable by Administrators and SYSTEM only"
                       : "SettleDataFolder cannot make " + folder + " readable by Administrators and SYSTEM only (" +
                             failed + ")";
        }
        return true;
    }
    if (fault == kLinkFault) {
        // Renaming a linked folder under Wine would move what it leads to.
        const DWORD attributes = GetFileAttributesA(folder.c_str());
        const bool gone = RemoveLinkItself(folder, (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
        if (!gone)
            return leftAsItIs("take the link away: " + ApiErrorText(static_cast<long>(GetLastError())));
        const bool made = MakeProtectedFolder(folder);
        note = "SettleDataFolder took the link " + folder + " away (" + fault + ")" +
               (made ? " and made a fresh folder" : " but cannot make a fresh folder");
        return made;
    }
    const std::string aside = AsideName(folder);
    if (aside.empty() || !MoveFileExA(folder.c_str(), aside.c_str(), 0)) {
        const std::string why =
            aside.empty() ? std::string("no free name") : ApiErrorText(static_cast<long>(GetLastError()));
        return leftAsItIs("move it aside (" + why + ")");
    }
    const bool made = MakeProtectedFolder(folder);
    note = "SettleDataFolder moved " + folder + " aside to " + aside + " (" + fault + ")" +
           (made ? " and made a fresh one" : " but cannot make a fresh one");
    return made;
}

namespace {

std::string &FolderInUse() {
    static std::string folder;
    return folder;
}

} // namespace

void UseDataFolder(const std::string &folder) { FolderInUse() = folder; }

std::string DefaultDataFolder() { return FolderInUse().empty() ? FirstDataFolder() : FolderInUse(); }

std::string FirstDataFolder() {
    std::string base = GetSpecialFolder(kCsidlCommonAppData);
    if (base.empty())
        base = GetSpecialFolder(kCsidlAppData);
    return base.empty() ? "" : base + "\\Quillmara";
}

bool SameFolder(const std::string &a, const std::string &b) {
    auto key = [](std::string text) {
        while (!text.empty() && text.back() == '\\')
            text.pop_back();
        return LowerText(text);
    };
    return key(a) == key(b);
}
