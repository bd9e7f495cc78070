// The "PackedCatalogItem" parser on values built byte by byte: whole items,
// long provider paths, UTF-16 names, and values cut short anywhere.
#include <gtest/gtest.h>

#include <string>

#include "scan/catalog_item.h"

namespace {

// A catalogue item as Windows writes it: the path field, the protocol fields
// (filled with a non-zero pattern, so that a parser reading them as text
// would show it) and the name field.
std::string PackedItem(const std::string &path, const std::u16string &name, char filler = '\x7f') {
    std::string data(path);
    data.resize(kCatalogPathField, '\0');
    data.resize(kCatalogNameOffset, filler);
    for (char16_t c : name) {
        data.push_back(static_cast<char>(c & 0xFF));
        data.push_back(static_cast<char>(c >> 8));
    }
    data.resize(kCatalogNameOffset + kCatalogNameField + 4, '\0');
    return data;
}

TEST(CatalogItem, ReadsPathsOfEveryLengthAndTheWholeName) {
    const std::string path33 = "%SystemRoot%\\system32\\mswsock.dll";
    ASSERT_EQ(path33.size(), 33u);
    CatalogItem item = ParseCatalogItem(PackedItem(path33, u"MSAFD Tcpip [TCP/IP]"));
    EXPECT_EQ(item.providerPath, path33);
    EXPECT_EQ(item.protocolName, u"MSAFD Tcpip [TCP/IP]");

    // Layered providers live in long paths: 34 characters and more.
    const std::string path60 = "C:\\Program Files\\Layered Provider Vendors\\lsp\\provider64.dll";
    ASSERT_EQ(path60.size(), 60u);
    item = ParseCatalogItem(PackedItem(path60, u"Vendor LSP over [TCP/IP]"));
    EXPECT_EQ(item.providerPath, path60);
    EXPECT_EQ(item.protocolName, u"Vendor LSP over [TCP/IP]");

    // A path filling its whole field ends at the field, not in the fields after it.
    const std::string full(kCatalogPathField, 'p');
    EXPECT_EQ(ParseCatalogItem(PackedItem(full, u"x")).providerPath, full);
}

TEST(CatalogItem, NamesAreWholeUtf16Characters) {
    // Characters whose bytes hold zeros: a byte-wise search for a double zero
    // would cut "A\u0100" after the "A".
    const std::u16string name = u"A\u0100\u4e2d\u00e9 \u0300z";
    EXPECT_EQ(ParseCatalogItem(PackedItem("x.dll", name)).protocolName, name);

    // The byte before the name belongs to the field before it.
    std::string data = PackedItem("x.dll", u"RSVP UDP");
    data[kCatalogNameOffset - 1] = 'Q';
    EXPECT_EQ(ParseCatalogItem(data).protocolName, u"RSVP UDP");

    EXPECT_EQ(ParseCatalogItem(PackedItem("x.dll", u"")).protocolName, u"");

    // A name without its zero character ends with its field.
    std::string unended = PackedItem("x.dll", std::u16string(kCatalogNameField / 2, u'n'));
    EXPECT_EQ(ParseCatalogItem(unended).protocolName, std::u16string(kCatalogNameField / 2, u'n'));
}

TEST(CatalogItem, ShortValuesGiveTheFieldsTheyHold) {
    EXPECT_EQ(ParseCatalogItem("").providerPath, "");
    EXPECT_EQ(ParseCatalogItem("").protocolName, u"");
    EXPECT_EQ(ParseCatalogItem("a").providerPath, "a");
    EXPECT_EQ(ParseCatalogItem(std::string(1, '\0')).providerPath, "");

    // Ten bytes: a path without its zero byte.
    const CatalogItem ten = ParseCatalogItem("C:\\lsp.dll");
    EXPECT_EQ(ten.providerPath, "C:\\lsp.dll");
    EXPECT_EQ(ten.protocolName, u"");

    const std::string whole = PackedItem("%SystemRoot%\\system32\\rsvpsp.dll", u"RSVP TCP Service Provider");
    // Cut anywhere: never a read past the end, the path is whole once its zero
    // byte is in, and the name holds only the characters fully present.
    for (size_t cut = 0; cut <= whole.size(); ++cut) {
        const CatalogItem item = ParseCatalogItem(std::string_view(whole).substr(0, cut));
        EXPECT_EQ(item.providerPath, whole.substr(0, std::min<size_t>(cut, 32)).c_str()) << cut;
        const size_t nameChars = cut > kCatalogNameOffset ? (cut - kCatalogNameOffset) / 2 : 0;
        EXPECT_EQ(item.protocolName, std::u16string(u"RSVP TCP Service Provider").substr(0, nameChars)) << cut;
    }
}

} // namespace
