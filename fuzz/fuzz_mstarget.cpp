// The shortcut's printable-text reader on any bytes.
// fuzz-sources: src/scan/filereaders.cpp
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/filereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string root = "D:\\";
    const std::string target = MSTarget(ByteView(data, size), root);
    // Printable characters only, at most the data and the root, and ending
    // at most three characters after a ".".
    if (target.size() > size + root.size())
        __builtin_trap();
    for (const char c : target)
        if (static_cast<unsigned char>(c) < 32 || static_cast<unsigned char>(c) > 127)
            __builtin_trap();
    if (!target.empty() && target.find('.') == std::string::npos)
        __builtin_trap();
    return 0;
}
