#include "scan/scanner.h"

#include "registry/access.h"
#include "registry/values.h"
#include "scan/category_handlers.h"
#include "scan/state.h"
#include "system/file_lookup.h"
#include "system/log.h"

namespace {

// Hands the pass to the handling of its category.
void RunPass(PassContext &ctx) {
    switch (ctx.Category) {
    case kCatLogon:
        if (ctx.LocIndex == 18 || ctx.LocIndex == 19)
            ScanFolderLocation(ctx);
        else
            ScanLogonLocation(ctx);
        break;
    case kCatExplorer:
    case kCatInternetExplorer:
        ScanExplorerLocation(ctx);
        break;
    case kCatServices:
    case kCatDrivers:
        ScanServiceLocation(ctx);
        break;
    case kCatLsa:
    case kCatBootExecute:
    case kCatKnownDlls:
        ScanListLocation(ctx);
        break;
    case kCatWinLogon:
    case kCatImageHijacks:
    case kCatAppInit:
        ScanWinlogonLocation(ctx);
        break;
    case kCatWinsock:
    case kCatPrintMonitors:
        ScanProviderLocation(ctx);
        break;
    case kCatTaskScheduler:
        ScanFolderLocation(ctx);
        break;
    default:
        break;
    }
}

} // namespace

void LoadData(HKEY MainKey, const std::string &KeyPath, std::vector<StartupEntry> &Entries, int Category, int LocIndex,
              const std::string &ValueName, int Scope, std::vector<ScanPass> &Passes, bool DisabledPass,
              const InstallContext &install) {
    PassContext ctx{MainKey, KeyPath, Entries, Category, LocIndex, ValueName, Scope, Passes, DisabledPass, install};
    ctx.pass = UpperBound(Passes);
    if (ctx.pass < 1) {
        LogLoadData(ctx, "no pass to record entries in");
        return;
    }
    ScopedKey key;
    if (MainKey != nullptr) {
        key.reset(OpenKey(MainKey, KeyPath));
        if (!key)
            return;
        ctx.key = key.get();
    }
    const RemoteLookupsRefused remote(NamesFromUsers(MainKey, Scope));
    RunPass(ctx);
}

bool NamesFromUsers(HKEY MainKey, int Scope) {
    return MainKey == nullptr || MainKey == HKEY_USERS || Scope % 2 == 0;
}

StartupEntry &AppendEntry(PassContext &ctx) {
    ctx.Entries.emplace_back();
    const int number = UpperBound(ctx.Entries);
    ctx.Passes[static_cast<size_t>(ctx.pass)].EntryIndexes.push_back(number);
    StartupEntry &entry = ctx.Entries.back();
    entry.PassIndex = static_cast<short>(ctx.pass);
    return entry;
}

void HoldEntries(PassContext &ctx, size_t first, const std::wstring &held) {
    const std::string nul(1, '\0');
    const bool showNul = held.find(L'\0') != std::wstring::npos;
    for (size_t i = first; i < ctx.Entries.size(); ++i) {
        StartupEntry &entry = ctx.Entries[i];
        entry.HeldName = held;
        if (showNul) {
            entry.EntryName = ReplaceAll(entry.EntryName, nul, "\\0");
            entry.ItemName = ReplaceAll(entry.ItemName, nul, "\\0");
        }
    }
}

void ReserveMore(PassContext &ctx, size_t count) {
    if (ctx.Entries.capacity() < ctx.Entries.size() + count)
        ctx.Entries.reserve(ctx.Entries.size() + count);
    auto &indexes = ctx.Passes[static_cast<size_t>(ctx.pass)].EntryIndexes;
    if (indexes.capacity() < indexes.size() + count)
        indexes.reserve(indexes.size() + count);
}

void LoadDisabledPass(PassContext &ctx) {
    if (ctx.key == nullptr) {
        LoadData(ctx.MainKey, ctx.KeyPath + "\\" + kDisabledName, ctx.Entries, ctx.Category, ctx.LocIndex,
                 ctx.ValueName, ctx.Scope, ctx.Passes, true, ctx.Install);
        return;
    }
    // Opened from the pass's own key: a path of nested disabled levels may be
    // too long to open from the root.
    PassContext disabled{ctx.MainKey,  ctx.KeyPath + "\\" + kDisabledName,
                         ctx.Entries,  ctx.Category,
                         ctx.LocIndex, ctx.ValueName,
                         ctx.Scope,    ctx.Passes,
                         true,         ctx.Install};
    disabled.pass = UpperBound(ctx.Passes);
    ScopedKey key(OpenPassSubKey(ctx, kDisabledName));
    if (!key)
        return;
    disabled.key = key.get();
    RunPass(disabled);
}

HKEY OpenPassSubKey(const PassContext &ctx, const std::string &name) {
    if (ctx.key == nullptr)
        return OpenKey(ctx.MainKey, ctx.KeyPath + "\\" + name);
    long error = ERROR_SUCCESS;
    HKEY key = OpenChildKey(ctx.key, name, RootName(ctx.MainKey) + ctx.KeyPath + "\\" + name, &error);
    if (key == nullptr && error != ERROR_FILE_NOT_FOUND)
        LogLoadData(ctx, "cannot open " + name + ": " + std::to_string(error));
    return key;
}

std::string GetDisabledValue(HKEY root, const std::string &key, const std::string &name) {
    ScopedKey disabled(OpenKey(root, key + "\\" + kDisabledName));
    if (!disabled)
        return "";
    return ReadString(disabled.get(), name);
}

SingleValue ReadSingleValue(const PassContext &ctx) {
    SingleValue result;
    const RegValue value = ReadValue(ctx.key, ctx.ValueName);
    if (value.present) {
        result.text = CleanString(value.data);
    } else {
        result.text = GetDisabledValue(ctx.MainKey, ctx.KeyPath, ctx.ValueName);
        result.disabled = true;
    }
    return result;
}

void LogLoadData(const PassContext &ctx, const std::string &what) {
    WriteLog("LoadData " + std::to_string(ctx.LocIndex) + " " + ctx.KeyPath + " " + ctx.ValueName + " " + what);
}

ScanGuard::ScanGuard() : acquired_(!Scan().scanInProgress) {
    if (acquired_) {
        Scan().scanInProgress = true;
    } else if (Scan().ownerPass) {
        Scan().ownerPass = false;
        acquired_ = true;
        owned_ = true;
    }
}

ScanGuard::~ScanGuard() {
    if (acquired_ && !owned_)
        Scan().scanInProgress = false;
}

ScanOwnerPass::ScanOwnerPass() { Scan().ownerPass = Scan().scanInProgress; }

ScanOwnerPass::~ScanOwnerPass() { Scan().ownerPass = false; }
