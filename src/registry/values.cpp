#include "registry/values.h"

#include <algorithm>

#include "system/text.h"

std::string RegValue::Text() const { return CutAtNull(data); }

RegValue ReadValue(HKEY key, const std::string &name) {
    RegValue value;
    if (key == nullptr)
        return value;
    DWORD size = 260;
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string buffer(size, '\0');
        DWORD type = REG_NONE;
        DWORD got = size;
        const LONG rc =
            RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE *>(buffer.data()), &got);
        if (rc == ERROR_SUCCESS) {
            buffer.resize(got);
            value.present = true;
            value.type = type;
            value.data = std::move(buffer);
            return value;
        }
        if (rc != ERROR_MORE_DATA)
            return value;
        // The value grew or was larger than the buffer: ask again with its size.
        size = got > size ? got : size * 2;
    }
    return value;
}

std::string ReadString(HKEY key, const std::string &name) { return ReadValue(key, name).Text(); }

namespace {
struct KeyLimits {
    DWORD subKeyName = 256;
    DWORD valueName = 256;
};

KeyLimits LimitsOf(HKEY key) {
    KeyLimits limits;
    DWORD maxSub = 0, maxValue = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, &maxSub, nullptr, nullptr, &maxValue, nullptr,
                         nullptr, nullptr) == ERROR_SUCCESS) {
        limits.subKeyName = std::max<DWORD>(limits.subKeyName, maxSub + 1);
        limits.valueName = std::max<DWORD>(limits.valueName, maxValue + 1);
    }
    return limits;
}
} // namespace

namespace {
// Lists the names that enumerate(index, buffer, length) gives from index 0
// until it answers anything but success; a name longer than the buffer is
// asked for again with a larger one.
template <typename Enumerate> std::vector<std::string> EnumNames(DWORD capacity, Enumerate enumerate) {
    std::vector<std::string> names;
    for (DWORD index = 0;;) {
        std::string name(capacity, '\0');
        DWORD length = capacity;
        const LONG rc = enumerate(index, name.data(), &length);
        if (rc == ERROR_MORE_DATA && capacity < 65536) {
            capacity *= 2;
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        name.resize(length);
        names.push_back(std::move(name));
        ++index;
    }
    return names;
}
} // namespace

std::vector<std::string> EnumSubKeys(HKEY key) {
    if (key == nullptr)
        return {};
    return EnumNames(LimitsOf(key).subKeyName, [key](DWORD index, char *name, DWORD *length) {
        return RegEnumKeyExA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<std::string> EnumValueNames(HKEY key) {
    if (key == nullptr)
        return {};
    return EnumNames(LimitsOf(key).valueName, [key](DWORD index, char *name, DWORD *length) {
        return RegEnumValueA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<NamedRegValue> EnumValues(HKEY key) {
    std::vector<NamedRegValue> values;
    if (key == nullptr)
        return values;
    KeyLimits limits = LimitsOf(key);
    DWORD dataCapacity = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &dataCapacity,
                     nullptr, nullptr);
    dataCapacity = std::max<DWORD>(dataCapacity, 260);
    std::string name(limits.valueName, '\0');
    std::string data(dataCapacity, '\0');
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG rc = RegEnumValueA(key, index, name.data(), &nameLength, nullptr, &type,
                                      reinterpret_cast<BYTE *>(data.data()), &dataLength);
        if (rc == ERROR_MORE_DATA && name.size() < 65536 && data.size() < (64u << 20)) {
            // Either buffer was short: grow both and read the same index again.
            name.resize(std::max<size_t>(name.size() * 2, nameLength + 1));
            data.resize(std::max<size_t>(data.size() * 2, dataLength));
            continue;
        }
        if (rc != ERROR_SUCCESS)
            break;
        NamedRegValue v;
        v.name.assign(name.data(), nameLength);
        v.value.present = true;
        v.value.type = type;
        v.value.data.assign(data.data(), dataLength);
        values.push_back(std::move(v));
        ++index;
    }
    return values;
}

bool WriteString(HKEY key, const std::string &name, const std::string &text) {
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(text.data()),
                          static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}
