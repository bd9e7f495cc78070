#include "system/files.h"

#include <shlobj.h>
#include <shellapi.h>
#include <commdlg.h>

#include <cstddef>
#include <cstdio>
#include <vector>

#include "system/codepage.h"
#include "system/file_lookup.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/text.h"

// Folder of the program's own file, without a trailing "\".
std::string ProgramFolder() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0)
            return "";
        if (n < buffer.size()) {
            std::string path(buffer.data(), n);
            const auto slash = path.find_last_of('\\');
            return slash == std::string::npos ? "" : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

namespace {

std::string CurrentFolder() {
    const DWORD n = GetCurrentDirectoryA(0, nullptr);
    if (n == 0)
        return "";
    std::string folder(n, '\0');
    const DWORD length = GetCurrentDirectoryA(n, folder.data());
    return length < n ? folder.substr(0, length) : "";
}

// The name the save dialog offers.
constexpr const char *kListFileName = "Quillmara.txt";

// Room for any path the ANSI dialogs return.
constexpr size_t kDialogBuffer = 1024;

enum class DialogKind { Save, Open };

// The name box starts with defaultName (a name only, so that the dialog opens
// in the current folder).
bool ShowFileDialog(DialogKind kind, const std::string &title, const std::string &pattern,
                    const std::string &description, const std::string &defaultName, std::string &chosen) {
    std::string filter = description + " (" + pattern + ")";
    filter += '\0';
    filter += pattern;
    filter += '\0';
    filter += '\0';
    std::vector<char> file(kDialogBuffer, '\0');
    defaultName.copy(file.data(), file.size() - 1);
    std::vector<char> fileTitle(kDialogBuffer, '\0');
    const std::string initialFolder = CurrentFolder();

    OPENFILENAMEA ofn{};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = GetActiveWindow();
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 0;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrFileTitle = fileTitle.data();
    ofn.nMaxFileTitle = static_cast<DWORD>(fileTitle.size());
    ofn.lpstrInitialDir = initialFolder.c_str();
    ofn.lpstrTitle = title.c_str();
    ofn.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN;
    ofn.lpstrDefExt = kind == DialogKind::Save ? "txt" : "dat";

    const BOOL ok = kind == DialogKind::Save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!ok) {
        const DWORD error = GetLastError();
        WriteLog((kind == DialogKind::Save ? "ShowSave " : "ShowOpen ") + ApiErrorText(static_cast<long>(error)));
        return false;
    }
    chosen = CutAtNull(std::string(file.data(), file.size()));
    return true;
}

int CALLBACK SelectInitialFolder(HWND dialog, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0)
        SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

} // namespace

bool FileExists(const std::string &path) {
    const std::string text = LowerText(TrimBlanks(path));
    return !text.empty() && LookUpFile(text).found;
}

bool FolderExists(const std::string &folder) {
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((folder + "*").c_str(), &data));
    return static_cast<bool>(find);
}

std::vector<FolderEntry> ListFolder(const std::wstring &folder) {
    std::vector<FolderEntry> items;
    if (folder.empty())
        return items;
    WIN32_FIND_DATAW data;
    FindHandle find(FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find)
        return items;
    do {
        std::wstring wide(data.cFileName);
        items.push_back({AnsiText(wide), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
                         (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0, std::move(wide)});
    } while (FindNextFileW(find.get(), &data));
    return items;
}

std::vector<FolderEntry> ListFolder(const std::string &folder) { return ListFolder(WideText(folder)); }

std::vector<std::string> ListFolderFiles(const std::string &folder) {
    std::vector<std::string> names;
    for (FolderEntry &item : ListFolder(folder)) {
        if (item.folder)
            continue;
        if (NameActsExactly(item.wide, NameUse::File))
            names.push_back(std::move(item.name));
        else
            WriteLog("ListFolderFiles " + folder + item.name + " cannot be named exactly");
    }
    return names;
}

bool FolderHasItems(const std::string &folder) {
    for (const FolderEntry &item : ListFolder(folder))
        if (item.name != "." && item.name != "..")
            return true;
    return false;
}

std::string GetSpecialFolder(int csidl) {
    char buffer[MAX_PATH + 1] = {};
    const HRESULT hr = SHGetFolderPathA(nullptr, csidl, reinterpret_cast<HANDLE>(-1), SHGFP_TYPE_CURRENT, buffer);
    if (hr != S_OK)
        return "";
    return CutAtNull(std::string(buffer, sizeof buffer));
}

bool MakeDirectory(const std::string &path) {
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.lpSecurityDescriptor = nullptr;
    sa.bInheritHandle = FALSE;
    if (CreateDirectoryA(path.c_str(), &sa))
        return true;
    const DWORD error = GetLastError();
    // Something of that name exists: only a folder will do.
    if (error == ERROR_ALREADY_EXISTS) {
        const DWORD attrs = GetFileAttributesA(path.c_str());
        if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_DIRECTORY))
            return true;
    }
    WriteLog("MakeDirectory = " + ApiErrorText(static_cast<long>(error)));
    return false;
}


bool WriteResToFile(const std::string &path, int number) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(number), "CUSTOM");
    if (info == nullptr)
        return false;
    const HGLOBAL loaded = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const void *bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr && size > 0)
        return false;
    DWORD written = 0;
    return WriteBytesToFile(path, bytes, size, written) && written == size;
}

bool ShowSave(const std::string &title, const std::string &pattern, const std::string &description,
              std::string &chosen) {
    return ShowFileDialog(DialogKind::Save, title, pattern, description, kListFileName, chosen);
}

bool ShowOpen(const std::string &title, const std::string &pattern, const std::string &description,
              std::string &chosen) {
    return ShowFileDialog(DialogKind::Open, title, pattern, description, "", chosen);
}

std::string SaveFileName(const std::string &pattern, const std::string &description) {
    std::string chosen;
    if (!ShowSave("Save File", pattern, description, chosen))
        return "";
    return TrimBlanks(chosen);
}

std::string OpenDataFile(std::string &name) {
    std::string chosen;
    if (!ShowFileDialog(DialogKind::Open, "Open File", "*.dat", "Data File", name, chosen)) {
        name.clear();
        return "";
    }
    name = chosen;
    return TrimBlanks(chosen);
}

std::string BrowseFolder(HWND owner, const std::string &initialFolder) {
    // The callback reads the initial folder from memory of its own.
    char *initial = static_cast<char *>(LocalAlloc(LPTR, initialFolder.size() + 1));
    if (initial != nullptr)
        initialFolder.copy(initial, initialFolder.size());

    BROWSEINFOA info{};
    info.hwndOwner = owner;
    info.pidlRoot = nullptr;
    info.pszDisplayName = nullptr;
    info.lpszTitle = "Select folder for Registry Backup files. This location cannot be on read-only media.";
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    info.lpfn = SelectInitialFolder;
    info.lParam = reinterpret_cast<LPARAM>(initial);

    std::string folder;
    if (PIDLIST_ABSOLUTE list = SHBrowseForFolderA(&info)) {
        char buffer[MAX_PATH + 1] = {};
        if (SHGetPathFromIDListA(list, buffer))
            folder = CutAtNull(std::string(buffer, sizeof buffer));
        CoTaskMemFree(list);
    }
    if (initial != nullptr)
        LocalFree(initial);
    return folder;
}

bool FileOp(const std::string &source, const std::string &target, unsigned operation, unsigned extra) {
    // Each name is a list ended by an empty name: two NULs after it.
    const std::string from = source + std::string(2, '\0');
    const std::string to = target + std::string(2, '\0');
    SHFILEOPSTRUCTA op{};
    op.hwnd = GetDesktopWindow();
    op.wFunc = operation;
    op.pFrom = from.c_str();
    op.pTo = to.c_str();
    op.fFlags = static_cast<FILEOP_FLAGS>((kFileOpFlags + extra) & 0xFFFF);
    op.lpszProgressTitle = nullptr;
    const int result = SHFileOperationA(&op);
    if (result == 0 && !op.fAnyOperationsAborted)
        return true;
    // The shell returns its own code (often one the system has no text for)
    // and leaves the last error alone.
    const long code = result != 0 ? result : ERROR_CANCELLED;
    std::string text = ApiErrorText(code);
    if (text.find("&H") == std::string::npos) {
        char head[32];
        std::snprintf(head, sizeof head, "%ld&H%lX: ", code, static_cast<unsigned long>(code));
        text = head + text;
    }
    WriteLog("FileOp " + text);
    return false;
}

bool ShowFileProperties(const std::string &path, HWND owner) {
    if (path.empty())
        return false;
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_INVOKEIDLIST | SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    info.hwnd = owner;
    info.lpVerb = "properties";
    info.lpFile = path.c_str();
    info.lpParameters = "";
    info.lpDirectory = "";
    info.nShow = SW_HIDE;
    const BOOL ok = ShellExecuteExA(&info);
    if (info.hProcess != nullptr)
        CloseHandle(info.hProcess);
    return ok && reinterpret_cast<INT_PTR>(info.hInstApp) >= 32;
}
