// The task file reader on any bytes.
// fuzz-sources: src/scan/filereaders.cpp
#include <cstddef>
#include <cstdint>
#include <string>

#include "scan/filereaders.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    std::string problem;
    const std::string target = TaskTarget(ByteView(data, size), &problem);
    // Either a drive path with an extension, or "" with a reason for the log.
    if (target.empty() == problem.empty())
        __builtin_trap();
    if (!target.empty() && (target.size() > size || target.compare(1, 2, ":\\") != 0))
        __builtin_trap();
    return 0;
}
