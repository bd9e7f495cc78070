#include "scan/text.h"

char LowerChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

char UpperChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::string LowerText(const std::string &text) {
    std::string out = text;
    for (char &c : out)
        c = LowerChar(c);
    return out;
}

std::size_t FindNoCase(const std::string &text, const std::string &what, std::size_t from) {
    return LowerText(text).find(LowerText(what), from);
}

bool ContainsNoCase(const std::string &text, const std::string &what) {
    return FindNoCase(text, what) != std::string::npos;
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
