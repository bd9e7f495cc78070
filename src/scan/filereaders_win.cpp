#include "scan/filereaders_win.h"

#include <windows.h>

#include "scan/filereaders.h"
#include "system/codepage.h"
#include "system/handles.h"
#include "system/log.h"
#include "system/platform.h"

namespace {

bool FileSizeOf(const std::string &path, ULONGLONG &size) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    size = static_cast<ULONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
    return true;
}

} // namespace

bool ReadStartupFile(const std::string &path, std::vector<unsigned char> &bytes, const std::string &logTag) {
    bytes.clear();
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DoEvents();
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size)) {
        WriteLog(logTag + path + ": " + ApiErrorText(static_cast<long>(GetLastError())));
        return false;
    }
    if (static_cast<ULONGLONG>(size.QuadPart) > kMaxStartupFileSize) {
        WriteLog(logTag + path + ": larger than 1 MiB, not read");
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    std::size_t total = 0;
    while (total < bytes.size()) {
        DWORD got = 0;
        if (!ReadFile(file.get(), bytes.data() + total, static_cast<DWORD>(bytes.size() - total), &got, nullptr)) {
            WriteLog(logTag + path + ": " + ApiErrorText(static_cast<long>(GetLastError())));
            bytes.clear();
            return false;
        }
        if (got == 0)
            break; // the file shrank since its size was taken
        total += got;
    }
    bytes.resize(total);
    return true;
}

std::string LnkTarget(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (!ReadStartupFile(path, bytes, "LnkTarget "))
        return "";
    // Long names and the strings of a Unicode link come in the program's code page.
    return LnkTarget(ByteView(bytes), static_cast<std::string (*)(const std::u16string &)>(AnsiText));
}

std::string MSTarget(const std::string &path, const std::string &driveRoot) {
    std::vector<unsigned char> bytes;
    if (!ReadStartupFile(path, bytes, "MSTarget "))
        return "";
    return MSTarget(ByteView(bytes), driveRoot);
}

std::string UrlTarget(const std::string &path) {
    ULONGLONG size = 0;
    if (!FileSizeOf(path, size) || size > kMaxStartupFileSize)
        return "";
    DoEvents();
    // A URL is read whole: the buffer grows while the text fills it.
    for (DWORD capacity = 260;; capacity *= 2) {
        std::string buffer(capacity, '\0');
        const DWORD count =
            GetPrivateProfileStringA("InternetShortcut", "URL", "", buffer.data(), capacity, path.c_str());
        if (count + 1 < capacity || capacity >= kMaxStartupFileSize) {
            buffer.resize(count);
            return buffer;
        }
    }
}

std::string TaskTarget(const std::string &path) {
    std::vector<unsigned char> bytes;
    if (!ReadStartupFile(path, bytes, "TaskTarget "))
        return "";
    std::string problem;
    std::string target = TaskTarget(ByteView(bytes), &problem);
    if (!problem.empty())
        WriteLog("TaskTarget " + path + ": " + problem);
    return target;
}
