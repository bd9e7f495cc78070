#include "system/codepage.h"

#include <windows.h>

namespace {

std::string AnsiOf(const wchar_t *wide, std::size_t length) {
    if (length == 0)
        return std::string();
    const int count = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_ACP, 0, wide, count, nullptr, 0, nullptr, nullptr);
    if (n <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide, count, text.data(), n, nullptr, nullptr);
    return text;
}

} // namespace

std::wstring WideText(const std::string &text) {
    if (text.empty())
        return std::wstring();
    const int count = static_cast<int>(text.size());
    const int n = MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0);
    if (n <= 0)
        return std::wstring();
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), count, wide.data(), n);
    return wide;
}

std::string AnsiText(const std::wstring &text) { return AnsiOf(text.data(), text.size()); }

std::string AnsiText(const std::u16string &text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wide characters");
    return AnsiOf(reinterpret_cast<const wchar_t *>(text.data()), text.size());
}

bool NameActsExactly(const std::wstring &held, NameUse use) {
    const std::string ansi = AnsiText(held);
    if (WideText(ansi) != held || ansi.find('\0') != std::string::npos)
        return false;
    switch (use) {
    case NameUse::Value:
        return true;
    case NameUse::SubKey:
        return !ansi.empty() && ansi.find('\\') == std::string::npos;
    case NameUse::File:
        return !ansi.empty() && ansi != "." && ansi != ".." && ansi.find_first_of("\\/:") == std::string::npos;
    }
    return false;
}
