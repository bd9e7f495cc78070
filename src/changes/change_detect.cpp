#include "changes/change_detect.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <utility>

namespace {

// Entries of `from` (one location) that no entry of `other` matches by name
// and pass, in scan order.
std::vector<int> Unmatched(const ScanLocation &from, const ScanLocation &other) {
    std::set<std::pair<std::string, int>> present;
    for (int j = 1; j <= UpperBound(other.Entries); ++j) {
        const StartupEntry &e = other.Entries[static_cast<size_t>(j)];
        present.emplace(EntryIdentity(e), e.PassIndex);
    }
    std::vector<int> unmatched;
    for (int i = 1; i <= UpperBound(from.Entries); ++i) {
        const StartupEntry &e = from.Entries[static_cast<size_t>(i)];
        if (present.count({EntryIdentity(e), e.PassIndex}) == 0)
            unmatched.push_back(i);
    }
    return unmatched;
}

} // namespace

std::vector<ChangeRec> &ChangeList() {
    static std::vector<ChangeRec> list(1);
    return list;
}

std::string EntryIdentity(const StartupEntry &entry) {
    return entry.ItemName.empty() ? entry.EntryName : entry.ItemName;
}

bool FindChanges(const std::vector<ScanLocation> &live, const std::vector<ScanLocation> &snapshot,
                 std::vector<ChangeRec> &list) {
    list.assign(1, ChangeRec{});
    bool differs = false;
    const int last = std::min(UpperBound(live), UpperBound(snapshot));
    for (int loc = 1; loc <= last; ++loc) {
        const ScanLocation &l = live[static_cast<size_t>(loc)];
        const ScanLocation &s = snapshot[static_cast<size_t>(loc)];
        const int liveCount = UpperBound(l.Entries);
        const int snapCount = UpperBound(s.Entries);
        if (liveCount == snapCount)
            continue;
        differs = true;
        const bool added = liveCount > snapCount;
        const ScanLocation &side = added ? l : s;
        const std::vector<int> unmatched = Unmatched(side, added ? s : l);
        int wanted = added ? liveCount - snapCount : snapCount - liveCount;
        std::set<std::pair<std::string, int>> taken;
        for (auto it = unmatched.rbegin(); it != unmatched.rend() && wanted > 0; ++it) {
            const StartupEntry &e = side.Entries[static_cast<size_t>(*it)];
            const std::string name = EntryIdentity(e);
            if (!taken.emplace(name, e.PassIndex).second)
                continue;
            ChangeRec rec;
            rec.Location = loc;
            rec.EntryIndex = *it;
            rec.Added = added;
            rec.ItemName = name;
            list.push_back(rec);
            --wanted;
        }
    }
    return differs;
}

std::string ChangePromptText(bool added, const std::string &name, const std::string &category,
                             const std::string &imagePath, bool registry) {
    const char *crlf = "\r\n";
    std::string text = std::string(added ? "ADDED" : "REMOVED") + ": Startup Entry '" + name + "' " + crlf;
    text += "CATEGORY: " + category + crlf;
    text += "IMAGE: " + imagePath + crlf;
    text += std::string("LOCATION: ") + (registry ? "Registry" : "File") + crlf;
    text += crlf;
    text += std::string("    DO YOU WANT TO ALLOW THIS CHANGE ?") + crlf;
    text += crlf;
    text += std::string("YES          Allow Change.") + crlf;
    text += std::string("NO            Deny Change.") + crlf;
    text += "CANCEL     Turn Off Watching.";
    return text;
}

bool HasClsidForm(const std::string &text) {
    static const char *const kShape = "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}";
    const std::string shape = kShape;
    if (text.size() != shape.size())
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (shape[i] == 'X') {
            if (!std::isxdigit(static_cast<unsigned char>(text[i])))
                return false;
        } else if (text[i] != shape[i]) {
            return false;
        }
    }
    return true;
}
