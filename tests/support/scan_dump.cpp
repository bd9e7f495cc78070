#include "support/scan_dump.h"

#include <sstream>

namespace {

std::vector<std::string> Lines(const std::string &text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

} // namespace

std::string DumpScan(const std::vector<ScanLocation> &locations, const EntryFilter &filter) {
    std::ostringstream out;
    for (int n = 1; n <= UpperBound(locations); ++n) {
        const ScanLocation &loc = locations[static_cast<size_t>(n)];
        std::vector<bool> wanted(loc.Entries.size(), false);
        for (size_t j = 1; j < loc.Entries.size(); ++j)
            wanted[j] = !filter || filter(n, loc.Entries[j]);
        for (int p = 1; p <= UpperBound(loc.Passes); ++p) {
            const ScanPass &pass = loc.Passes[static_cast<size_t>(p)];
            std::ostringstream numbers;
            for (size_t k = 1; k < pass.EntryIndexes.size(); ++k) {
                const int j = pass.EntryIndexes[k];
                if (j >= 1 && static_cast<size_t>(j) < wanted.size() && wanted[static_cast<size_t>(j)])
                    numbers << ' ' << j;
            }
            if (!filter || !numbers.str().empty())
                out << n << " pass " << p << " [" << pass.KeyText << "]" << numbers.str() << "\n";
        }
        for (size_t j = 1; j < loc.Entries.size(); ++j) {
            if (!wanted[j])
                continue;
            const StartupEntry &e = loc.Entries[j];
            out << n << "." << j << " pass " << e.PassIndex << " type " << e.ItemType << " name [" << e.EntryName
                << "] item [" << e.ItemName << "] image [" << e.ImagePath << "] desc [" << e.Description << "]"
                << (e.Disabled ? " disabled" : "") << (e.Deleted ? " deleted" : "") << (e.HasFile ? " file" : "")
                << (e.IsMicrosoft ? " microsoft" : "") << (e.Created > kNoDate ? " created" : "")
                << (e.Modified > kNoDate ? " modified" : "");
            for (int k = 1; k <= 8; ++k)
                if (!e.VersionInfo[static_cast<size_t>(k)].empty())
                    out << " v" << k << " [" << e.VersionInfo[static_cast<size_t>(k)] << "]";
            out << "\n";
        }
    }
    return out.str();
}

std::string FirstDifference(const std::string &expected, const std::string &actual) {
    const auto a = Lines(expected), b = Lines(actual);
    for (size_t i = 0; i < a.size() || i < b.size(); ++i) {
        const std::string x = i < a.size() ? a[i] : "(end)";
        const std::string y = i < b.size() ? b[i] : "(end)";
        if (x != y)
            return "line " + std::to_string(i + 1) + "\n  expected: " + x + "\n  actual:   " + y;
    }
    return "";
}
