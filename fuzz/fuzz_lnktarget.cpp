// The shell link reader on any bytes.
// fuzz-sources: src/scan/filereaders.cpp
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/filereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string target = LnkTarget(ByteView(data, size));
    // The path is made of the link's own bytes, ending before a zero byte: at
    // most two runs of them (a base and a suffix, which may overlap) joined by
    // one "\".
    if (target.size() > 2 * size + 1 || target.find('\0') != std::string::npos)
        __builtin_trap();
    return 0;
}
