#include "system/file_lookup.h"

#include "system/handles.h"

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

FileLookup LookUpFile(const std::string &name) {
    if (name.empty())
        return FileLookup{};
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
