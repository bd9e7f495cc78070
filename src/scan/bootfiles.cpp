#include "scan/bootfiles.h"

#include "system/text.h"

#include <cstddef>

namespace {

constexpr auto npos = std::string::npos;

} // namespace

void AppendPrintableBcdText(std::string &text, const char *chunk, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        const auto c = static_cast<unsigned char>(chunk[i]);
        if (c >= 32 && c <= 127)
            text += static_cast<char>(c);
    }
}

std::string PrintableBcdText(const std::string &bytes) {
    std::string text;
    AppendPrintableBcdText(text, bytes.data(), bytes.size());
    return text;
}

std::string FindBcdWindowsFolder(const std::string &text) {
    static const std::string kLoader = "\\system32\\winload.exe";
    constexpr std::size_t kBefore = 12; // characters looked at before the loader path
    constexpr std::size_t kWindow = 34; // characters tested for "Element" from there
    const std::string lower = LowerText(text);
    for (std::size_t q = lower.find(kLoader); q != npos; q = lower.find(kLoader, q + 1)) {
        // A match without twelve characters before it, next to an "Element"
        // name, or without a "\" in front of a folder name is not the one.
        if (q < kBefore)
            continue;
        const std::size_t start = q - kBefore;
        if (lower.substr(start, kWindow).find("element") != npos)
            continue;
        const std::size_t slash = text.find('\\', start);
        if (slash >= q)
            continue;
        return text.substr(slash + 1, q - slash - 1);
    }
    return std::string();
}

std::string BcdWindowsFolder(const std::string &bytes) { return FindBcdWindowsFolder(PrintableBcdText(bytes)); }

std::string BootIniWindowsFolder(const std::string &defaultLine) {
    const std::size_t close = defaultLine.rfind(')');
    const std::size_t from = close == npos ? 1 : close + 2;
    if (from > defaultLine.size())
        return std::string();
    return defaultLine.substr(from);
}
