#include "changes/hive_skeleton.h"

#include <windows.h>

#include <atomic>
#include <cstdlib>

#include "changes/settings.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/values.h"
#include "resources/ids.h"
#include "scan/state.h"
#include "system/late_calls.h"
#include "system/log.h"

namespace {

constexpr const char *kTabledSet = "ControlSet001";

std::string Trim(const std::string &text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return "";
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// The number "Select\Current" holds for a control set name: the digits at its
// end, 1 for a set without a number (Wine's "CurrentControlSet").
DWORD SetNumber(const std::string &controlSet) {
    size_t digits = controlSet.size();
    while (digits > 0 && controlSet[digits - 1] >= '0' && controlSet[digits - 1] <= '9')
        --digits;
    if (digits == controlSet.size())
        return 1;
    const unsigned long n = std::strtoul(controlSet.c_str() + digits, nullptr, 10);
    return n == 0 ? 1 : static_cast<DWORD>(n);
}

bool CreatePath(HKEY root, const std::string &path) { return static_cast<bool>(ScopedKey(CreateKeyWrite(root, path))); }

// Removes the scratch key when it goes, whatever happened before.
class ScratchKey {
  public:
    ScratchKey() {
        static std::atomic<unsigned> counter{0};
        path_ = std::string(kSettingsKeyPath) + "\\SnapshotHive-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
    }
    ~ScratchKey() {
        const LSTATUS rc = LateRegDeleteTreeA(HKEY_LOCAL_MACHINE, path_.c_str());
        if (rc == ERROR_SUCCESS)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, path_.c_str());
        else if (rc != ERROR_FILE_NOT_FOUND)
            WriteLog("WriteHiveResToFile cannot remove " + RootName(HKEY_LOCAL_MACHINE) + path_ + ": " +
                     ApiErrorText(rc));
    }
    ScratchKey(const ScratchKey &) = delete;
    ScratchKey &operator=(const ScratchKey &) = delete;
    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

} // namespace

std::vector<std::string> SkeletonKeys(const std::string &listText, const std::string &controlSet, bool &rootValue) {
    rootValue = false;
    std::vector<std::string> keys;
    size_t start = 0;
    while (start <= listText.size()) {
        size_t end = listText.find('\n', start);
        if (end == std::string::npos)
            end = listText.size();
        std::string line = Trim(listText.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';')
            continue;
        if (line == "@") {
            rootValue = true;
            continue;
        }
        const std::string tabled = kTabledSet;
        if (!controlSet.empty() && _strnicmp(line.c_str(), tabled.c_str(), tabled.size()) == 0 &&
            (line.size() == tabled.size() || line[tabled.size()] == '\\'))
            line = controlSet + line.substr(tabled.size());
        keys.push_back(line);
    }
    return keys;
}

std::string SkeletonListText(int id) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC info = FindResourceA(module, MAKEINTRESOURCEA(id), "CUSTOM");
    if (info == nullptr)
        return "";
    const HGLOBAL loaded = LoadResource(module, info);
    const DWORD size = SizeofResource(module, info);
    const char *bytes = loaded != nullptr ? static_cast<const char *>(LockResource(loaded)) : nullptr;
    return bytes == nullptr ? std::string() : std::string(bytes, size);
}

bool WriteHiveResToFile(const std::string &path, int id) {
    const std::string list = SkeletonListText(id);
    if (list.empty()) {
        WriteLog("WriteHiveResToFile no key list " + std::to_string(id));
        return false;
    }
    const bool system = id == IDR_HIVE_SYSTEM;
    std::string controlSet = system ? CurrentControlSet() : std::string();
    if (system && controlSet.empty())
        controlSet = kTabledSet;
    bool rootValue = false;
    const std::vector<std::string> keys = SkeletonKeys(list, controlSet, rootValue);

    ScratchKey scratch;
    if (!CreatePath(HKEY_LOCAL_MACHINE, scratch.path())) {
        WriteLog("WriteHiveResToFile cannot create " + RootName(HKEY_LOCAL_MACHINE) + scratch.path());
        return false;
    }
    {
        ScopedKey top(OpenKeyWrite(HKEY_LOCAL_MACHINE, scratch.path()));
        if (!top)
            return false;
        for (const std::string &key : keys) {
            if (!CreatePath(top.get(), key)) {
                WriteLog("WriteHiveResToFile cannot create " + key);
                return false;
            }
        }
        if (rootValue && RegSetValueExA(top.get(), "", 0, REG_SZ, reinterpret_cast<const BYTE *>(""), 0) != 0)
            return false;
        if (system) {
            const DWORD number = SetNumber(controlSet);
            ScopedKey select(CreateKeyWrite(top.get(), "Select"));
            if (!select)
                return false;
            for (const char *name : {"Current", "Default", "LastKnownGood"})
                if (RegSetValueExA(select.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number),
                                   sizeof number) != ERROR_SUCCESS)
                    return false;
        }
    }
    if (!SaveKeyToFile(scratch.path(), path, HKEY_LOCAL_MACHINE)) {
        WriteLog("WriteHiveResToFile cannot save " + path);
        return false;
    }
    return true;
}
