// The boot configuration readers on any bytes: the loader-path search of a
// Boot\BCD file (whole, and fed in two pieces as the file reader does) and the
// folder of a boot.ini default line.
// fuzz-sources: src/scan/bootfiles.cpp src/system/text.cpp
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scan/bootfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    const std::string folder = BcdWindowsFolder(bytes);
    // The folder lies between a "\" and the loader path within twelve characters.
    if (folder.size() > 11)
        std::abort();
    std::string text;
    const std::size_t half = size / 2;
    AppendPrintableBcdText(text, bytes.data(), half);
    AppendPrintableBcdText(text, bytes.data() + half, size - half);
    if (text != PrintableBcdText(bytes) || FindBcdWindowsFolder(text) != folder)
        std::abort();
    const std::string ini = BootIniWindowsFolder(bytes);
    if (ini.size() >= size && size > 0)
        std::abort();
    return 0;
}
