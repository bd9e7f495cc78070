#include "scan/catalog_item.h"

#include <algorithm>

CatalogItem ParseCatalogItem(std::string_view data) {
    CatalogItem item;

    const std::string_view path = data.substr(0, std::min(data.size(), kCatalogPathField));
    item.providerPath.assign(path.substr(0, path.find('\0')));

    if (data.size() > kCatalogNameOffset) {
        const std::string_view name = data.substr(kCatalogNameOffset, kCatalogNameField);
        // Whole characters only: a value that ends inside a character drops it.
        for (std::size_t i = 0; i + 1 < name.size(); i += 2) {
            const auto low = static_cast<unsigned char>(name[i]);
            const auto high = static_cast<unsigned char>(name[i + 1]);
            const auto unit = static_cast<char16_t>(low | (high << 8));
            if (unit == 0)
                break;
            item.protocolName.push_back(unit);
        }
    }
    return item;
}
