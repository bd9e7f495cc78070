// The Winsock catalogue item parser on any bytes: the fields it returns lie
// within the value and within their own fields.
// fuzz-sources: src/scan/catalog_item.cpp
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scan/catalog_item.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char *>(data), size);
    const CatalogItem item = ParseCatalogItem(bytes);
    if (item.providerPath.size() > kCatalogPathField || item.providerPath.size() > size ||
        item.providerPath.find('\0') != std::string::npos ||
        bytes.substr(0, item.providerPath.size()) != item.providerPath)
        __builtin_trap();
    const std::size_t nameBytes = item.protocolName.size() * 2;
    if (nameBytes > kCatalogNameField || (nameBytes > 0 && kCatalogNameOffset + nameBytes > size) ||
        item.protocolName.find(u'\0') != std::u16string::npos)
        __builtin_trap();
    return 0;
}
