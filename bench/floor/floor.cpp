#include "floor.h"

#include <windows.h>

#include <set>

namespace {

std::string Lower(std::string text) {
    for (char &c : text)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

std::string ParentPath(const std::string &path) {
    const auto slash = path.rfind('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

// A name whose attributes answer the same as a directory search for it: a
// full path ("X:\...") without wildcards whose last part is a plain name.
bool AttributesAnswer(const std::string &path) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\')
        return false;
    if (path.find_first_of("*?<>\"", 0) != std::string::npos || path.find(':', 2) != std::string::npos)
        return false;
    const char last = path.back();
    return last != '\\' && last != '/' && last != '.' && last != ' ';
}

} // namespace

FloorPlan MakeScanFloor(const ApiRecord &record) {
    FloorPlan plan;
    std::set<KeyName> listedParents;
    for (const auto &[name, use] : record.opened) {
        if (name.path.empty())
            continue; // a root is open without being opened
        plan.keys.emplace_back(name, use);
        if (use.listedSubKeys)
            listedParents.insert(name);
    }
    for (const auto &[name, tries] : record.missing) {
        const KeyName parent{name.root, ParentPath(name.path)};
        if (listedParents.count(parent) || record.missing.count(parent))
            continue; // its parent's listing, or its missing parent, tells already
        plan.missing.push_back(name);
    }
    plan.folders.assign(record.listedFolders.begin(), record.listedFolders.end());
    plan.files.assign(record.probedFiles.begin(), record.probedFiles.end());
    return plan;
}

void RunScanFloor(const FloorPlan &plan) {
    static std::vector<char> name(32768), data(1 << 20);
    for (const auto &[key, use] : plan.keys) {
        HKEY h = nullptr;
        if (RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS)
            continue;
        if (use.listedSubKeys) {
            for (DWORD i = 0;; ++i) {
                DWORD length = static_cast<DWORD>(name.size());
                if (RegEnumKeyExA(h, i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                    break;
            }
        }
        if (use.listedValues) {
            for (DWORD i = 0;; ++i) {
                DWORD length = static_cast<DWORD>(name.size()), size = static_cast<DWORD>(data.size()), type = 0;
                if (RegEnumValueA(h, i, name.data(), &length, nullptr, &type, reinterpret_cast<BYTE *>(data.data()),
                                  &size) != ERROR_SUCCESS)
                    break;
            }
        } else {
            for (const std::string &value : use.values) {
                DWORD size = static_cast<DWORD>(data.size()), type = 0;
                RegQueryValueExA(h, value.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(data.data()), &size);
            }
        }
        RegCloseKey(h);
    }
    for (const KeyName &key : plan.missing) {
        HKEY h = nullptr;
        if (RegOpenKeyExA(key.root, key.path.c_str(), 0, KEY_READ, &h) == ERROR_SUCCESS)
            RegCloseKey(h);
    }
    WIN32_FIND_DATAA found;
    for (const std::string &folder : plan.folders) {
        HANDLE find = FindFirstFileA(folder.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE)
            continue;
        while (FindNextFileA(find, &found)) {
        }
        FindClose(find);
    }
    for (const std::string &file : plan.files) {
        if (AttributesAnswer(file)) {
            GetFileAttributesA(file.c_str());
            continue;
        }
        HANDLE find = FindFirstFileA(file.c_str(), &found);
        if (find != INVALID_HANDLE_VALUE)
            FindClose(find);
    }
}

std::vector<std::string> VersionFloorFiles(const std::vector<ScanLocation> &locations) {
    std::set<std::string> seen;
    std::vector<std::string> files;
    for (size_t n = 1; n < locations.size(); ++n)
        for (size_t j = 1; j < locations[n].Entries.size(); ++j) {
            const StartupEntry &e = locations[n].Entries[j];
            if (e.HasFile && seen.insert(Lower(e.ImagePath)).second)
                files.push_back(e.ImagePath);
        }
    return files;
}

void RunVersionFloor(const std::vector<std::string> &files) {
    static const char *const kFields[8] = {"CompanyName",    "FileDescription",  "FileVersion", "InternalName",
                                           "LegalCopyright", "OriginalFilename", "ProductName", "ProductVersion"};
    std::vector<char> buffer;
    for (const std::string &file : files) {
        DWORD dummy = 0;
        const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &dummy);
        if (size == 0)
            continue;
        buffer.resize(size);
        if (!GetFileVersionInfoA(file.c_str(), 0, size, buffer.data()))
            continue;
        void *block = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(buffer.data(), "\\VarFileInfo\\Translation", &block, &length) || length < 4)
            continue;
        const auto *words = static_cast<const WORD *>(block);
        char key[64];
        for (const char *field : kFields) {
            wsprintfA(key, "\\StringFileInfo\\%04X%04X\\%s", words[0], words[1], field);
            void *text = nullptr;
            VerQueryValueA(buffer.data(), key, &text, &length);
        }
    }
}
