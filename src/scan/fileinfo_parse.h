// The parts of reading file information that need no Windows call: calendar
// dates as day serials, the key of a version resource's first translation and
// the publisher test.
#pragma once
#include <cstddef>
#include <string>

// Day serial of a calendar date (day 0 is 30 December 1899, so 31 December
// 1899 is 1 and 1 January 1900 is 2). Month and day are taken as given.
double DateSerialOf(int year, int month, int day);

// Day serial of the calendar date of a file time (100-nanosecond ticks since
// 1 January 1601) already moved into local time; the time of day is dropped.
double DateSerialOfFileTime(unsigned long long localTicks);

// The string-table key of a version resource's first translation: language
// word then code-page word (both little-endian) as 8 upper-case hexadecimal
// digits, "040904B0" and the like. "" when the block holds fewer than 4 bytes.
std::string TranslationKey(const void *block, std::size_t size);

// True when a company name contains "Microsoft" in any case.
bool NamesMicrosoft(const std::string &company);
