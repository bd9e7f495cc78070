// The version-resource reader on any bytes: what it finds lies within them.
// fuzz-sources: src/scan/version_resource.cpp
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scan/version_resource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const std::string_view translation = VersionTranslation(bytes);
    if (!translation.empty() &&
        (translation.size() != 4 || translation.data() < bytes.data() || translation.data() + 4 > bytes.data() + size))
        __builtin_trap();
    for (const char *table : {"040904B0", "040904E4", "000004B0"}) {
        for (const char *name : {"CompanyName", "FileDescription", "ProductVersion"}) {
            bool found = false;
            const std::u16string text = VersionString(bytes, table, name, found);
            if (text.size() * 2 > size || (!found && !text.empty()) || text.find(u'\0') != std::u16string::npos)
                __builtin_trap();
        }
    }
    return 0;
}
