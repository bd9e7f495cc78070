// The Winsock catalogue's "PackedCatalogItem" value: the provider's file path
// (ANSI, in a 260-byte field ended by a zero byte) followed by the protocol
// description, whose protocol name (UTF-16LE, ended by a zero character)
// starts at byte 376. No Windows API here, so that the parser can be tested
// and fuzzed on its own; a value of any length, also one cut short, gives the
// fields it holds and never a read past its end.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t kCatalogPathField = 260;  // bytes of the provider path field
constexpr std::size_t kCatalogNameOffset = 376; // first byte of the protocol name
constexpr std::size_t kCatalogNameField = 512;  // bytes of the protocol name field

struct CatalogItem {
    std::string providerPath;    // the path field's text before its first zero byte
    std::u16string protocolName; // the name's characters before the first zero character
};

CatalogItem ParseCatalogItem(std::string_view data);
