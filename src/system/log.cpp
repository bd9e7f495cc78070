#include "system/log.h"

#include <windows.h>

#include <cstdio>

#include "system/handles.h"
#include "system/text.h"

std::string &LogFolder() {
    static std::string folder;
    return folder;
}

bool WriteLog(const std::string &text) {
    if (LogFolder().empty())
        return false;
    const std::string line = text + "\r\n";
    const std::string file = LogFolder() + "\\Quillmara.log";
    WIN32_FILE_ATTRIBUTE_DATA attrs{};
    if (!GetFileAttributesExA(file.c_str(), GetFileExInfoStandard, &attrs) ||
        (attrs.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    FileHandle h(CreateFileA(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h)
        return false;
    LARGE_INTEGER end{};
    if (!SetFilePointerEx(h.get(), end, nullptr, FILE_END))
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(h.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) != 0;
    FlushFileBuffers(h.get());
    return ok;
}

std::string ApiErrorText(long code) {
    char buffer[256] = {};
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    if (n == 0)
        return "<no such error>";
    std::string text = TrimBlanks(std::string(buffer, n));
    if (text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0)
        text.resize(text.size() - 2);
    text = TrimBlanks(text);
    char head[48];
    std::snprintf(head, sizeof head, "%ld&H%lX: ", code, static_cast<unsigned long>(static_cast<DWORD>(code)));
    return head + text;
}
