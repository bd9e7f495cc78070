#include "scan/fileinfo_parse.h"

#include <cstdio>

#include "system/text.h"

namespace {

// Days since 1 March of year 0 in the proleptic Gregorian calendar.
long long DaysFromCivil(long long y, long long m, long long d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe;
}

} // namespace

double DateSerialOf(int year, int month, int day) {
    return static_cast<double>(DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30));
}

double DateSerialOfFileTime(unsigned long long localTicks) {
    constexpr unsigned long long kTicksPerDay = 864000000000ULL;
    return DateSerialOf(1601, 1, 1) + static_cast<double>(localTicks / kTicksPerDay);
}

std::string TranslationKey(const void *block, std::size_t size) {
    if (block == nullptr || size < 4)
        return "";
    const auto *b = static_cast<const unsigned char *>(block);
    const unsigned language = b[0] | (b[1] << 8);
    const unsigned codePage = b[2] | (b[3] << 8);
    char key[9];
    std::snprintf(key, sizeof key, "%04X%04X", language, codePage);
    return key;
}

bool NamesMicrosoft(const std::string &company) { return ContainsNoCase(company, "microsoft"); }
