// The item-ID list reader on any bytes: as the list of a whole shell link, and
// as a bare list.
// fuzz-sources: src/scan/filereaders.cpp
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/filereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const ByteView bytes(data, size);
    const ByteView items = LinkItemList(bytes);
    if (!items.empty() && (items.data() < data || items.size() > size - static_cast<std::size_t>(items.data() - data)))
        __builtin_trap();
    for (const ByteView list : {items, bytes}) {
        const std::string path = ItemListPath(list);
        if (path.empty())
            continue;
        // A drive path no longer than the list, whose names are file names:
        // none empty, "." or "..", none holding a control character or ":".
        if (path.size() > list.size() || path.size() < 3 || path[1] != ':' || path[2] != '\\' ||
            path.find(':', 2) != std::string::npos || path.find('/') != std::string::npos)
            __builtin_trap();
        for (const char c : path)
            if (static_cast<unsigned char>(c) < 32)
                __builtin_trap();
        const std::string names = path.substr(2) + "\\";
        for (const char *bad : {"\\\\", "\\.\\", "\\..\\"})
            if (path.size() > 3 && names.find(bad) != std::string::npos)
                __builtin_trap();
    }
    return 0;
}
