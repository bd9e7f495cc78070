// The scanner core: LoadData scans one pass of one location (a registry key,
// a single value of a key, or a folder) and appends a StartupEntry for every
// entry it finds, recording the entry numbers in the pass. The handling of
// each category lives in its own file (scan/category_handlers.h); this module
// owns the frame they share: the pass context, the append step, the disabled
// pass, the single-value read and the log line.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "registry/names.h"
#include "registry/values.h"
#include "scan/pathops.h"
#include "scan/records.h"

// One call of LoadData: its arguments (the installation being scanned among
// them), the pass's open key (null for a folder location or a key that did not
// open) and the pass number.
struct PassContext {
    HKEY MainKey;
    std::string KeyPath;
    std::vector<StartupEntry> &Entries;
    int Category;
    int LocIndex;
    std::string ValueName;
    int Scope;
    std::vector<ScanPass> &Passes;
    bool DisabledPass;
    const InstallContext &Install;
    HKEY key = nullptr;
    int pass = 0;
};

// Scans one pass of the installation install; the pass is the last element of
// Passes. Never fails towards the caller: a key that does not open yields no
// entries.
void LoadData(HKEY MainKey, const std::string &KeyPath, std::vector<StartupEntry> &Entries, int Category, int LocIndex,
              const std::string &ValueName, int Scope, std::vector<ScanPass> &Passes, bool DisabledPass,
              const InstallContext &install);

// True when the names a pass of this key and scope finds come from where a
// standard user may write (HKEY_USERS, a folder) or from an offline
// installation: no network or device path of them is looked up.
bool NamesFromUsers(HKEY MainKey, int Scope);

// Appends a blank entry to the location and its number to the current pass;
// the entry's PassIndex is set, the caller fills the rest.
StartupEntry &AppendEntry(PassContext &ctx);

// Makes room for count more entries in the location and the pass, so that
// their arrays grow once, to the size the pass needs.
void ReserveMore(PassContext &ctx, size_t count);

// Scans KeyPath\AutorunsDisabled as a disabled pass of the same location.
void LoadDisabledPass(PassContext &ctx);

// Opens the subkey name of the pass's key from its handle (so that a long
// path still opens; from the root when the pass has no key); null when it
// does not open, with a log line when it is there but cannot be read.
HKEY OpenPassSubKey(const PassContext &ctx, const std::string &name);

// The entries from number first on are held by the subkey or value the
// registry names held: each gets it as its HeldName, and a NUL in the names
// they show is shown as "\0".
void HoldEntries(PassContext &ctx, size_t first, const std::wstring &held);

// Runs rule(name) for every subkey of the pass's key; an "AutorunsDisabled"
// subkey is scanned as a disabled pass where it falls in the list and is no
// entry itself (moving the store into itself has no end).
template <typename Rule> void ForEachSubKey(PassContext &ctx, Rule rule) {
    for (const SubKeyName &sub : EnumSubKeyNames(ctx.key)) {
        if (sub.wide == kDisabledNameWide) {
            LoadDisabledPass(ctx);
            continue;
        }
        const size_t before = ctx.Entries.size();
        rule(sub.name);
        HoldEntries(ctx, before, sub.wide);
    }
}

// Runs rule(name, data as text) for every value of the pass's key, then scans
// the values of "AutorunsDisabled" once (not from within a disabled pass).
// A rule that makes an entry of every value says so (oneEntryEach), and the
// arrays are made as large as the values need before it runs.
template <typename Rule> void ForEachValue(PassContext &ctx, Rule rule, bool oneEntryEach = false) {
    const std::vector<NamedRegValue> values = EnumValues(ctx.key);
    if (oneEntryEach)
        ReserveMore(ctx, values.size());
    for (const NamedRegValue &v : values) {
        const size_t before = ctx.Entries.size();
        rule(v.name, v.value.Text());
        HoldEntries(ctx, before, v.wide);
    }
    if (!ctx.DisabledPass)
        LoadDisabledPass(ctx);
}

// The value N of root\K\AutorunsDisabled as text; "" when key or value is missing.
std::string GetDisabledValue(HKEY root, const std::string &key, const std::string &name);

// The single-value read: the location's value from its key, else from the
// "AutorunsDisabled" subkey (then disabled is true). Empty text: no entry.
struct SingleValue {
    std::string text;
    bool disabled = false;
};
SingleValue ReadSingleValue(const PassContext &ctx);

// "LoadData <location> <key path> <value name> <what failed>".
void LogLoadData(const PassContext &ctx, const std::string &what);

// Marks a scan as running for its lifetime; a second guard taken while one is
// held is not acquired, so that an event let through during a scan can never
// start another scan inside it.
class ScanGuard {
  public:
    ScanGuard();
    ~ScanGuard();
    ScanGuard(const ScanGuard &) = delete;
    ScanGuard &operator=(const ScanGuard &) = delete;
    bool acquired() const { return acquired_; }

  private:
    bool acquired_;
    bool owned_ = false; // taken inside the holder's own sequence
};

// The holder of a ScanGuard lets its own next scan step through: while one
// lives, the next ScanGuard is acquired although the holder's guard is held
// (and releases nothing). Events let through after that step began are still
// refused.
class ScanOwnerPass {
  public:
    ScanOwnerPass();
    ~ScanOwnerPass();
    ScanOwnerPass(const ScanOwnerPass &) = delete;
    ScanOwnerPass &operator=(const ScanOwnerPass &) = delete;
};
