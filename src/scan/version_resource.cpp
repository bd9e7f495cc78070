#include "scan/version_resource.h"

#include <cstddef>
#include <cstdint>

namespace {

// One block of the resource: a header of three words (whole length, value
// length, value type), a NUL-ended UTF-16 key, its value and its children,
// each part starting on a 4-byte boundary. Only blocks that lie wholly
// within their parent are read.
struct Block {
    std::size_t end = 0;   // one past its last byte
    std::u16string key;    // without its NUL
    std::size_t value = 0; // where its value starts (may equal end)
    std::size_t valueLength = 0;
    std::size_t children = 0; // where its first child starts
};

std::uint16_t Word(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

std::size_t Align4(std::size_t at) { return (at + 3) & ~static_cast<std::size_t>(3); }

bool ReadBlock(std::string_view bytes, std::size_t at, std::size_t limit, Block &block) {
    if (at > limit || limit - at < 6)
        return false;
    const std::size_t length = Word(bytes, at);
    if (length < 6 || length > limit - at)
        return false;
    block.end = at + length;
    block.valueLength = Word(bytes, at + 2);
    const bool text = Word(bytes, at + 4) == 1;
    block.key.clear();
    std::size_t pos = at + 6;
    for (;; pos += 2) {
        if (block.end - pos < 2)
            return false; // the key runs past the block
        const char16_t c = static_cast<char16_t>(Word(bytes, pos));
        if (c == u'\0')
            break;
        block.key.push_back(c);
    }
    block.value = Align4(pos + 2) < block.end ? Align4(pos + 2) : block.end;
    const std::size_t valueBytes = text ? block.valueLength * 2 : block.valueLength;
    block.children = valueBytes <= block.end - block.value ? Align4(block.value + valueBytes) : block.end;
    if (block.children > block.end)
        block.children = block.end;
    return true;
}

bool SameKey(const std::u16string &key, std::string_view name) {
    if (key.size() != name.size())
        return false;
    for (std::size_t i = 0; i < key.size(); ++i) {
        char16_t a = key[i];
        char16_t b = static_cast<unsigned char>(name[i]);
        if (a >= u'A' && a <= u'Z')
            a = static_cast<char16_t>(a - u'A' + u'a');
        if (b >= u'A' && b <= u'Z')
            b = static_cast<char16_t>(b - u'A' + u'a');
        if (a != b)
            return false;
    }
    return true;
}

// The child of parent whose key is name; false when there is none.
bool FindChild(std::string_view bytes, const Block &parent, std::string_view name, Block &child) {
    for (std::size_t at = parent.children; at < parent.end;) {
        if (!ReadBlock(bytes, at, parent.end, child))
            return false;
        if (SameKey(child.key, name))
            return true;
        at = Align4(child.end);
    }
    return false;
}

bool ReadRoot(std::string_view bytes, Block &root) { return ReadBlock(bytes, 0, bytes.size(), root); }

} // namespace

std::string_view VersionTranslation(std::string_view resource) {
    Block root, var, translation;
    if (!ReadRoot(resource, root) || !FindChild(resource, root, "VarFileInfo", var) ||
        !FindChild(resource, var, "Translation", translation))
        return {};
    if (translation.valueLength < 4 || translation.end - translation.value < 4)
        return {};
    return resource.substr(translation.value, 4);
}

std::u16string VersionString(std::string_view resource, std::string_view table, std::string_view name, bool &found) {
    found = false;
    Block root, info, strings, entry;
    if (!ReadRoot(resource, root) || !FindChild(resource, root, "StringFileInfo", info) ||
        !FindChild(resource, info, table, strings) || !FindChild(resource, strings, name, entry))
        return {};
    found = true;
    std::u16string text;
    for (std::size_t at = entry.value; entry.end - at >= 2; at += 2) {
        const char16_t c = static_cast<char16_t>(Word(resource, at));
        if (c == u'\0')
            break;
        text.push_back(c);
    }
    return text;
}
