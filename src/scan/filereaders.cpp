#include "scan/filereaders.h"

#include <algorithm>
#include <cstdint>

namespace {

// Shell link layout: the fixed header, its flags, and the link-information
// block's header fields.
constexpr std::size_t kLinkHeaderSize = 0x4C;
constexpr std::size_t kLinkFlagsOffset = 20;
constexpr std::uint32_t kHasLinkTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::size_t kLinkInfoMinHeader = 0x1C;
constexpr std::size_t kLinkInfoFlagsOffset = 8;
constexpr std::size_t kLocalBasePathOffsetField = 16;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;

bool ReadU16(ByteView data, std::size_t at, std::uint32_t &value) {
    if (at > data.size() || data.size() - at < 2)
        return false;
    value = static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8;
    return true;
}

bool ReadU32(ByteView data, std::size_t at, std::uint32_t &value) {
    if (at > data.size() || data.size() - at < 4)
        return false;
    value = static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
            static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
    return true;
}

// The text up to three characters after its first "." (fewer when it ends
// sooner); "" when it holds no ".".
std::string CutAfterExtension(const std::string &text) {
    const auto dot = text.find('.');
    if (dot == std::string::npos)
        return "";
    return text.substr(0, dot + 4);
}

} // namespace

std::string LnkTarget(ByteView link) {
    std::uint32_t headerSize = 0;
    std::uint32_t flags = 0;
    if (!ReadU32(link, 0, headerSize) || headerSize != kLinkHeaderSize || link.size() < kLinkHeaderSize ||
        !ReadU32(link, kLinkFlagsOffset, flags) || (flags & kHasLinkInfo) == 0)
        return "";

    std::size_t info = kLinkHeaderSize;
    if (flags & kHasLinkTargetIdList) {
        std::uint32_t idListSize = 0;
        if (!ReadU16(link, info, idListSize))
            return "";
        info += 2 + std::size_t{idListSize};
    }

    // The block must lie inside the data, and its header inside the block.
    std::uint32_t infoSize = 0;
    if (!ReadU32(link, info, infoSize) || infoSize < kLinkInfoMinHeader || infoSize > link.size() - info)
        return "";
    const ByteView block = link.subspan(info, infoSize);
    std::uint32_t infoHeaderSize = 0;
    std::uint32_t infoFlags = 0;
    std::uint32_t baseOffset = 0;
    ReadU32(block, 4, infoHeaderSize);
    ReadU32(block, kLinkInfoFlagsOffset, infoFlags);
    ReadU32(block, kLocalBasePathOffsetField, baseOffset);
    if (infoHeaderSize < kLinkInfoMinHeader || infoHeaderSize > infoSize ||
        (infoFlags & kVolumeIdAndLocalBasePath) == 0 || baseOffset < infoHeaderSize || baseOffset >= infoSize)
        return "";

    // The path ends at its zero byte, which must lie inside the block.
    const ByteView path = block.subspan(baseOffset);
    const auto end = std::find(path.begin(), path.end(), static_cast<unsigned char>(0));
    if (end == path.end())
        return "";
    return std::string(path.begin(), end);
}

std::string PrintableText(ByteView data) {
    std::string text;
    text.reserve(data.size());
    for (const unsigned char byte : data)
        if (byte >= 32 && byte <= 127)
            text.push_back(static_cast<char>(byte));
    return text;
}

std::string MSTarget(ByteView link, const std::string &driveRoot) {
    const std::string text = PrintableText(link);
    const auto variable = text.find("%S");
    if (variable != std::string::npos)
        return CutAfterExtension(text.substr(variable));
    static const std::string kUpFour = "..\\..\\..\\..\\";
    const auto up = text.find(kUpFour);
    if (up == std::string::npos)
        return "";
    return CutAfterExtension(driveRoot + text.substr(up + kUpFour.size()));
}

std::string TaskTarget(ByteView task, std::string *problem) {
    const std::string text = PrintableText(task);
    const auto colon = text.find(":\\");
    if (colon == std::string::npos || colon == 0) {
        if (problem)
            *problem = "no program path in the task file";
        return "";
    }
    std::string target = CutAfterExtension(text.substr(colon - 1));
    if (target.empty() && problem)
        *problem = "no file name extension in the task's program path";
    return target;
}
