#include "registry/values.h"

#include <algorithm>
#include <cstring>

#include "system/codepage.h"
#include "system/text.h"

std::string RegValue::Text() const { return CutAtNull(data); }

namespace {
// Reads a value whole through query(buffer, type, size), which answers as
// RegQueryValueEx does; present is false when it cannot be read.
template <typename Query> RegValue ReadWhole(Query query) {
    RegValue value;
    DWORD size = 260;
    for (int attempt = 0; attempt < 8; ++attempt) {
        std::string buffer(size, '\0');
        DWORD type = REG_NONE;
        DWORD got = size;
        const LONG rc = query(reinterpret_cast<BYTE *>(buffer.data()), &type, &got);
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
} // namespace

RegValue ReadValue(HKEY key, const std::string &name) {
    if (key == nullptr)
        return RegValue{};
    return ReadWhole([&](BYTE *data, DWORD *type, DWORD *size) {
        return RegQueryValueExA(key, name.c_str(), nullptr, type, data, size);
    });
}

RegValue ReadValueWide(HKEY key, const std::wstring &name) {
    if (key == nullptr)
        return RegValue{};
    return ReadWhole([&](BYTE *data, DWORD *type, DWORD *size) {
        return RegQueryValueExW(key, name.c_str(), nullptr, type, data, size);
    });
}

std::string ReadString(HKEY key, const std::string &name) { return ReadValue(key, name).Text(); }

namespace {
// What one query of a key's information tells the listings: how many names
// there are and how long the longest name and data are.
struct KeyLimits {
    DWORD subKeys = 0;
    DWORD subKeyName = 256;
    DWORD values = 0;
    DWORD valueName = 256;
    DWORD valueData = 260;
};

// Room made ahead for at most this many names; a longer list grows as it goes.
constexpr DWORD kMostReserved = 1 << 20;

KeyLimits LimitsOf(HKEY key) {
    KeyLimits limits;
    DWORD subKeys = 0, maxSub = 0, values = 0, maxValue = 0, maxData = 0;
    if (RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, &maxSub, nullptr, &values, &maxValue, &maxData,
                         nullptr, nullptr) == ERROR_SUCCESS) {
        limits.subKeys = subKeys;
        limits.subKeyName = std::max<DWORD>(limits.subKeyName, maxSub + 1);
        limits.values = values;
        limits.valueName = std::max<DWORD>(limits.valueName, maxValue + 1);
        limits.valueData = std::max<DWORD>(limits.valueData, maxData);
    }
    return limits;
}
} // namespace

namespace {
// Lists the names that enumerate(index, buffer, length) gives from index 0
// until it answers anything but success; a name longer than the buffer is
// asked for again with a larger one. Text is std::string for the ANSI calls,
// std::wstring for the wide ones.
template <typename Text = std::string, typename Enumerate>
std::vector<Text> EnumNames(DWORD capacity, DWORD count, Enumerate enumerate) {
    std::vector<Text> names;
    names.reserve(std::min<DWORD>(count, kMostReserved));
    for (DWORD index = 0;;) {
        Text name(capacity, '\0');
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
    const KeyLimits limits = LimitsOf(key);
    return EnumNames(limits.subKeyName, limits.subKeys, [key](DWORD index, char *name, DWORD *length) {
        return RegEnumKeyExA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

std::vector<SubKeyName> EnumSubKeyNames(HKEY key) {
    std::vector<SubKeyName> names;
    if (key == nullptr)
        return names;
    const KeyLimits limits = LimitsOf(key);
    const auto wides = EnumNames<std::wstring>(limits.subKeyName, limits.subKeys,
                                               [key](DWORD index, wchar_t *name, DWORD *length) {
                                                   return RegEnumKeyExW(key, index, name, length, nullptr, nullptr,
                                                                        nullptr, nullptr);
                                               });
    names.reserve(wides.size());
    for (const std::wstring &wide : wides)
        names.push_back({AnsiText(wide), wide});
    return names;
}

std::vector<std::string> EnumValueNames(HKEY key) {
    if (key == nullptr)
        return {};
    const KeyLimits limits = LimitsOf(key);
    return EnumNames(limits.valueName, limits.values, [key](DWORD index, char *name, DWORD *length) {
        return RegEnumValueA(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
    });
}

namespace {
bool HoldsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

// Text data (UTF-16 bytes) as the ANSI calls give them: in the code page, an
// odd last byte dropped.
std::string AnsiData(const std::string &bytes) {
    std::wstring wide(bytes.size() / 2, L'\0');
    if (!wide.empty())
        std::memcpy(wide.data(), bytes.data(), wide.size() * sizeof(wchar_t));
    return AnsiText(wide);
}
} // namespace

std::vector<NamedRegValue> EnumValues(HKEY key) {
    std::vector<NamedRegValue> values;
    if (key == nullptr)
        return values;
    const KeyLimits limits = LimitsOf(key);
    values.reserve(std::min<DWORD>(limits.values, kMostReserved));
    std::wstring name(limits.valueName, L'\0');
    // The wide call gives text data as UTF-16: twice the bytes.
    std::string data(static_cast<size_t>(limits.valueData) * 2, '\0');
    for (DWORD index = 0;;) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD dataLength = static_cast<DWORD>(data.size());
        DWORD type = REG_NONE;
        const LONG rc = RegEnumValueW(key, index, name.data(), &nameLength, nullptr, &type,
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
        v.wide.assign(name.data(), nameLength);
        v.name = AnsiText(v.wide);
        v.value.present = true;
        v.value.type = type;
        v.value.data.assign(data.data(), dataLength);
        if (HoldsText(type))
            v.value.data = AnsiData(v.value.data);
        values.push_back(std::move(v));
        ++index;
    }
    return values;
}

bool WriteString(HKEY key, const std::string &name, const std::string &text) {
    return RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE *>(text.data()),
                          static_cast<DWORD>(text.size())) == ERROR_SUCCESS;
}

bool WriteDword(HKEY key, const std::string &name, DWORD number) {
    return RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE *>(&number), sizeof number) ==
           ERROR_SUCCESS;
}
