#include "system/text.h"

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string LowerText(const std::string &text) {
    std::string out = text;
    for (char &c : out)
        c = LowerChar(c);
    return out;
}

std::string FileNameKey(const std::string &name) {
    for (const char c : name)
        if (static_cast<unsigned char>(c) >= 0x80)
            return name;
    return LowerText(name);
}

std::size_t FindNoCase(const std::string &text, const std::string &what, std::size_t from) {
    return LowerText(text).find(LowerText(what), from);
}

bool ContainsNoCase(const std::string &text, const std::string &what) {
    return FindNoCase(text, what) != std::string::npos;
}

bool EndsWithNoCase(const std::string &text, const std::string &what) {
    return text.size() >= what.size() && LowerText(text.substr(text.size() - what.size())) == LowerText(what);
}

namespace {
// Replaces every occurrence of what in haystack (a folded copy of text, or
// text itself) by with, copying the rest from text.
std::string ReplaceFound(const std::string &text, const std::string &haystack, const std::string &what,
                         const std::string &with) {
    if (what.empty())
        return text;
    std::string out;
    std::size_t pos = 0;
    for (auto hit = haystack.find(what); hit != std::string::npos; hit = haystack.find(what, pos)) {
        out.append(text, pos, hit - pos);
        out += with;
        pos = hit + what.size();
    }
    out.append(text, pos, std::string::npos);
    return out;
}
} // namespace

std::string ReplaceAllNoCase(const std::string &text, const std::string &what, const std::string &with) {
    return ReplaceFound(text, LowerText(text), LowerText(what), with);
}

std::string ReplaceAll(const std::string &text, const std::string &what, const std::string &with) {
    return ReplaceFound(text, text, what, with);
}

std::string TrimNull(const std::string &text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? std::string() : text.substr(0, nul);
}

std::string CutAtNull(const std::string &text) { return text.substr(0, text.find('\0')); }

std::string CleanString(const std::string &text) {
    std::size_t n = 0;
    while (n < text.size() && static_cast<unsigned char>(text[n]) >= 32)
        ++n;
    return text.substr(0, n);
}

std::string TrimBlanks(const std::string &text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string> SplitNul(const std::string &text) {
    std::vector<std::string> items;
    if (text.empty())
        return items;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t nul = text.find('\0', pos);
        if (nul == std::string::npos) {
            items.push_back(text.substr(pos));
            return items;
        }
        items.push_back(text.substr(pos, nul - pos));
        pos = nul + 1;
    }
}

std::vector<std::string> SplitMultiSz(const std::string &data) {
    // The value's exact data: an item may hold blanks, so only NULs divide.
    if (data.find('\0') != std::string::npos)
        return SplitNul(data);
    const std::string trimmed = TrimBlanks(data);
    if (trimmed.empty())
        return data.empty() ? std::vector<std::string>{} : std::vector<std::string>{std::string()};
    return {trimmed};
}

std::vector<std::string> SplitMultiStringData(const std::string &data) {
    std::vector<std::string> items;
    if (data.size() < 2)
        return items;
    for (std::string &piece : SplitNul(data))
        if (!piece.empty())
            items.push_back(std::move(piece));
    return items;
}
