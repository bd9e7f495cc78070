#include "scan/filereaders.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <vector>

namespace {

// Shell link layout: the fixed header and its flags, the link-information
// block's header fields, and its common network relative link.
constexpr std::size_t kLinkHeaderSize = 0x4C;
constexpr std::size_t kLinkFlagsOffset = 20;
constexpr std::uint32_t kHasLinkTargetIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kHasName = 0x4;
constexpr std::uint32_t kHasRelativePath = 0x8;
constexpr std::uint32_t kHasWorkingDir = 0x10;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kHasDarwinId = 0x1000;
constexpr std::size_t kLinkInfoMinHeader = 0x1C;
constexpr std::size_t kLinkInfoFlagsOffset = 8;
constexpr std::size_t kLocalBasePathOffsetField = 16;
constexpr std::size_t kNetworkLinkOffsetField = 20;
constexpr std::size_t kCommonPathSuffixOffsetField = 24;
constexpr std::uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr std::uint32_t kCommonNetworkRelativeLink = 0x2;
constexpr std::size_t kNetworkLinkMinSize = 0x14;
constexpr std::size_t kNetNameOffsetField = 8;

// Shell items: the computer (a root item holding the computer's class id), a
// drive, and the file entries of folders and files with their extension block.
constexpr unsigned char kRootItem = 0x1F;
constexpr unsigned char kMyComputerId[16] = {0xE0, 0x4F, 0xD0, 0x20, 0xEA, 0x3A, 0x69, 0x10,
                                             0xA2, 0xD8, 0x08, 0x00, 0x2B, 0x30, 0x30, 0x9D};
constexpr std::size_t kRootItemIdOffset = 4;
constexpr unsigned char kItemClassMask = 0x70;
constexpr unsigned char kDriveClass = 0x20;
constexpr unsigned char kFileEntryClass = 0x30;
constexpr unsigned char kUnicodeName = 0x04;
constexpr std::size_t kFileEntryNameOffset = 14;
constexpr std::uint32_t kFileEntryExtension = 0xBEEF0004;

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

// The header of a shell link: its flags, its item-ID list (empty when it has
// none) and the offset of the block after them. False when the data is no
// shell link or the list does not fit.
bool ReadLinkHeader(ByteView link, std::uint32_t &flags, std::size_t &next, ByteView &items) {
    std::uint32_t headerSize = 0;
    if (!ReadU32(link, 0, headerSize) || headerSize != kLinkHeaderSize || link.size() < kLinkHeaderSize ||
        !ReadU32(link, kLinkFlagsOffset, flags))
        return false;
    next = kLinkHeaderSize;
    items = ByteView();
    if (flags & kHasLinkTargetIdList) {
        std::uint32_t size = 0;
        if (!ReadU16(link, next, size) || size > link.size() - next - 2)
            return false;
        items = link.subspan(next + 2, size);
        next += 2 + std::size_t{size};
    }
    return true;
}

// The one-byte text at offset at of data, up to its zero byte; false when at
// lies outside the data or no zero byte follows inside it.
bool ReadZeroEnded(ByteView data, std::size_t at, std::string &text) {
    if (at >= data.size())
        return false;
    const ByteView rest = data.subspan(at);
    const auto end = std::find(rest.begin(), rest.end(), static_cast<unsigned char>(0));
    if (end == rest.end())
        return false;
    text.assign(rest.begin(), end);
    return true;
}

// The UTF-16 text at offset at of data, up to its zero character.
bool ReadZeroEndedWide(ByteView data, std::size_t at, std::u16string &text) {
    text.clear();
    for (std::uint32_t unit = 0; ReadU16(data, at, unit); at += 2) {
        if (unit == 0)
            return true;
        text.push_back(static_cast<char16_t>(unit));
    }
    return false;
}

// base and rest joined by one "\".
std::string JoinPath(const std::string &base, const std::string &rest) {
    if (rest.empty() || base.empty())
        return base + rest;
    if (base.back() == '\\')
        return rest.front() == '\\' ? base + rest.substr(1) : base + rest;
    return rest.front() == '\\' ? base + rest : base + '\\' + rest;
}

// The target named by the link-information block at offset info: the local
// base path, or the network share's name, followed by the common path suffix
// (left out when it cannot be read).
std::string LinkInfoTarget(ByteView link, std::size_t info) {
    // The block must lie inside the data, and its header inside the block.
    std::uint32_t infoSize = 0;
    if (!ReadU32(link, info, infoSize) || infoSize < kLinkInfoMinHeader || infoSize > link.size() - info)
        return "";
    const ByteView block = link.subspan(info, infoSize);
    std::uint32_t headerSize = 0;
    std::uint32_t infoFlags = 0;
    std::uint32_t baseOffset = 0;
    std::uint32_t networkOffset = 0;
    std::uint32_t suffixOffset = 0;
    ReadU32(block, 4, headerSize);
    ReadU32(block, kLinkInfoFlagsOffset, infoFlags);
    ReadU32(block, kLocalBasePathOffsetField, baseOffset);
    ReadU32(block, kNetworkLinkOffsetField, networkOffset);
    ReadU32(block, kCommonPathSuffixOffsetField, suffixOffset);
    if (headerSize < kLinkInfoMinHeader || headerSize > infoSize)
        return "";
    // Every text lies after the header of its structure and ends at a zero
    // byte inside it.
    auto textAt = [](ByteView data, std::uint32_t offset, std::size_t header, std::string &text) {
        return offset >= header && ReadZeroEnded(data, offset, text);
    };
    std::string suffix;
    if (!textAt(block, suffixOffset, headerSize, suffix))
        suffix.clear();

    std::string base;
    if (infoFlags & kVolumeIdAndLocalBasePath) {
        if (!textAt(block, baseOffset, headerSize, base))
            return "";
    } else if (infoFlags & kCommonNetworkRelativeLink) {
        std::uint32_t networkSize = 0;
        std::uint32_t nameOffset = 0;
        if (networkOffset < headerSize || !ReadU32(block, networkOffset, networkSize) ||
            networkSize < kNetworkLinkMinSize || networkSize > infoSize - networkOffset)
            return "";
        const ByteView network = block.subspan(networkOffset, networkSize);
        ReadU32(network, kNetNameOffsetField, nameOffset);
        if (!textAt(network, nameOffset, kNetworkLinkMinSize, base))
            return "";
    }
    return base.empty() ? "" : JoinPath(base, suffix);
}

// True for a name a folder or file can have: not empty, not "." or "..", no
// separator, drive colon or control character (a hostile list must not climb
// out of its folders). Tested after the conversion to the code page, which may
// turn other characters into these.
bool IsFileName(const std::string &name) {
    if (name.empty() || name == "." || name == "..")
        return false;
    for (const char c : name)
        if (c == '\\' || c == '/' || c == ':' || static_cast<unsigned char>(c) < 32)
            return false;
    return true;
}

// The long name of the file entry's 0xBEEF0004 extension block at offset at
// of the item; "" when there is no such block there.
std::u16string ExtensionLongName(ByteView item, std::size_t at) {
    std::uint32_t size = 0;
    std::uint32_t version = 0;
    std::uint32_t signature = 0;
    if (!ReadU16(item, at, size) || !ReadU16(item, at + 2, version) || !ReadU32(item, at + 4, signature) ||
        signature != kFileEntryExtension || size > item.size() - at || version < 3)
        return u"";
    // The name's place moves with the block's version.
    const std::size_t nameOffset = version >= 9 ? 46 : version >= 8 ? 42 : version >= 7 ? 38 : 20;
    std::u16string name;
    if (!ReadZeroEndedWide(item.subspan(at, size), nameOffset, name))
        return u"";
    return name;
}

// The name of a file entry item: the long name of its extension block, else
// its own name (UTF-16 or one byte per character, as its type says); "" when
// neither is a file name.
std::string FileEntryName(ByteView item, WideToAnsi toAnsi) {
    const bool unicode = (item[2] & kUnicodeName) != 0;
    std::string name;
    std::u16string wide;
    if (unicode ? !ReadZeroEndedWide(item, kFileEntryNameOffset, wide)
                : !ReadZeroEnded(item, kFileEntryNameOffset, name))
        return "";
    const std::size_t end = kFileEntryNameOffset + (unicode ? 2 * (wide.size() + 1) : name.size() + 1);
    // The extension block starts at the next even offset.
    const std::u16string longName = ExtensionLongName(item, end + end % 2);
    const std::string converted = longName.empty() ? "" : toAnsi(longName);
    if (IsFileName(converted))
        return converted;
    if (unicode)
        name = toAnsi(wide);
    return IsFileName(name) ? name : "";
}

// The string at offset at of the link's string data (a count, then as many
// characters, UTF-16 in a Unicode link), up to a zero character in it; at
// moves past it. False when it does not fit.
bool ReadLinkString(ByteView link, std::size_t &at, bool unicode, WideToAnsi toAnsi, std::string &text) {
    std::uint32_t count = 0;
    if (!ReadU16(link, at, count))
        return false;
    const std::size_t bytes = std::size_t{count} * (unicode ? 2 : 1);
    if (bytes > link.size() - at - 2)
        return false;
    const ByteView chars = link.subspan(at + 2, bytes);
    at += 2 + bytes;
    if (!unicode) {
        text.assign(chars.begin(), std::find(chars.begin(), chars.end(), static_cast<unsigned char>(0)));
        return true;
    }
    std::u16string wide;
    for (std::size_t i = 0; i < bytes; i += 2) {
        const auto unit = static_cast<char16_t>(chars[i] | chars[i + 1] << 8);
        if (unit == 0)
            break;
        wide.push_back(unit);
    }
    text = wide.empty() ? "" : toAnsi(wide);
    return true;
}

// The length of the root of a drive path ("C:\", 3) or of a network path
// ("\\server\share\", up to and with the "\" after the share; all of it when
// none follows); 0 for any other text.
std::size_t RootLength(const std::string &path) {
    if (path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' && path[2] == '\\')
        return 3;
    if (path.size() < 3 || path.compare(0, 2, "\\\\") != 0 || path[2] == '\\')
        return 0;
    const auto share = path.find('\\', 2);
    if (share == std::string::npos || share + 1 >= path.size() || path[share + 1] == '\\')
        return 0;
    const auto end = path.find('\\', share + 1);
    return end == std::string::npos ? path.size() : end + 1;
}

// The rooted path with its "." and ".." folders and empty names taken out; a
// ".." at the root stays there, as Windows resolves it.
std::string NormalPath(const std::string &path, std::size_t rootLength) {
    std::vector<std::string> names;
    for (std::size_t at = rootLength; at < path.size();) {
        std::size_t end = path.find('\\', at);
        if (end == std::string::npos)
            end = path.size();
        const std::string name = path.substr(at, end - at);
        if (name == "..") {
            if (!names.empty())
                names.pop_back();
        } else if (!name.empty() && name != ".") {
            names.push_back(name);
        }
        at = end + 1;
    }
    std::string result = path.substr(0, rootLength);
    for (const std::string &name : names)
        result = JoinPath(result, name);
    return result;
}

// The link's working folder joined with its relative path, from its string
// data at offset at; "" when either is missing, the folder is no drive or
// network path, or the relative path is rooted.
std::string WorkingFolderTarget(ByteView link, std::size_t at, std::uint32_t flags, WideToAnsi toAnsi) {
    const bool unicode = (flags & kIsUnicode) != 0;
    std::string name;
    std::string relative;
    std::string folder;
    if (((flags & kHasName) && !ReadLinkString(link, at, unicode, toAnsi, name)) ||
        ((flags & kHasRelativePath) && !ReadLinkString(link, at, unicode, toAnsi, relative)) ||
        ((flags & kHasWorkingDir) && !ReadLinkString(link, at, unicode, toAnsi, folder)))
        return "";
    const std::size_t root = RootLength(folder);
    if (relative.empty() || root == 0 || relative.front() == '\\' || relative.find(':') != std::string::npos)
        return "";
    return NormalPath(JoinPath(folder, relative), root);
}

} // namespace

std::string AsciiText(const std::u16string &text) {
    std::string ascii;
    ascii.reserve(text.size());
    for (const char16_t c : text)
        ascii.push_back(c < 128 ? static_cast<char>(c) : '?');
    return ascii;
}

ByteView LinkItemList(ByteView link) {
    std::uint32_t flags = 0;
    std::size_t next = 0;
    ByteView items;
    return ReadLinkHeader(link, flags, next, items) ? items : ByteView();
}

std::string ItemListPath(ByteView items, WideToAnsi toAnsi) {
    std::string path;
    bool computer = false;
    for (std::size_t at = 0; at < items.size();) {
        std::uint32_t size = 0;
        if (!ReadU16(items, at, size) || size == 0)
            break; // the list's end
        if (size < 3 || size > items.size() - at)
            return "";
        const ByteView item = items.subspan(at, size);
        at += size;
        const unsigned char type = item[2];
        if (!computer) {
            // First the computer,
            if (type != kRootItem || item.size() < kRootItemIdOffset + sizeof kMyComputerId ||
                !std::equal(std::begin(kMyComputerId), std::end(kMyComputerId), item.begin() + kRootItemIdOffset))
                return "";
            computer = true;
        } else if (path.empty()) {
            // then a drive, named "C:\",
            if ((type & kItemClassMask) != kDriveClass || item.size() < 6 ||
                !std::isalpha(static_cast<unsigned char>(item[3])) || item[4] != ':' || item[5] != '\\')
                return "";
            path.assign(item.begin() + 3, item.begin() + 6);
        } else {
            // then its folders and the file.
            const std::string name =
                (type & kItemClassMask) == kFileEntryClass ? FileEntryName(item, toAnsi) : std::string();
            if (name.empty())
                return "";
            path = JoinPath(path, name);
        }
    }
    return path;
}

std::string LnkTarget(ByteView link, WideToAnsi toAnsi) {
    std::uint32_t flags = 0;
    std::size_t next = 0;
    ByteView items;
    if (!ReadLinkHeader(link, flags, next, items))
        return "";
    if (flags & kHasLinkInfo)
        return LinkInfoTarget(link, next);
    // An installer's advertised shortcut names its product, not a file.
    if (flags & kHasDarwinId)
        return "";
    std::string target = ItemListPath(items, toAnsi);
    if (target.empty())
        target = WorkingFolderTarget(link, next, flags, toAnsi);
    return target;
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

namespace {
bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Where the program path of a task file starts, in its printable text: at
// the first drive path stored as UTF-16 (a letter, ':' and '\', each followed
// by a zero byte), as the scheduler stores it; else at the letter before the
// first ":\" that follows one. The file's header holds random bytes (its job
// id) whose printable ones may read as ":\" by chance, but not as a UTF-16
// drive path. npos when there is neither.
size_t TaskPathStart(ByteView task, const std::string &text) {
    for (size_t i = 0; i + 6 <= task.size(); ++i)
        if (IsAsciiLetter(task[i]) && task[i + 1] == 0 && task[i + 2] == ':' && task[i + 3] == 0 &&
            task[i + 4] == '\\' && task[i + 5] == 0)
            return text.size() - PrintableText(task.subspan(i)).size();
    for (size_t colon = text.find(":\\"); colon != std::string::npos; colon = text.find(":\\", colon + 1))
        if (colon > 0 && IsAsciiLetter(static_cast<unsigned char>(text[colon - 1])))
            return colon - 1;
    return std::string::npos;
}
} // namespace

std::string TaskTarget(ByteView task, std::string *problem) {
    const std::string text = PrintableText(task);
    const size_t start = TaskPathStart(task, text);
    if (start == std::string::npos) {
        if (problem)
            *problem = "no program path in the task file";
        return "";
    }
    std::string target = CutAfterExtension(text.substr(start));
    if (target.empty() && problem)
        *problem = "no file name extension in the task's program path";
    return target;
}
