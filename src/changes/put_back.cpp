#include "changes/put_back.h"

#include <algorithm>
#include <vector>

#include "changes/entry_address.h"
#include "registry/access.h"
#include "registry/disabled_store.h"
#include "registry/names.h"
#include "registry/values.h"
#include "system/log.h"

namespace {

const std::string kDisabledSub = "\\" + kDisabledName;

bool KeyExists(HKEY root, const std::string &path) {
    ScopedKey key(OpenKey(root, path));
    return static_cast<bool>(key);
}

bool WriteRaw(HKEY root, const std::string &path, const std::string &name, DWORD type, const std::string &data) {
    ScopedKey key(CreateKeyWrite(root, path));
    return key && RegSetValueExA(key.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE *>(data.data()),
                                 static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

RegValue ReadAt(HKEY root, const std::string &path, const std::string &name) {
    ScopedKey key(OpenKey(root, path));
    return key ? ReadValue(key.get(), name) : RegValue{};
}

// Adds to the live list the snapshot's items naming the entry that the live
// list lacks; false when there is none to add or the write fails.
bool PutBackItems(HKEY root, const std::string &live, const std::string &name, const std::string &valueName,
                  const RegValue &snapshot) {
    const RegValue current = ReadAt(root, live, valueName);
    std::vector<std::string> items = current.present ? SplitMultiStringData(current.data) : std::vector<std::string>{};
    bool added = false;
    for (const std::string &item : SplitMultiStringData(snapshot.data)) {
        if (!ListItemNames(item, name) || std::find(items.begin(), items.end(), item) != items.end())
            continue;
        items.push_back(item);
        added = true;
    }
    if (!added)
        return false;
    std::string data;
    for (const std::string &item : items)
        data += item + '\0';
    data += '\0';
    return WriteRaw(root, live, valueName, REG_MULTI_SZ, data);
}

} // namespace

bool ListItemNames(const std::string &item, const std::string &name) {
    if (item == name)
        return true;
    const size_t start = item.find_first_not_of(' ');
    if (start == std::string::npos)
        return false;
    const size_t end = item.find(' ', start);
    return item.substr(start, end == std::string::npos ? std::string::npos : end - start) == name;
}

bool PutBackEntry(HKEY root, const std::string &keyPath, const std::string &valueName, const StartupEntry &entry) {
    const std::string name = AddressedName(root, entry);
    const std::string snapshot = kRemotePrefix + keyPath;
    // Where the entry was when the snapshot was taken comes first.
    const std::vector<std::string> places =
        entry.Disabled ? std::vector<std::string>{kDisabledSub, ""} : std::vector<std::string>{"", kDisabledSub};
    for (const std::string &place : places) {
        const std::string from = snapshot + place;
        const std::string to = keyPath + place;
        switch (entry.ItemType) {
        case kItemSubKey:
            if (!name.empty() && KeyExists(root, from + "\\" + name))
                return CopySubKey(root, from + "\\" + name, to + "\\" + name);
            break;
        case kItemNamedValue: {
            const RegValue value = ReadAt(root, from, name);
            if (value.present)
                return WriteRaw(root, to, name, value.type, value.data);
            break;
        }
        default: {
            const std::string own = valueName == "(Default)" ? std::string() : valueName;
            const RegValue value = ReadAt(root, from, own);
            if (!value.present)
                break;
            if (value.type == REG_MULTI_SZ) {
                if (PutBackItems(root, to, name, own, value))
                    return true;
                break;
            }
            return WriteRaw(root, to, own, value.type, value.data);
        }
        }
    }
    WriteLog("PutBackEntry " + name + " is not in the snapshot of " + RootName(root) + keyPath);
    return false;
}
