#include "scan/scan_memo.h"

#include <map>
#include <unordered_map>
#include <utility>

#include "registry/access.h"
#include "system/text.h"

namespace {

struct ScanMemo {
    bool open = false;
    std::unordered_map<std::string, FileLookup> files; // by FileNameKey
    // Per folder (by FileNameKey): how many names the system found missing in
    // it, and, once that is many, its listing.
    struct Folder {
        int misses = 0;
        FolderNames listing;
    };
    std::unordered_map<std::string, Folder> folders;
    std::map<std::pair<HKEY, std::string>, SubKeyListing> listings;
    std::map<std::pair<HKEY, std::string>, std::vector<ServiceKeyFacts>> serviceWalks;
};

constexpr int kMissesBeforeListing = 16;

ScanMemo &Memo() {
    static ScanMemo memo;
    return memo;
}

} // namespace

ScanMemoScope::ScanMemoScope() : owner_(!Memo().open) {
    if (owner_)
        Memo().open = true;
}

ScanMemoScope::~ScanMemoScope() {
    if (owner_)
        Memo() = ScanMemo{};
}

FileLookup ScanLookUpFile(const std::string &name) {
    ScanMemo &memo = Memo();
    if (!memo.open || LookUpRefused(name))
        return LookUpFile(name);
    const std::string key = FileNameKey(name);
    if (const auto found = memo.files.find(key); found != memo.files.end())
        return found->second;
    std::string folder;
    std::string leaf;
    ScanMemo::Folder *listed = nullptr;
    if (SplitForListing(name, folder, leaf)) {
        listed = &memo.folders[FileNameKey(folder)];
        if (listed->listing.usable && listed->listing.names.count(leaf) == 0)
            return FileLookup{};
    }
    const FileLookup lookup = LookUpFile(name);
    memo.files.emplace(key, lookup);
    // A folder that many names are missing from (a long list naming programs
    // that are not there) is listed once, and later names are looked for in
    // the listing first.
    if (listed != nullptr && !lookup.found && ++listed->misses == kMissesBeforeListing)
        listed->listing = ListFolderNames(folder);
    return lookup;
}

bool ScanFileMatchExists(const std::string &pattern) { return ScanLookUpFile(pattern).file; }

namespace {
SubKeyListing ListSubKeys(HKEY root, const std::string &path) {
    SubKeyListing listing;
    ScopedKey key(OpenKey(root, path));
    listing.opened = static_cast<bool>(key);
    if (key)
        listing.names = EnumSubKeys(key.get());
    return listing;
}
} // namespace

SubKeyListing ScanListSubKeys(HKEY root, const std::string &path) {
    ScanMemo &memo = Memo();
    if (!memo.open)
        return ListSubKeys(root, path);
    const auto key = std::make_pair(root, path);
    if (const auto found = memo.listings.find(key); found != memo.listings.end())
        return found->second;
    return memo.listings.emplace(key, ListSubKeys(root, path)).first->second;
}

const std::vector<ServiceKeyFacts> *KeptServiceWalk(HKEY root, const std::string &keyPath) {
    const ScanMemo &memo = Memo();
    if (!memo.open)
        return nullptr;
    const auto found = memo.serviceWalks.find({root, keyPath});
    return found == memo.serviceWalks.end() ? nullptr : &found->second;
}

const std::vector<ServiceKeyFacts> *KeepServiceWalk(HKEY root, const std::string &keyPath,
                                                    std::vector<ServiceKeyFacts> &walk) {
    ScanMemo &memo = Memo();
    if (!memo.open)
        return nullptr;
    std::vector<ServiceKeyFacts> &kept = memo.serviceWalks[{root, keyPath}];
    kept = std::move(walk);
    return &kept;
}
